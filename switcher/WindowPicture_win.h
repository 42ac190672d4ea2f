#pragma once
// A window's picture of itself, with a bound on the wait. PrintWindow has none: it returns when the window
// has painted itself into our DC, and a window that answers every other message (WM_NULL among them) may
// still never come back from WM_PRINT. So the picture is painted on a thread of its own, waited for only so
// long; a thread that does not come back stays in that window, and that window is not asked again while it
// is there, so there is at most one such thread per window that hangs, however many overviews follow. A
// window of the UI thread paints on the UI thread (a posted request, waited for as long): any other thread's
// PrintWindow would wait for the UI thread, and the UI thread waits for no one.
//
// Threads: any thread. The waits are bounded and end when the program stops; on the UI thread itself its own
// windows are pictured at once.
#include "toolkit/Handle_win.h"

#include <windows.h>

#include <cstdint>

enum class PictureOutcome {
    Painted,     // the picture is there
    Nothing,     // the window painted nothing, or no picture could be made
    TimedOut,    // not finished within the limit (or the program stops); the picture is dropped when it comes
    StillAsked,  // an earlier request has not come back from this window: it is not asked again meanwhile
};

struct WindowPicture {
    UniqueBitmap picture;  // a 32-bit top-down DIB section of the size asked, when Painted
    void* bits = nullptr;  // its pixels
    PictureOutcome outcome = PictureOutcome::Nothing;
};

// A 32-bit top-down DIB section for a picture of a window or of a monitor; `bits` gets its pixels. Null when
// it cannot be made (or is larger than any monitor, which the 32-bit build could not address). Any thread.
HBITMAP CreatePictureBitmap(int width, int height, void** bits);

// Before PrintWindow: every pixel set to a value no painting leaves behind. After it: false when the window
// painted nothing at all (under Wine, PrintWindow of another process's window reports success and paints
// nothing); otherwise what it left unpainted becomes opaque black.
void MarkUnpainted(std::uint32_t* pixels, long long count);
bool SettlePainted(std::uint32_t* pixels, long long count);

// A window of the program that is layered hands over the frame it last presented instead: its WM_PRINT does
// not draw what it shows. Asked on the UI thread, the window's own.
class ShownFrameSource {
public:
    // Copies the frame shown into `dc` (width x height); false when there is none.
    virtual bool CopyShownFrame(HDC dc, int width, int height) = 0;

protected:
    ~ShownFrameSource() = default;
};

// How long a window may take to paint itself, or the UI thread to answer, before the window counts as not
// answering. Far beyond what painting takes; short enough that an overview waits for a hung window once
// for about a second, and the user's Escape does not wait for it at all.
constexpr DWORD kPictureLimitMs = 1000;

struct PictureRequest {
    int width = 0;
    int height = 0;
    UINT flags = 0;         // PrintWindow's: 0 for the whole window, PW_CLIENTONLY
    POINT origin = {0, 0};  // where the window's top-left corner goes in the picture
};

// The picture `window` paints of itself. `uiThread`: the thread whose windows are pictured on it (0: none).
WindowPicture PictureOfWindow(HWND window, const PictureRequest& request, DWORD uiThread,
                              DWORD limitMs = kPictureLimitMs);
