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

void ReleaseCachedPngs() { Cache().clear(); }
