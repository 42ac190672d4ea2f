#include "overlays/BoardSurface_win.h"

#include "toolkit/Dib_win.h"
#include "toolkit/Trace_win.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

// Far above any monitor (an 8K one is 2^25 pixels); keeps the byte count within the 32-bit build's reach.
constexpr uint64_t kMaxBoardPixels = uint64_t(1) << 26;

}  // namespace

bool BoardSurface::Create(int width, int height) {
    Release();
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > kMaxBoardPixels) return false;
#if defined(ORVEL_TEST_HOOKS)
    if (NextBoardPictureRefused()) return false;
#endif
    dc_.Reset(CreateCompatibleDC(nullptr));
    if (!dc_) return false;
    void* bits = nullptr;
    bitmap_.Reset(CreateDib32(width, height, true, &bits));  // top-down, as the raster code reads the rows
    if (!bitmap_ || !bits) {
        Release();
        return false;
    }
    previous_ = SelectObject(dc_.Get(), bitmap_.Get());
    if (!previous_ || previous_ == HGDI_ERROR) {
        previous_ = nullptr;
        Release();
        return false;
    }
    // A fresh section is zero already (the system hands out cleared pages); nothing to clear.
    bits_ = static_cast<uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

void BoardSurface::Release() noexcept {
    if (dc_ && previous_) SelectObject(dc_.Get(), previous_);
    previous_ = nullptr;
    bitmap_.Reset();
    dc_.Reset();
    bits_ = nullptr;
    width_ = height_ = 0;
}

bool CaptureScreenArea(const BoardSurface& surface, const RECT& area) {
    if (!surface) return false;
#if defined(ORVEL_TEST_HOOKS)
    if (NextScreenCaptureRefused()) return false;
#endif
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    const BOOL copied = BitBlt(surface.Dc(), 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left,
                               area.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    // The copy must have landed before the pixels are touched directly.
    GdiFlush();
    ForceOpaque(surface.Pixels());
    return copied != FALSE;
}

#if defined(ORVEL_TEST_HOOKS)
bool NextBoardPictureRefused() {
    static unsigned made = 0;  // the board's thread only
    ++made;
    if (made == TestSwitchMs(L"ORVEL_TEST_BOARD_ALLOC_FAIL")) {
        ORVEL_TRACE("board-picture %u throws", made);
        throw std::bad_alloc();
    }
    const bool refused = made == TestSwitchMs(L"ORVEL_TEST_BOARD_DIB_REFUSED");
    if (refused) ORVEL_TRACE("board-picture %u refused", made);
    return refused;
}

bool NextScreenCaptureRefused() {
    static unsigned taken = 0;  // the board's thread only
    ++taken;
    const bool refused = taken == TestSwitchMs(L"ORVEL_TEST_BOARD_CAPTURE_FAIL");
    if (refused) ORVEL_TRACE("board-capture %u refused", taken);
    return refused;
}
#endif
