#include "shell/DisplayScale.h"

#include <cstdlib>

namespace {
// Windows offers 100 % to 500 %; anything outside a generous band around that is a failed query.
constexpr int kLowestDpi = 48;
constexpr int kHighestDpi = 96 * 8;
}  // namespace

DisplayScale DisplayScale::FromDpi(int dpi) {
    DisplayScale s;
    if (dpi >= kLowestDpi && dpi <= kHighestDpi) s.dpi = dpi;
    return s;
}

int DisplayScale::Px(int v) const {
    if (v == 0) return 0;
    const long long scaled = static_cast<long long>(std::llabs(v)) * dpi;
    long long r = (scaled + 48) / 96;
    if (r == 0) r = 1;
    return static_cast<int>(v < 0 ? -r : r);
}

ArtStep DisplayScale::Art() const {
    if (dpi <= 96) return ArtStep::x1;
    if (dpi <= 144) return ArtStep::x1_5;
    return ArtStep::x2;
}

int ArtResourceId(int id, ArtStep step) {
    switch (step) {
    case ArtStep::x1: return id;
    case ArtStep::x1_5: return id + kArtIdStep15;
    case ArtStep::x2: return id + kArtIdStep2;
    }
    return id;
}

float ArtFactor(ArtStep step) {
    switch (step) {
    case ArtStep::x1: return 1.0f;
    case ArtStep::x1_5: return 1.5f;
    case ArtStep::x2: return 2.0f;
    }
    return 1.0f;
}
