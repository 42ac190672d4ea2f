#pragma once
// What the benchmark's figure files share. Each file registers its figures with ORVEL_BENCH_FIGURE; the
// benchmark runs them in their order and prints each as one line
//     name: median X ms (min Y, max Z; N runs)
// so that figures measured in one run stand side by side.
#include "toolkit/Clock_win.h"

#include <windows.h>

#include <string>
#include <vector>

struct Figures {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    double Median() const;
    double Min() const;
    double Max() const;
};

// Runs this thread's messages until `done` holds or `ms` have passed; true when it held. Not all that is
// waited for comes as a message (a thread ending): `done` is also asked every 2 ms.
template <class Done>
bool PumpUntil(DWORD ms, Done done) {
    const double end = NowMs() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        const double left = end - NowMs();
        if (left <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left) + 1 < 2 ? DWORD(left) + 1 : 2, QS_ALLINPUT);
    }
}

// Prints one figure line.
void PrintFigure(const char* name, const Figures& figures);

// A figure function; `program` is the path of OrvelMouseAssistant.exe given on the command line (may be
// empty: figures that start the program skip themselves then).
using BenchFunction = void (*)(const std::wstring& program);
bool RegisterBenchFigure(int order, BenchFunction function);
#define ORVEL_BENCH_FIGURE(order, function) \
    static const bool function##Registered [[maybe_unused]] = RegisterBenchFigure(order, function)

// ORVEL_BENCH_ONLY=`name` asks for `figures` alone: when it does, they run and the benchmark ends here; when it
// does not, nothing happens. Each file's "alone" entry registers itself first (a negative order) and calls this.
void RunAloneIfAsked(const char* name, BenchFunction figures, const std::wstring& program);

// A figure that needs a process of its own (a first use, which a process has only once): the benchmark runs
// itself as `orvel_bench --child NAME` once per run, and the child's exit code is its figure in microseconds
// (0 or less: nothing measured).
using BenchChild = int (*)();
bool RegisterBenchChild(const wchar_t* name, BenchChild child);
#define ORVEL_BENCH_CHILD(name, function) \
    static const bool function##Registered [[maybe_unused]] = RegisterBenchChild(name, function)
// Runs the child `name` `runs` times, each in a fresh process; the figures of the runs that measured.
Figures RunBenchChild(const wchar_t* name, int runs);

// A plain layered pop-up for painting benchmarks, shown without activation at (x, y); its WM_PAINT calls
// `paint`. Destroyed by DestroyWindow.
HWND CreateBenchWindow(int x, int y, int width, int height, LRESULT (*paint)(HWND), DWORD exStyle = WS_EX_LAYERED);
