#include "toolkit/DibSurface_win.h"

#include <utility>

DibSurface::DibSurface(DibSurface&& other) noexcept
    : dc_(std::move(other.dc_)),
      bitmap_(std::move(other.bitmap_)),
      previous_(std::exchange(other.previous_, nullptr)),
      bits_(std::exchange(other.bits_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

DibSurface& DibSurface::operator=(DibSurface&& other) noexcept {
    if (this != &other) {
        Release();
        dc_ = std::move(other.dc_);
        bitmap_ = std::move(other.bitmap_);
        previous_ = std::exchange(other.previous_, nullptr);
        bits_ = std::exchange(other.bits_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

bool DibSurface::Create(int width, int height, Rows rows, uint64_t maxPixels) {
    Release();
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > maxPixels) return false;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDib32(width, height, rows == Rows::TopDown, &bits));
    if (!bitmap || !bits) return false;
    return Select(std::move(bitmap), bits, width, height);
}

bool DibSurface::Adopt(UniqueBitmap bitmap) {
    Release();
    if (!bitmap) return false;
    BITMAP facts{};
    if (!GetObjectW(bitmap.Get(), sizeof(facts), &facts)) return false;
    return Select(std::move(bitmap), nullptr, facts.bmWidth, facts.bmHeight < 0 ? -facts.bmHeight : facts.bmHeight);
}

bool DibSurface::Select(UniqueBitmap bitmap, void* bits, int width, int height) {
    dc_.Reset(CreateCompatibleDC(nullptr));
    if (!dc_) return false;
    previous_ = SelectObject(dc_.Get(), bitmap.Get());
    if (!previous_ || previous_ == HGDI_ERROR) {
        previous_ = nullptr;
        dc_.Reset();
        return false;
    }
    bitmap_ = std::move(bitmap);
    bits_ = bits;
    width_ = width;
    height_ = height;
    return true;
}

void DibSurface::Release() noexcept {
    if (dc_ && previous_) SelectObject(dc_.Get(), previous_);
    previous_ = nullptr;
    bitmap_.Reset();
    dc_.Reset();
    bits_ = nullptr;
    width_ = height_ = 0;
}
