// Prints the performance figures of the settings window, measured where it runs:
//   1. time from process start to the first frame of the settings window (the program's own trace line
//      "first-frame", written in test builds, measured from the process's creation time);
//   2. one full paint of the settings window, render and present separately;
//   3. RegionFromBitmap on the background picture (PNG 129).
// Usage: orvel_bench [path of OrvelMouseAssistant.exe]   (without it, figure 1 is skipped)
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

struct Figures {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    double Median() {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0 : values[values.size() / 2];
    }
    double Min() { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double Max() { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

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

void StartupFigures(const std::wstring& program, int runs) {
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
    std::printf("start-up to first frame: median %.0f ms (min %.0f, max %.0f; %zu runs)\n", startup.Median(),
                startup.Min(), startup.Max(), startup.values.size());
}

struct PaintBench {
    PngImage background;
    UniqueBitmap backgroundBitmap;
    Figures render, present;
};
PaintBench* Bench = nullptr;

LRESULT CALLBACK BenchWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && Bench) {
        LayeredPaintTimings timings;
        PaintSettingsView(hwnd, nullptr, Bench->background, Bench->backgroundBitmap.Get(), &timings);
        if (timings.presented) {
            Bench->render.Add(timings.renderMs);
            Bench->present.Add(timings.presentMs);
        }
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void PaintFigures(int paints) {
    PaintBench bench;
    Bench = &bench;
    bench.background = LoadPngResource(IDB_BACKGROUND);
    if (!bench.background) {
        std::printf("settings paint: PNG 129 missing\n");
        return;
    }
    bench.backgroundBitmap = ToGdiBitmap(*bench.background);

    WNDCLASSW wc{};
    wc.lpfnWndProc = BenchWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvelSettingsBench";
    RegisterClassW(&wc);
    int width = int(bench.background->GetWidth()), height = int(bench.background->GetHeight());
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, wc.lpszClassName, L"bench", WS_POPUP, 100, 100,
                                width, height, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    for (int i = 0; i < paints; ++i) {
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
    }
    DestroyWindow(hwnd);
    std::printf("settings paint (%dx%d): render median %.2f ms (min %.2f), present median %.2f ms (min %.2f); "
                "%zu paints\n",
                width, height, bench.render.Median(), bench.render.Min(), bench.present.Median(),
                bench.present.Min(), bench.render.values.size());

    Figures region;
    for (int i = 0; i < 30; ++i) {
        double start = NowMs();
        UniqueRegion rgn = RegionFromBitmap(*bench.background);
        region.Add(NowMs() - start);
    }
    std::printf("RegionFromBitmap(PNG 129): median %.2f ms (min %.2f, max %.2f; %zu runs)\n", region.Median(),
                region.Min(), region.Max(), region.values.size());
    Bench = nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (argc > 1) StartupFigures(argv[1], 5);
    PaintFigures(100);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
