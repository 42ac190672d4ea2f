// The settings window's figures, measured where it runs:
//   1. time from process start to the first frame of the settings window (the program's own trace line
//      "first-frame", written in test builds, measured from the process's creation time);
//   2. a full paint of the settings window and a hover repaint (only the markers change), render and present
//      separately;
//   3. RegionFromBitmap on the background picture (PNG 129);
//   4. the first frame of a new settings window at 96 and at 192 DPI (the scale handed in directly, since a
//      Wine desktop has one DPI), and the paints and the region of item 2 and 3 at 192 DPI beside them.
#include "bench/BenchSupport_win.h"
#include "mainwindow/SettingsView_win.h"
#include "overlays/ImageCache_win.h"
#include "overlays/Image_win.h"
#include "overlays/ZuTipDLG_win.h"
#include "shell/AppModel_win.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

bool RunAndWait(const std::wstring& commandLine, DWORD timeoutMs, HANDLE* keepProcess = nullptr) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    if (keepProcess) {
        *keepProcess = pi.hProcess;
        return true;
    }
    bool ended = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(pi.hProcess);
    return ended;
}

// The "first-frame" line of a trace file: "<ms since process start> first-frame".
bool ReadFirstFrame(const std::wstring& trace, double& ms) {
    std::ifstream in(trace.c_str());
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(" first-frame") != std::string::npos) {
            ms = std::atof(line.c_str());
            return true;
        }
    }
    return false;
}

// Starts `commandLine` with the trace going to a fresh file and waits for its "first-frame" line; the
// process is left running in `*process`. False when it could not start or drew nothing within 20 s.
bool StartToFirstFrame(const std::wstring& commandLine, double& ms, HANDLE* process) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring trace = std::wstring(temp) + L"orvel-bench-trace.txt";
    DeleteFileW(trace.c_str());
    SetEnvironmentVariableW(L"ORVEL_TRACE", trace.c_str());
    // The test build's other trace lines are work the product does not do.
    SetEnvironmentVariableW(L"ORVEL_TRACE_ONLY", L"first-frame");
    const bool started = RunAndWait(commandLine, 0, process);
    SetEnvironmentVariableW(L"ORVEL_TRACE_ONLY", nullptr);
    SetEnvironmentVariableW(L"ORVEL_TRACE", nullptr);
    if (!started) return false;
    bool seen = false;
    for (double until = NowMs() + 20000; !seen && NowMs() < until; Sleep(20)) seen = ReadFirstFrame(trace, ms);
    return seen;
}

// The program's start-up to its first frame, and the baseline's (bench/baseline, beside the program as
// orvel_baseline.exe: GDI+ and one layered window) under the same Wine, the runs taking turns so that both
// see the same machine; the ratio of the medians is the figure that survives a noisy machine.
void StartupFigures(const std::wstring& program) {
    if (program.empty()) return;
    const int runs = 5;
    const std::wstring baseline = program.substr(0, program.find_last_of(L"\\/") + 1) + L"orvel_baseline.exe";
    const bool haveBaseline = GetFileAttributesW(baseline.c_str()) != INVALID_FILE_ATTRIBUTES;
    Figures startup, baselineStartup;
    for (int run = 0; run < runs; ++run) {
        double ms = 0;
        HANDLE process = nullptr;
        const bool seen = StartToFirstFrame(L"\"" + program + L"\"", ms, &process);
        if (!process) {
            std::printf("start-up: cannot start the program\n");
            return;
        }
        RunAndWait(L"\"" + program + L"\" /close", 10000);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
        if (seen) startup.Add(ms);

        if (!haveBaseline) continue;
        process = nullptr;
        if (StartToFirstFrame(L"\"" + baseline + L"\"", ms, &process)) baselineStartup.Add(ms);
        if (process) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 10000);
            CloseHandle(process);
        }
    }
    PrintFigure("start-up to first frame", startup);
    if (!baselineStartup.values.empty() && !startup.values.empty()) {
        PrintFigure("baseline start-up to first frame", baselineStartup);
        std::printf("start-up ratio (program / baseline, medians): %.2f\n",
                    startup.Median() / baselineStartup.Median());
        std::fflush(stdout);
    }
}

struct PaintBench {
    ProgramWindows windows;  // none: the benchmark opens no picker
    AppModel model;
    std::unique_ptr<SettingsView> view;
    LayeredPaintTimings last;
};
PaintBench* Bench = nullptr;

LRESULT PaintOnce(HWND) {
    Bench->view->Paint(&Bench->last);
    return 0;
}

// One paint of the window, returned with its cost.
LayeredPaintTimings PaintNow(HWND hwnd) {
    Bench->last = LayeredPaintTimings{};
    UpdateWindow(hwnd);
    return Bench->last;
}

// A mouse move as the settings window's message loop hands it to the view.
void MoveTo(HWND hwnd, int x, int y) {
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = WM_MOUSEMOVE;
    msg.lParam = MAKELPARAM(x, y);
    Bench->view->PreTranslate(msg);
}

