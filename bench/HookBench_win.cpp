// The mouse hook's own time per event: every mouse event of the desktop waits for it, so its cost is printed as
// the median, the 99th percentile and the maximum over a stream of moves, wheel notches and tilts (each tilt adds
// steps and pulses the tilt event, as in the program), beside the cost of passing an event on to the next hook
// (CallNextHookEx, which the procedure adds for every event it does not swallow).
#include "bench/BenchSupport_win.h"
#include "input/MouseHook_win.h"
#include "shell/ProcessState.h"
#include "tilt/TiltScroll_win.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Micros(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    static const double perMicro = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1e6;
    }();
    return double(to.QuadPart - from.QuadPart) / perMicro;
}

void Print(const char* name, std::vector<double>& micros) {
    std::sort(micros.begin(), micros.end());
    std::printf("%s: median %.2f us, 99th percentile %.2f us, max %.2f us (%zu events)\n", name,
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back(), micros.size());
    std::fflush(stdout);
}

void HookFigures(const std::wstring&) {
    TiltEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<double> own, passOn;
    for (int i = 0; i < 100000; ++i) {
        MSLLHOOKSTRUCT event{};
        event.pt = POINT{i % 1280, i % 800};
        WPARAM message = WM_MOUSEMOVE;
        if (i % 10 == 3) {
            message = WM_MOUSEWHEEL;
            event.mouseData = DWORD(WORD(120)) << 16;
        } else if (i % 10 == 7) {
            message = WM_MOUSEHWHEEL;
            event.mouseData = DWORD(WORD(-120)) << 16;
        }
        LARGE_INTEGER start, decided, passed;
        QueryPerformanceCounter(&start);
        const bool swallowed = HandleHookEvent(message, event);
        QueryPerformanceCounter(&decided);
        own.push_back(Micros(start, decided));
        if (!swallowed && i % 5 == 0) {
            CallNextHookEx(nullptr, HC_ACTION, message, LPARAM(&event));
            QueryPerformanceCounter(&passed);
            passOn.push_back(Micros(decided, passed));
        }
    }
    TiltSteps = 0;
    CloseHandle(TiltEvent);
    TiltEvent = nullptr;
    Print("mouse hook, own work per event", own);
    Print("mouse hook, passing an event on (CallNextHookEx)", passOn);
}

}  // namespace

ORVEL_BENCH_FIGURE(80, HookFigures);
