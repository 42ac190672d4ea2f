#pragma once
// The scale a window draws at: the DPI of the monitor it is on, against the 96 every pixel figure of this
// program is written for. Each window keeps its own (a presenter's laptop and projector differ), the layouts
// take it as an input, and at 96 every figure comes out as written. Portable.

// How large the artwork is drawn: the PNGs come in three sizes, and a window picks the smallest one that is
// at least as large as it needs, so that a picture is only ever drawn at its size or smaller, never blown up
// from 1x (above 2x the 2x one is the best there is).
enum class ArtStep { x1, x1_5, x2 };

struct DisplayScale {
    int dpi = 96;

    // 96 for anything that is not a plausible DPI (a system that reports 0 or nonsense draws at 100 %).
    static DisplayScale FromDpi(int dpi);

    bool IsIdentity() const { return dpi == 96; }
    float Factor() const { return static_cast<float>(dpi) / 96.0f; }

    // A 96-DPI pixel figure at this scale, rounded half away from zero; a figure that is not zero stays at
    // least one pixel (a hairline at 100 % must not vanish), with its sign.
    int Px(int v) const;
    float Pxf(float v) const { return v * Factor(); }

    ArtStep Art() const;

    bool operator==(const DisplayScale& o) const { return dpi == o.dpi; }
    bool operator!=(const DisplayScale& o) const { return dpi != o.dpi; }
};

// The resource id of picture `id` in `step`: the 1x picture keeps its id, the 1.5x one is 1000 above it and
// the 2x one 2000 above.
constexpr int kArtIdStep15 = 1000;
constexpr int kArtIdStep2 = 2000;
int ArtResourceId(int id, ArtStep step);

// How many times larger than 1x a picture of `step` is: 1, 1.5 or 2.
float ArtFactor(ArtStep step);
