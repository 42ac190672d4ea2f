#include "overlays/BoardSurface_win.h"

#include "toolkit/Scopes_win.h"
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
    // A fresh section is zero already (the system hands out cleared pages); nothing to clear.
    return dib_.Create(width, height, DibSurface::Rows::TopDown, kMaxBoardPixels);
}

bool CaptureScreenArea(const BoardSurface& surface, const RECT& area) {
    if (!surface) return false;
#if defined(ORVEL_TEST_HOOKS)
    if (NextScreenCaptureRefused()) return false;
#endif
    BOOL copied = FALSE;
    {
        ScreenDc screen;
        if (!screen) return false;
        copied = BitBlt(surface.Dc(), 0, 0, area.right - area.left, area.bottom - area.top, screen.Get(), area.left,
                        area.top, SRCCOPY | CAPTUREBLT);
    }
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
