#include "overlays/Image_win.h"

#include "overlays/RegionRuns.h"
#include "toolkit/Dialog_win.h"

#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <vector>

PngImage::PngImage(PngImage&& other) noexcept
    : memory_(std::move(other.memory_)), bitmap_(std::move(other.bitmap_)) {}

PngImage& PngImage::operator=(PngImage&& other) noexcept {
    if (this != &other) {
        // Member-wise assignment would free our old block while our old image still reads from it.
        Reset();
        memory_ = std::move(other.memory_);
        bitmap_ = std::move(other.bitmap_);
    }
    return *this;
}

void PngImage::Reset() noexcept {
    bitmap_.reset();  // GDI+ lets go of its stream, and so of the block, here
    memory_.Reset();
}

namespace {

// Releases the program's reference to a stream; GDI+ keeps its own while the image lives.
struct StreamRef {
    IStream* stream = nullptr;
    ~StreamRef() {
        if (stream) stream->Release();
    }
};

}  // namespace

PngImage LoadPngResource(int id) {
    if (id <= 0 || id > 0xFFFF) return {};
    HMODULE module = ResourceModule();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!found) return {};
    const DWORD size = SizeofResource(module, found);
    if (size == 0) return {};
    HGLOBAL loaded = LoadResource(module, found);  // resource memory: part of the image, never freed
    if (!loaded) return {};
    const void* bytes = LockResource(loaded);
    if (!bytes) return {};

    PngImage image;
    image.memory_.Reset(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!image.memory_) return {};
    void* copy = GlobalLock(image.memory_.Get());
    if (!copy) return {};
    std::memcpy(copy, bytes, size);
    // The stream locks the block itself whenever it reads; ours can go.
    GlobalUnlock(image.memory_.Get());

    StreamRef ref;
    if (FAILED(CreateStreamOnHGlobal(image.memory_.Get(), FALSE, &ref.stream)) || !ref.stream) return {};
    image.bitmap_.reset(new Gdiplus::Bitmap(ref.stream, FALSE));
    if (!image.bitmap_ || image.bitmap_->GetLastStatus() != Gdiplus::Ok) return {};  // deletes a half-made image
    return image;
}

void PngPrefetch::Start(int first, int second) {
    if (ids_[0]) return;
    ids_[0] = first;
    ids_[1] = second;
    shapeId_ = first;
    decoding_.Start([this] {
        for (int i = 0; i < kMaxPictures; ++i) {
            if (ids_[i]) images_[i] = LoadPngResource(ids_[i]);
            // GDI's objects belong to the process, not to the thread that makes them.
            if (i == 0 && images_[0]) {
                firstShape_.bitmap = ToGdiBitmap(*images_[0]);
                if (firstShape_.bitmap) firstShape_.region = RegionFromGdiBitmap(firstShape_.bitmap.Get());
            }
        }
    });
}

PngImage PngPrefetch::Take(int id) {
    Join();
    for (int i = 0; i < kMaxPictures; ++i) {
        if (id != 0 && ids_[i] == id) {
            ids_[i] = -1;  // handed over once
            return std::move(images_[i]);
        }
    }
    return {};
}

PictureShape PngPrefetch::TakeShape(int id) {
    Join();
    if (id == 0 || id != shapeId_) return {};
    shapeId_ = 0;  // handed over once
    return std::move(firstShape_);
}

void PngPrefetch::Join() noexcept {
    try {
        decoding_.Join();
    } catch (...) {
        // A decode that failed (out of memory) leaves its picture empty: the caller decodes it itself.
    }
}

UniqueBitmap ToGdiBitmap(Gdiplus::Bitmap& image) {
    HBITMAP converted = nullptr;
    if (image.GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &converted) != Gdiplus::Ok) {
        if (converted) DeleteObject(converted);
        return UniqueBitmap();
    }
    return UniqueBitmap(converted);
}

namespace {

// The largest picture whose pixels are read at once. Far above any image of the program; it keeps the
// pixel buffer's size from overflowing on a 32-bit build.
constexpr uint64_t kMaxRegionPixels = uint64_t(1) << 26;

// Room after the header for the three colour masks that GetDIBits writes when a header says BI_BITFIELDS.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD masks[3];
};

// The pixels of `bitmap` as bottom-up 32-bit rows; false when they cannot be read.
bool ReadBottomUpPixels(HBITMAP bitmap, int& width, int& height, std::vector<uint32_t>& pixels) {
    BITMAP described{};
    if (GetObjectW(bitmap, sizeof described, &described) == 0) return false;

    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return false;
    DibInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    if (GetDIBits(dc.Get(), bitmap, 0, UINT(std::abs(described.bmHeight)), nullptr,
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == 0) {
        return false;
    }
    width = info.header.biWidth;
    height = std::abs(info.header.biHeight);
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > kMaxRegionPixels) return false;

    // The header read back may describe the bitmap's own format (bit fields, a top-down height); the rows
    // are always asked for as plain 32-bit bottom-up pixels, which is what the run scan is told.
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 32;
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = 0;
    info.header.biClrUsed = 0;
    info.header.biClrImportant = 0;
    pixels.assign(std::size_t(width) * std::size_t(height), 0);
    const int rows = GetDIBits(dc.Get(), bitmap, 0, UINT(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    return rows == height;
}

}  // namespace

UniqueRegion RegionFromBitmap(Gdiplus::Bitmap& image) {
    UniqueBitmap converted = ToGdiBitmap(image);
    if (!converted) return {};
    return RegionFromGdiBitmap(converted.Get());
}

UniqueRegion RegionFromGdiBitmap(HBITMAP bitmap) {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    if (!bitmap || !ReadBottomUpPixels(bitmap, width, height, pixels)) return {};

    const std::vector<RegionRect> rects = RegionRunsFromPixels(pixels.data(), width, height, RowOrder::BottomUp);
    if (rects.empty()) return UniqueRegion(CreateRectRgn(0, 0, 0, 0));
    const std::vector<uint32_t> data = BuildRegionData(rects);
    if (data.empty()) return {};
    return UniqueRegion(ExtCreateRegion(nullptr, DWORD(data.size() * sizeof(uint32_t)),
                                        reinterpret_cast<const RGNDATA*>(data.data())));
}
