#include "bench/BenchSupport_win.h"

#include "overlays/Gdiplus_win.h"
#include "overlays/ImageCache_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

double Figures::Median() const {
    if (values.empty()) return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

double Figures::Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }

double Figures::Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }

void PrintFigure(const char* name, const Figures& figures) {
    std::printf("%s: median %.2f ms (min %.2f, max %.2f; %zu runs)\n", name, figures.Median(), figures.Min(),
                figures.Max(), figures.values.size());
    std::fflush(stdout);
}

namespace {

std::vector<std::pair<int, BenchFunction>>& Registry() {
    static std::vector<std::pair<int, BenchFunction>> registry;
    return registry;
}

struct PaintRoute {
    HWND hwnd;
    LRESULT (*paint)(HWND);
};
std::vector<PaintRoute> Routes;

std::vector<std::pair<std::wstring, BenchChild>>& Children() {
    static std::vector<std::pair<std::wstring, BenchChild>> children;
    return children;
}

LRESULT CALLBACK BenchWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        for (const PaintRoute& route : Routes) {
            if (route.hwnd == hwnd) return route.paint(hwnd);
        }
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

bool RegisterBenchFigure(int order, BenchFunction function) {
    Registry().emplace_back(order, function);
    return true;
}

bool RegisterBenchChild(const wchar_t* name, BenchChild child) {
    Children().emplace_back(name, child);
    return true;
}

Figures RunBenchChild(const wchar_t* name, int runs) {
    Figures figures;
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return figures;
    for (int run = 0; run < runs; ++run) {
        std::wstring command = L"\"" + std::wstring(self, n) + L"\" --child " + name;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            break;
        }
        DWORD code = 0;
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process.hProcess, &code) && int(code) > 0) {
            figures.Add(int(code) / 1000.0);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return figures;
}

HWND CreateBenchWindow(int x, int y, int width, int height, LRESULT (*paint)(HWND), DWORD exStyle) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = BenchWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"OrvelBenchWindow";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    HWND hwnd = CreateWindowExW(exStyle | WS_EX_TOOLWINDOW, L"OrvelBenchWindow", L"bench", WS_POPUP, x, y, width,
                                height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd) {
        Routes.push_back({hwnd, paint});
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    }
    return hwnd;
}

int wmain(int argc, wchar_t** argv) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (argc == 3 && std::wstring(argv[1]) == L"--child") {
        int figure = -1;
        for (const auto& child : Children()) {
            if (child.first == argv[2]) figure = child.second();
        }
        ReleaseCachedPngs();
        Gdiplus::GdiplusShutdown(token);
        return figure;
    }
    std::wstring program = argc > 1 ? argv[1] : L"";
    std::vector<std::pair<int, BenchFunction>> figures = Registry();
    std::stable_sort(figures.begin(), figures.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& figure : figures) figure.second(program);
    ReleaseCachedPngs();  // before GDI+ goes
    Gdiplus::GdiplusShutdown(token);
    return 0;
}

void RunAloneIfAsked(const char* name, BenchFunction figures, const std::wstring& program) {
    const char* only = std::getenv("ORVEL_BENCH_ONLY");
    if (!only || std::strcmp(only, name) != 0) return;
    figures(program);
    std::fflush(stdout);
    ExitProcess(0);
}