// The first frame of a settings window that has just been made at `dpi`: the background for that scale, its
// unchanging layers (the photograph decoded among them) and the frame, then the paint that presents it, with
// every picture decoded anew each time (the program decodes them once, when the window first shows).
void FirstFrameFigures(int dpi) {
    const DisplayScale scale = DisplayScale::FromDpi(dpi);
    const PixelSize size = SettingsWindowSize(scale);
    PaintBench bench;
    BuildFunctionCatalogue(bench.model);
    Bench = &bench;
    Figures first;
    for (int i = 0; i < 12; ++i) {
        ReleaseCachedPngs();
        HWND hwnd = CreateBenchWindow(0, 0, size.width, size.height, PaintOnce);
        const double start = NowMs();
        bench.view = std::make_unique<SettingsView>(hwnd, nullptr, bench.windows, bench.model);
        bench.view->SetScale(scale);
        if (!bench.view->LoadPictures()) {
            std::printf("settings first frame: PNG 129 missing\n");
            bench.view.reset();
            DestroyWindow(hwnd);
            break;
        }
        bench.view->PrepareStaticLayer();
        bench.view->PrepareFrame();
        InvalidateRect(hwnd, nullptr, FALSE);
        const LayeredPaintTimings t = PaintNow(hwnd);
        if (t.presented && i > 0) first.Add(NowMs() - start);  // the first round also finds fonts and code
        bench.view.reset();
        DestroyWindow(hwnd);
    }
    char label[96];
    std::snprintf(label, sizeof label, "settings first frame at %d DPI (%dx%d)", dpi, size.width, size.height);
    PrintFigure(label, first);
    ReleaseCachedPngs();
    Bench = nullptr;
}

// A full paint and a hover repaint at `dpi`; at 96 DPI under the figures' long-standing names.
void PaintFiguresAt(int dpi) {
    const DisplayScale scale = DisplayScale::FromDpi(dpi);
    const PixelSize size = SettingsWindowSize(scale);
    PaintBench bench;
    BuildFunctionCatalogue(bench.model);
    Bench = &bench;
    HWND hwnd = CreateBenchWindow(100, 100, size.width, size.height, PaintOnce);
    bench.view = std::make_unique<SettingsView>(hwnd, nullptr, bench.windows, bench.model);
    bench.view->SetScale(scale);
    if (!bench.view->LoadPictures()) {
        std::printf("settings paint: PNG 129 missing\n");
        DestroyWindow(hwnd);
        return;
    }
    Figures fullRender, fullPresent, hoverRender, hoverPresent;
    for (int i = 0; i < 40; ++i) {
        bench.view->ForgetPreparedLayers();
        InvalidateRect(hwnd, nullptr, FALSE);
        LayeredPaintTimings t = PaintNow(hwnd);
        if (t.presented) {
            fullRender.Add(t.renderMs);
            fullPresent.Add(t.presentMs);
        }
    }
    // A hover over bt3's marker and away again: each change repaints the markers only.
    for (int i = 0; i < 40; ++i) {
        if (i % 2 == 0) {
            MoveTo(hwnd, scale.Px(240), scale.Px(272));
        } else {
            MoveTo(hwnd, scale.Px(100), scale.Px(420));
        }
        LayeredPaintTimings t = PaintNow(hwnd);
        if (t.presented) {
            hoverRender.Add(t.renderMs);
            hoverPresent.Add(t.presentMs);
        }
    }
    HideTip(1);
    DestroyWindow(hwnd);
    const std::string at = scale.IsIdentity() ? std::string() : " at " + std::to_string(dpi) + " DPI";
    PrintFigure(("settings full paint, render" + at).c_str(), fullRender);
    PrintFigure(("settings hover repaint, render" + at).c_str(), hoverRender);
    PrintFigure(("settings full paint, present" + at).c_str(), fullPresent);
    PrintFigure(("settings hover repaint, present" + at).c_str(), hoverPresent);

    Figures region;
    for (int i = 0; i < 30 && bench.view->Background(); ++i) {
        double start = NowMs();
        UniqueRegion rgn = RegionFromBitmap(*bench.view->Background());
        region.Add(NowMs() - start);
    }
    PrintFigure(scale.IsIdentity() ? "RegionFromBitmap(PNG 129)"
                                   : ("RegionFromBitmap(background" + at + ")").c_str(),
                region);
    bench.view.reset();
    ReleaseCachedPngs();
    Bench = nullptr;
}

void PaintFigures(const std::wstring&) {
    // The first frame at 200 % beside 100 % in one run: the same machine, the same moment.
    FirstFrameFigures(96);
    FirstFrameFigures(192);
    PaintFiguresAt(96);
    PaintFiguresAt(192);
}

// The start-up alone (ORVEL_BENCH_ONLY=startup): runs first and ends the benchmark.
void StartupOnly(const std::wstring& program) {
    RunAloneIfAsked("startup", StartupFigures, program);
}

// The settings window's paints alone (ORVEL_BENCH_ONLY=settings): its first frame at 96 and 192 DPI and the
// paints at both, then the benchmark ends.
void SettingsOnly(const std::wstring& program) {
    RunAloneIfAsked("settings", PaintFigures, program);
}

}  // namespace

ORVEL_BENCH_FIGURE(-998, StartupOnly);
ORVEL_BENCH_FIGURE(-997, SettingsOnly);
ORVEL_BENCH_FIGURE(10, StartupFigures);
ORVEL_BENCH_FIGURE(20, PaintFigures);
