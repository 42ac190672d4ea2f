#pragma once
// The board's pictures in memory: 32-bit DIB sections held top-down (row 0 is the top row), each selected
// into a memory device context so that the screen can be copied in and finished rectangles copied out to
// the window. The portable raster code works on their pixels directly.
//
// Threads: main thread only, like the board.
#include "overlays/BoardRaster.h"
#include "toolkit/DibSurface_win.h"

class BoardSurface {
public:
    BoardSurface() = default;
    BoardSurface(const BoardSurface&) = delete;
    BoardSurface& operator=(const BoardSurface&) = delete;

    // All pixels 0 (fully transparent) when made. False, and empty, when the system refuses (no memory,
    // a size of nothing, or more pixels than the 32-bit build can address).
    bool Create(int width, int height);
    void Release() noexcept { dib_.Release(); }

    explicit operator bool() const noexcept { return bool(dib_); }
    HDC Dc() const noexcept { return dib_.Dc(); }
    BoardPixels Pixels() const noexcept {
        return {static_cast<uint32_t*>(dib_.Bits()), dib_.Width(), dib_.Height()};
    }
    int Width() const noexcept { return dib_.Width(); }
    int Height() const noexcept { return dib_.Height(); }

private:
    DibSurface dib_;  // top-down, as the raster code reads the rows
};

// Copies the screen's `area` (screen coordinates) into `surface` at its origin, layered windows included
// (CAPTUREBLT), and makes every pixel opaque. False when the copy fails.
bool CaptureScreenArea(const BoardSurface& surface, const RECT& area);

#if defined(ORVEL_TEST_HOOKS)
// Test builds count the board's picture allocations from the program's start: each surface and each snap's
// picture. The one ORVEL_TEST_BOARD_ALLOC_FAIL names throws std::bad_alloc, as `new` does in a full address
// space; true for the one ORVEL_TEST_BOARD_DIB_REFUSED names, which a surface takes as the system's refusal
// (CreateDIBSection's null). Each happens once.
bool NextBoardPictureRefused();
// The screen copies likewise: the one ORVEL_TEST_BOARD_CAPTURE_FAIL names fails as a copy from a secure
// desktop does, once.
bool NextScreenCaptureRefused();
#endif
