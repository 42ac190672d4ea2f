#include "overlays/ImageCache_win.h"

#include <map>

namespace {
std::map<int, PngImage>& Cache() {
    static std::map<int, PngImage> cache;
    return cache;
}
}  // namespace

const PngImage& CachedPng(int id) {
    auto found = Cache().find(id);
    if (found != Cache().end()) return found->second;
    return Cache().emplace(id, LoadPngResource(id)).first->second;
}

const PngImage& CachedArt(int id, ArtStep step) {
    if (step != ArtStep::x1) {
        const PngImage& larger = CachedPng(ArtResourceId(id, step));
        if (larger) return larger;
    }
    return CachedPng(id);
}

void AdoptCachedPng(int id, PngImage image) {
    if (image) Cache().emplace(id, std::move(image));
}

void ReleaseCachedArt(int id) {
    for (ArtStep step : {ArtStep::x1, ArtStep::x1_5, ArtStep::x2}) Cache().erase(ArtResourceId(id, step));
}

void ReleaseCachedPngs() { Cache().clear(); }
