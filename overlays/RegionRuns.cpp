#include "overlays/RegionRuns.h"

#include <algorithm>
#include <limits>

std::vector<RegionRect> RegionRunsFromPixels(const uint32_t* pixels, int width, int height, RowOrder order) {
    std::vector<RegionRect> rects;
    if (!pixels || width <= 0 || height <= 0) return rects;

    // Room for one rectangle per row to start with, as most shapes have about one run per row; the vector
    // grows from there by itself, keeping every rectangle already collected.
    rects.reserve(static_cast<std::size_t>(height));

    const std::size_t stride = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        const std::size_t stored = order == RowOrder::TopDown ? static_cast<std::size_t>(y)
                                                               : static_cast<std::size_t>(height - 1 - y);
        const uint32_t* row = pixels + stored * stride;
        int x = 0;
        while (x < width) {
            while (x < width && row[x] == 0) ++x;
            if (x == width) break;
            const int x0 = x;
            while (x < width && row[x] != 0) ++x;
            rects.push_back(RegionRect{x0, y, x, y + 1});
        }
    }
    return rects;
}

RegionRect RegionBounds(const std::vector<RegionRect>& rects) {
    if (rects.empty()) return RegionRect{0, 0, 0, 0};
    RegionRect bounds = rects.front();
    for (const RegionRect& r : rects) {
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    return bounds;
}

std::vector<uint32_t> BuildRegionData(const std::vector<RegionRect>& rects) {
    std::vector<uint32_t> words;
    // nRgnSize and the size handed to ExtCreateRegion are 32-bit: refuse a count whose bytes overflow them
    // rather than hand the system a block that says less than it holds.
    const std::size_t maxRects =
        (std::numeric_limits<uint32_t>::max() - kRegionHeaderBytes) / kRegionRectBytes;
    if (rects.size() > maxRects) return words;

    constexpr std::size_t headerWords = kRegionHeaderBytes / sizeof(uint32_t);
    constexpr std::size_t rectWords = kRegionRectBytes / sizeof(uint32_t);
    words.resize(headerWords + rectWords * rects.size());

    const RegionRect bounds = RegionBounds(rects);
    words[0] = static_cast<uint32_t>(kRegionHeaderBytes);                   // dwSize
    words[1] = kRegionTypeRectangles;                                       // iType
    words[2] = static_cast<uint32_t>(rects.size());                         // nCount
    words[3] = static_cast<uint32_t>(rects.size() * kRegionRectBytes);      // nRgnSize
    words[4] = static_cast<uint32_t>(bounds.left);                          // rcBound
    words[5] = static_cast<uint32_t>(bounds.top);
    words[6] = static_cast<uint32_t>(bounds.right);
    words[7] = static_cast<uint32_t>(bounds.bottom);

    std::size_t at = headerWords;
    for (const RegionRect& r : rects) {
        words[at++] = static_cast<uint32_t>(r.left);
        words[at++] = static_cast<uint32_t>(r.top);
        words[at++] = static_cast<uint32_t>(r.right);
        words[at++] = static_cast<uint32_t>(r.bottom);
    }
    return words;
}
