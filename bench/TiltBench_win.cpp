// The tilt wheel's figure, measured with the program running: the time from a horizontal-wheel notch sent
// with SendInput to the WM_HSCROLL it becomes at a focused window beside a horizontal scroll bar. The notch
// goes through the program's low-level hook (which swallows it and wakes the tilt thread) and its tilt thread
// (which looks at the focused application and posts the command). ORVEL_BENCH_ONLY=tilt runs it alone.
#include "bench/BenchSupport_win.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kRuns = 50;
constexpr DWORD kReplyMs = 2000;       // a notch that brings nothing by then counts as lost
constexpr DWORD kStartMs = 20000;      // the program's window and hook coming up
constexpr int kPlace[4] = {1000, 60, 240, 240};  // clear of the settings window in the middle of the screen

struct Seen {
    int lines = 0;  // SB_LINELEFT and SB_LINERIGHT
    int ends = 0;   // SB_ENDSCROLL
    double lineAt = 0;
};
Seen Commands;
HWND Edit = nullptr;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL) {
        if (LOWORD(wParam) == SB_ENDSCROLL) {
            ++Commands.ends;
        } else {
            Commands.lineAt = NowMs();
            ++Commands.lines;
        }
        return 0;
    }
    if (message == WM_SETFOCUS && Edit) {
        SetFocus(Edit);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HANDLE StartProcess(const std::wstring& commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

void Tilt(int delta) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_HWHEEL;
    input.mi.mouseData = DWORD(delta);
    SendInput(1, &input, sizeof input);
}

// One notch and its command; milliseconds, or a negative value when nothing came.
double OneTilt(int delta) {
    const Seen before = Commands;
    const double sent = NowMs();
    Tilt(delta);
    if (!PumpUntil(kReplyMs, [&] { return Commands.lines > before.lines; })) return -1;
    const double ms = Commands.lineAt - sent;
    // The end of the scroll follows; then the thread waits again, and the next pulse finds it waiting.
    PumpUntil(kReplyMs, [&] { return Commands.ends > before.ends; });
    PumpUntil(20, [] { return false; });
    return ms;
}

void TiltFigures(const std::wstring& program) {
    if (program.empty()) return;
    const char* name = "tilt to WM_HSCROLL";
    HANDLE process = StartProcess(L"\"" + program + L"\"");
    if (!process) {
        std::printf("%s: cannot start the program\n", name);
        return;
    }
    // The settings window comes up first, with its first frame; the rest of the start-up follows, and under
    // Wine the dialog manager's focus at its end takes the foreground back. The helper takes it after that.
    PumpUntil(kStartMs, [] {
        HWND main = FindWindowW(nullptr, L"Orvel Mouse Assistant");
        return main && IsWindowVisible(main);
    });
    PumpUntil(1000, [] { return false; });

    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"OrvelTiltBenchFrame";
    RegisterClassW(&wc);
    const int x = kPlace[0], y = kPlace[1], w = kPlace[2], h = kPlace[3];
    HWND frame = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"tilt bench", WS_POPUP | WS_VISIBLE | WS_BORDER, x,
                                 y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
    Edit = frame ? CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 10, 10, w - 20, 24, frame, nullptr,
                                   wc.hInstance, nullptr)
                 : nullptr;
    HWND bar = frame ? CreateWindowExW(0, L"ScrollBar", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, h - 20, w, 16,
                                       frame, nullptr, wc.hInstance, nullptr)
                     : nullptr;
    Figures figures;
    int lost = 0;
    if (frame && Edit && bar) {
        SetForegroundWindow(frame);
        SetFocus(Edit);
        SetCursorPos(x + w / 2, y + h / 2);
        const bool foreground = PumpUntil(2000, [&] { return GetForegroundWindow() == frame; });
        // The hook comes up a little after the window: notches until the first command arrives.
        bool ready = false;
        for (double until = NowMs() + kStartMs; foreground && !ready && NowMs() < until;) ready = OneTilt(120) >= 0;
        if (!foreground) {
            std::printf("%s: the helper window could not take the foreground\n", name);
        } else if (!ready) {
            std::printf("%s: no WM_HSCROLL came for a tilt\n", name);
        } else {
            for (int run = 0; run < kRuns; ++run) {
                const double ms = OneTilt(run % 2 ? -120 : 120);
                if (ms >= 0) {
                    figures.Add(ms);
                } else {
                    ++lost;
                }
            }
        }
        DestroyWindow(frame);
    }
    Edit = nullptr;
    UnregisterClassW(wc.lpszClassName, wc.hInstance);

    if (HANDLE closer = StartProcess(L"\"" + program + L"\" /close")) {
        WaitForSingleObject(closer, 10000);
        CloseHandle(closer);
    }
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    if (!figures.values.empty()) PrintFigure(name, figures);
    if (lost) std::printf("%s: %d of %d tilts brought no command within %lu ms\n", name, lost, kRuns, kReplyMs);
}

// The tilt alone (ORVEL_BENCH_ONLY=tilt): runs first and ends the benchmark.
void TiltOnly(const std::wstring& program) {
    RunAloneIfAsked("tilt", TiltFigures, program);
}

}  // namespace

ORVEL_BENCH_FIGURE(-996, TiltOnly);
ORVEL_BENCH_FIGURE(50, TiltFigures);
