#pragma once
// The dimmed desktop behind an overview, and the dimming of the other monitors: a picture of the desktop
// darkened by two linear gradients of black, each laid from corner to corner (or edge to edge) in one of
// three directions drawn at random, so that no two overviews look quite alike.
#include <cstddef>
#include <cstdint>

struct DimGradient {
    std::uint32_t startArgb = 0;  // at (x0, y0)
    std::uint32_t endArgb = 0;    // at (x1, y1)
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

enum class DimKind {
    Switcher,  // the monitor under the pointer, behind the thumbnails
    Panel,     // every other monitor (a little lighter at its far end)
};

struct DimPair {
    DimGradient first;
    DimGradient second;
};

// The two gradients over a picture of `width` by `height`; each choice is 0, 1 or 2 (taken modulo 3).
DimPair DimGradients(DimKind kind, unsigned firstChoice, unsigned secondChoice, int width, int height);

// Lays both gradients, first the one then the other, over opaque 32-bit pixels (0xAARRGGBB; the alpha of the
// result is 0xFF). `rows` points at the top row; `stride` is the distance in pixels from one row to the one
// below it (negative for a bottom-up bitmap). Each pixel takes the gradient's colour at its centre.
void DimPixels(std::uint32_t* rows, std::ptrdiff_t stride, int width, int height, const DimPair& gradients);
