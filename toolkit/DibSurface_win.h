#pragma once
// 32-bit BI_RGB DIB sections: the bare bitmap (`CreateDib32`, for pictures handed between threads), and
// `DibSurface`, one selected into a memory device context of its own, which is what every off-screen
// picture the program draws into or copies out of is.
#include "toolkit/Handle_win.h"

#include <cstdint>

// A section of width x height, its pixels in `*bits`: top-down (row 0 on top) when `topDown`, else bottom-up
// as GDI lays out a bitmap. Null (and `*bits` null) when it cannot be made. Any thread.
inline HBITMAP CreateDib32(int width, int height, bool topDown, void** bits) {
    *bits = nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    if (!bitmap) *bits = nullptr;
    return bitmap;
}

// A bitmap selected into its own memory DC, the DC's own bitmap selected back before either goes (a bitmap
// still selected cannot be deleted). Move-only; empty when it could not be made. It belongs to the thread
// that made it (a DC is not to be used by two threads at once); nothing else is shared.
class DibSurface {
public:
    enum class Rows { TopDown, BottomUp };

    DibSurface() = default;
    ~DibSurface() { Release(); }
    DibSurface(DibSurface&& other) noexcept;
    DibSurface& operator=(DibSurface&& other) noexcept;
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    // A fresh section of width x height (all pixels 0). False, and empty, for a size of nothing or of more
    // than `maxPixels`, or when the system refuses.
    bool Create(int width, int height, Rows rows, uint64_t maxPixels);
    // A bitmap made elsewhere (a picture taken on another thread), selected into a DC of its own. Its pixels
    // are not known here (`Bits` is null). False, and empty, when it cannot be selected.
    bool Adopt(UniqueBitmap bitmap);
    void Release() noexcept;

    explicit operator bool() const noexcept { return previous_ != nullptr; }
    HDC Dc() const noexcept { return dc_.Get(); }
    HBITMAP Bitmap() const noexcept { return bitmap_.Get(); }
    void* Bits() const noexcept { return bits_; }  // null for an adopted bitmap
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }

private:
    bool Select(UniqueBitmap bitmap, void* bits, int width, int height);

    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;  // the DC's own bitmap while ours is selected
    void* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
