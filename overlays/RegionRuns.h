#pragma once
// The rectangles of a window region derived from an image's transparency, and the region-data block the
// system builds a region from. Portable: the Windows half reads the pixels and hands the block to
// ExtCreateRegion.
//
// A pixel is inside the region when its 32-bit value is not 0. The image is converted with background
// colour 0 before it gets here, so every fully transparent pixel is exactly 0 and every other pixel (even
// one with alpha 0 but colour bits left over) counts as visible.
#include <cstddef>
#include <cstdint>
#include <vector>

// One rectangle in image coordinates, right and bottom exclusive (the layout of the system's RECT).
struct RegionRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    bool operator==(const RegionRect& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const RegionRect& other) const { return !(*this == other); }
};

// How the rows of a pixel array are stored. GetDIBits with a positive height delivers BottomUp: the
// first stored row is the image's bottom row.
enum class RowOrder { TopDown, BottomUp };

// Scans the image from its top row (y = 0) down, each row left to right, and returns one rectangle
// (x0, y)-(x1, y + 1) per maximal run of visible pixels. A run at the right edge ends at x1 = width; runs
// never continue into the next row. `pixels` holds width * height values, rows packed without padding.
// A null array or a size that is not positive gives no rectangles.
std::vector<RegionRect> RegionRunsFromPixels(const uint32_t* pixels, int width, int height, RowOrder order);

// The smallest rectangle holding all of `rects`; all zero when there are none.
RegionRect RegionBounds(const std::vector<RegionRect>& rects);

// Byte sizes of the region-data block: a 32-byte RGNDATAHEADER followed by 16-byte rectangles.
constexpr std::size_t kRegionHeaderBytes = 32;
constexpr std::size_t kRegionRectBytes = 16;
constexpr uint32_t kRegionTypeRectangles = 1;  // RDH_RECTANGLES

// Builds the region-data block for `rects` (dwSize 32, iType RDH_RECTANGLES, nCount, nRgnSize = the bytes
// of the rectangles, rcBound = their bounds), laid out as the system's RGNDATA. Returned as 32-bit words
// so that the block is aligned for the header's fields; its byte size is
// kRegionHeaderBytes + kRegionRectBytes * rects.size(). Empty when the count does not fit the header's
// 32-bit fields.
std::vector<uint32_t> BuildRegionData(const std::vector<RegionRect>& rects);
