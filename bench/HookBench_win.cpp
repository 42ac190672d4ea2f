// The mouse hook's own time per event: every mouse event of the desktop waits for it, so its cost is printed as
// the median, the 99th percentile and the maximum over a stream of moves, wheel notches and tilts (each tilt adds
// steps, as in the program), beside the cost of passing an event on to the next hook (CallNextHookEx, which the
// procedure adds for every event it does not swallow).
//
// The answer is made of atomics alone; waking the tilt thread after a tilt (setting its own event, pulsing the
// named one for other processes) is the hook thread's work after the answer. Both are printed, and beside them
// the same stream answered with the named event's pulse inside the answer, as the hook did before, and what
// each of the two kernel calls costs on its own. With ORVEL_BENCH_ONLY=hook only these figures run.
#include "bench/BenchSupport_win.h"
#include "input/MouseHook_win.h"
#include "shell/ProcessState.h"
#include "tilt/TiltScroll_win.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kEvents = 100000;

double Micros(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    static const double perMicro = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1e6;
    }();
    return double(to.QuadPart - from.QuadPart) / perMicro;
}

void Print(const char* name, std::vector<double>& micros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    std::printf("%s: median %.2f us, 99th percentile %.2f us, max %.2f us (%zu events)\n", name,
                micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back(), micros.size());
    std::fflush(stdout);
}

// The i-th event of the stream: mostly moves, one wheel notch and one tilt in ten.
WPARAM StreamEvent(int i, MSLLHOOKSTRUCT& event) {
    event = MSLLHOOKSTRUCT{};
    event.pt = POINT{i % 1280, i % 800};
    if (i % 10 == 3) {
        event.mouseData = DWORD(WORD(120)) << 16;
        return WM_MOUSEWHEEL;
    }
    if (i % 10 == 7) {
        event.mouseData = DWORD(WORD(-120)) << 16;
        return WM_MOUSEHWHEEL;
    }
    return WM_MOUSEMOVE;
}

// One call, in microseconds.
template <class Call>
double TimeOne(Call call) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    call();
    QueryPerformanceCounter(&end);
    return Micros(start, end);
}

void HookFigures(const std::wstring&) {
    CreateTiltEvents();  // the named events and the tilt thread's own one, as the program makes them
    std::vector<double> answer, passOn, afterTilt, answerWithPulse, pulse, set;
    for (int i = 0; i < kEvents; ++i) {
        MSLLHOOKSTRUCT event;
        const WPARAM message = StreamEvent(i, event);
        bool swallowed = false;
        answer.push_back(TimeOne([&] { swallowed = HandleHookEvent(message, event); }));
        if (message == WM_MOUSEHWHEEL) afterTilt.push_back(TimeOne([] { FinishHookEvents(nullptr); }));
        if (!swallowed && i % 5 == 0) {
            passOn.push_back(TimeOne([&] { CallNextHookEx(nullptr, HC_ACTION, message, LPARAM(&event)); }));
        }
    }
    // The same stream with the named event pulsed inside the answer (the wake-up after it left out).
    for (int i = 0; i < kEvents; ++i) {
        MSLLHOOKSTRUCT event;
        const WPARAM message = StreamEvent(i, event);
        answerWithPulse.push_back(TimeOne([&] {
            HandleHookEvent(message, event);
            if (message == WM_MOUSEHWHEEL) PulseTiltEvent();
        }));
        if (message == WM_MOUSEHWHEEL) FinishHookEvents(nullptr);  // untimed: only clears what the answer left
    }
    // The two kernel calls of a wake-up, each alone (nobody waits on either here).
    HANDLE own = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    for (int i = 0; i < kEvents / 10; ++i) {
        pulse.push_back(TimeOne([] { PulseTiltEvent(); }));
        if (own) set.push_back(TimeOne([own] { SetEvent(own); }));
    }
    if (own) CloseHandle(own);
    TiltSteps = 0;
    CloseTiltEvents();
    Print("mouse hook, own work per event", answer);
    Print("mouse hook, passing an event on (CallNextHookEx)", passOn);
    Print("mouse hook's thread after a tilt's answer (waking the tilt thread)", afterTilt);
    Print("mouse hook, own work per event with the tilt pulse inside the answer (as before)", answerWithPulse);
    Print("kernel call: PulseEvent of the named tilt event", pulse);
    Print("kernel call: SetEvent of an auto-reset event", set);
}

// A look at the hook alone (ORVEL_BENCH_ONLY=hook): runs first and ends the benchmark.
void HookOnly(const std::wstring& program) {
    RunAloneIfAsked("hook", HookFigures, program);
}

}  // namespace

ORVEL_BENCH_FIGURE(-999, HookOnly);
ORVEL_BENCH_FIGURE(80, HookFigures);
