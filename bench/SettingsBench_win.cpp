// The settings window's figures, measured where it runs:
//   1. time from process start to the first frame of the settings window (the program's own trace line
//      "first-frame", written in test builds, measured from the process's creation time);
//   2. a full paint of the settings window and a hover repaint (only the markers change), render and present
//      separately;
//   3. RegionFromBitmap on the background picture (PNG 129).
#include "bench/BenchSupport_win.h"
#include "mainwindow/SettingsView_win.h"
#include "overlays/ImageCache_win.h"
#include "overlays/Image_win.h"
#include "overlays/ZuTipDLG_win.h"
#include "shell/AppModel_win.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

void StartupFigures(const std::wstring& program) {
    if (program.empty()) return;
    const int runs = 5;
    Figures startup;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (int run = 0; run < runs; ++run) {
        std::wstring trace = std::wstring(temp) + L"orvel-bench-trace.txt";
        DeleteFileW(trace.c_str());
        SetEnvironmentVariableW(L"ORVEL_TRACE", trace.c_str());
        HANDLE process = nullptr;
        if (!RunAndWait(L"\"" + program + L"\"", 0, &process)) {
            std::printf("start-up: cannot start the program\n");
            return;
        }
        double ms = 0;
        bool seen = false;
        for (double until = NowMs() + 20000; !seen && NowMs() < until; Sleep(20)) seen = ReadFirstFrame(trace, ms);
        SetEnvironmentVariableW(L"ORVEL_TRACE", nullptr);
        RunAndWait(L"\"" + program + L"\" /close", 10000);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
        if (seen) startup.Add(ms);
    }
    PrintFigure("start-up to first frame", startup);
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

void PaintFigures(const std::wstring&) {
    PaintBench bench;
    BuildFunctionCatalogue(bench.model);
    Bench = &bench;
    HWND hwnd = CreateBenchWindow(100, 100, 670, 500, PaintOnce);
    bench.view = std::make_unique<SettingsView>(hwnd, nullptr, bench.windows, bench.model);
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
            MoveTo(hwnd, 240, 272);
        } else {
            MoveTo(hwnd, 100, 420);
        }
        LayeredPaintTimings t = PaintNow(hwnd);
        if (t.presented) {
            hoverRender.Add(t.renderMs);
            hoverPresent.Add(t.presentMs);
        }
    }
    HideTip(1);
    DestroyWindow(hwnd);
    PrintFigure("settings full paint, render", fullRender);
    PrintFigure("settings hover repaint, render", hoverRender);
    PrintFigure("settings full paint, present", fullPresent);
    PrintFigure("settings hover repaint, present", hoverPresent);

    Figures region;
    PngImage background = LoadPngResource(IDB_BACKGROUND);
    for (int i = 0; i < 30 && background; ++i) {
        double start = NowMs();
        UniqueRegion rgn = RegionFromBitmap(*background);
        region.Add(NowMs() - start);
    }
    PrintFigure("RegionFromBitmap(PNG 129)", region);
    bench.view.reset();
    ReleaseCachedPngs();
    Bench = nullptr;
}

}  // namespace

ORVEL_BENCH_FIGURE(10, StartupFigures);
ORVEL_BENCH_FIGURE(20, PaintFigures);
