#pragma once
// A 32-bit BI_RGB DIB section of width x height, its pixels in `*bits`: top-down (row 0 on top) when `topDown`,
// else bottom-up as GDI lays out a bitmap. Null (and `*bits` null) when it cannot be made. Any thread.
#include <windows.h>

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
