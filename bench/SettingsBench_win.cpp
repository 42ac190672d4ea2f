// The settings window's figures, measured where it runs:
//   1. time from process start to the first frame of the settings window (the program's own trace line
//      "first-frame", written in test builds, measured from the process's creation time);
//   2. one full paint of the settings window, render and present separately;
//   3. RegionFromBitmap on the background picture (PNG 129).
#include "bench/BenchSupport_win.h"
#include "mainwindow/SettingsView_win.h"
#include "overlays/Image_win.h"
#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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
    PngImage background;
    UniqueBitmap backgroundBitmap;
    Figures render, present;
};
PaintBench* Bench = nullptr;

LRESULT PaintOnce(HWND hwnd) {
    LayeredPaintTimings timings;
    PaintSettingsView(hwnd, nullptr, Bench->background, Bench->backgroundBitmap.Get(), &timings);
    if (timings.presented) {
        Bench->render.Add(timings.renderMs);
        Bench->present.Add(timings.presentMs);
    }
    return 0;
}

void PaintFigures(const std::wstring&) {
    PaintBench bench;
    Bench = &bench;
    bench.background = LoadPngResource(IDB_BACKGROUND);
    if (!bench.background) {
        std::printf("settings paint: PNG 129 missing\n");
        return;
    }
    bench.backgroundBitmap = ToGdiBitmap(*bench.background);
    int width = int(bench.background->GetWidth()), height = int(bench.background->GetHeight());
    HWND hwnd = CreateBenchWindow(100, 100, width, height, PaintOnce);
    for (int i = 0; i < 100; ++i) {
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
    }
    DestroyWindow(hwnd);
    PrintFigure("settings paint, render", bench.render);
    PrintFigure("settings paint, present", bench.present);

    Figures region;
    for (int i = 0; i < 30; ++i) {
        double start = NowMs();
        UniqueRegion rgn = RegionFromBitmap(*bench.background);
        region.Add(NowMs() - start);
    }
    PrintFigure("RegionFromBitmap(PNG 129)", region);
    Bench = nullptr;
}

}  // namespace

ORVEL_BENCH_FIGURE(10, StartupFigures);
ORVEL_BENCH_FIGURE(20, PaintFigures);
