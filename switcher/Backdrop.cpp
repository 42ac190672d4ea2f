#include "switcher/Backdrop.h"

#include <algorithm>

namespace {

struct Points {
    int x0, y0, x1, y1;
};

// The three directions of each gradient.
Points FirstPoints(unsigned choice, int w, int h) {
    switch (choice % 3) {
    case 0: return {0, 0, w, h};
    case 1: return {0, h, w, 0};
    default: return {w, h, 0, 0};
    }
}

Points SecondPoints(unsigned choice, int w, int h) {
    switch (choice % 3) {
    case 0: return {0, h, 0, 0};
    case 1: return {0, 0, 0, h};
    default: return {w, 0, 0, 0};
    }
}

DimGradient Make(std::uint32_t start, std::uint32_t end, Points p) { return {start, end, p.x0, p.y0, p.x1, p.y1}; }

// One gradient over one row, from its colour along the line between its points.
struct Ramp {
    float t0;      // position along the gradient at the centre of the row's first pixel
    float dtdx;    // change per pixel to the right
    float dtdy;    // change per row down
    float a0, da;  // alpha (0..1) at t = 0, and its change to t = 1
    float r0, dr, g0, dg, b0, db;

    Ramp(const DimGradient& g) {
        const float vx = float(g.x1 - g.x0), vy = float(g.y1 - g.y0);
        const float length2 = vx * vx + vy * vy;
        const float inv = length2 > 0 ? 1.0f / length2 : 0.0f;
        dtdx = vx * inv;
        dtdy = vy * inv;
        t0 = ((0.5f - float(g.x0)) * vx + (0.5f - float(g.y0)) * vy) * inv;
        auto channel = [](std::uint32_t c, int shift) { return float((c >> shift) & 0xFF) / 255.0f; };
        a0 = channel(g.startArgb, 24);
        da = channel(g.endArgb, 24) - a0;
        r0 = channel(g.startArgb, 16) * 255.0f;
        dr = channel(g.endArgb, 16) * 255.0f - r0;
        g0 = channel(g.startArgb, 8) * 255.0f;
        dg = channel(g.endArgb, 8) * 255.0f - g0;
        b0 = channel(g.startArgb, 0) * 255.0f;
        db = channel(g.endArgb, 0) * 255.0f - b0;
    }
};

inline void Blend(const Ramp& ramp, float t, float& r, float& g, float& b) {
    t = std::min(1.0f, std::max(0.0f, t));
    const float a = ramp.a0 + ramp.da * t;
    r = r * (1 - a) + (ramp.r0 + ramp.dr * t) * a;
    g = g * (1 - a) + (ramp.g0 + ramp.dg * t) * a;
    b = b * (1 - a) + (ramp.b0 + ramp.db * t) * a;
}

inline std::uint32_t Pack(float r, float g, float b) {
    auto byte = [](float v) { return std::uint32_t(std::min(255.0f, std::max(0.0f, v + 0.5f))); };
    return 0xFF000000u | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

}  // namespace

DimPair DimGradients(DimKind kind, unsigned firstChoice, unsigned secondChoice, int width, int height) {
    const std::uint32_t firstEnd = kind == DimKind::Switcher ? 0x80000000u : 0x4A000000u;
    return {Make(0xFF000000u, firstEnd, FirstPoints(firstChoice, width, height)),
            Make(0xC8000000u, 0x16000000u, SecondPoints(secondChoice, width, height))};
}

void DimPixels(std::uint32_t* rows, std::ptrdiff_t stride, int width, int height, const DimPair& gradients) {
    if (!rows || width <= 0 || height <= 0) return;
    const Ramp first(gradients.first), second(gradients.second);
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = rows + stride * y;
        float t1 = first.t0 + first.dtdy * float(y);
        float t2 = second.t0 + second.dtdy * float(y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[x];
            float r = float((p >> 16) & 0xFF), g = float((p >> 8) & 0xFF), b = float(p & 0xFF);
            Blend(first, t1, r, g, b);
            Blend(second, t2, r, g, b);
            row[x] = Pack(r, g, b);
            t1 += first.dtdx;
            t2 += second.dtdx;
        }
    }
}
