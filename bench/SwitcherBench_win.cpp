// The window switcher's figures, measured with the switcher itself over 30 application windows that a
// thread of the benchmark keeps (in this process, so that PrintWindow works under Wine too):
//   1. "switcher request to first frame": from the request until the dimmed desktop is on the screen, and
//      "switcher request to laid-out frame": until the first frame with every thumbnail; the first overview
//      of the run alone (cold: the switcher's window and every picture made for the first time), then warm;
//   2. "switcher animation tick paint": what one repaint of the grow and shrink animation costs and how much
//      of the monitor it paints, beside a full repaint of the monitor;
//   3. "switcher capture pass, 30 windows": the pictures taken cold (every window new) and warm (nothing
//      resized, nothing taken);
//   4. "switcher ... at 100 % / 200 %": the same overview laid out and painted at 96 and at 192 DPI (the
//      overview's scale forced, as Wine has one DPI): its first laid-out frame, with the static layer drawn
//      at that scale, and a full repaint of the monitor.
// ORVEL_BENCH_ONLY=switcher runs these figures alone. With ORVEL_BENCH_SWITCHER_HOLD_MS set, an overview is
// left on the screen that long at the end, with a window enlarged, for a screenshot.
#include "bench/BenchSupport_win.h"
#include "overlays/ImageCache_win.h"
#include "switcher/CaptureCache_win.h"
#include "switcher/ExposeDlg_win.h"
#include "switcher/ExposeState.h"
#include "toolkit/UiThread_win.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWindows = 30;
constexpr int kWarmRuns = 10;

// ------------------------------------------------------------------------------------------ the windows

struct AppLook {
    const wchar_t* title;
    COLORREF band;
};
const AppLook kLooks[] = {
    {L"Quarterly report.docx - Word", RGB(43, 87, 154)}, {L"Inbox (3) - Mail", RGB(0, 114, 198)},
    {L"Budget 2024.xlsx - Excel", RGB(33, 115, 70)},     {L"Project plan - Notes", RGB(119, 25, 170)},
    {L"Photos - Holiday", RGB(200, 80, 40)},             {L"Terminal", RGB(40, 40, 40)},
    {L"Calendar", RGB(0, 120, 140)},                     {L"Music", RGB(180, 30, 90)},
};

struct AppWindows {
    HANDLE ready = nullptr;
    HANDLE finish = nullptr;
    std::vector<HWND> windows;
};

void PaintApp(HWND hwnd, HDC dc) {
    RECT client;
    GetClientRect(hwnd, &client);
    const LONG_PTR looks = LONG_PTR(sizeof kLooks / sizeof *kLooks);
    const AppLook& look = kLooks[GetWindowLongPtrW(hwnd, GWLP_USERDATA) % looks];
    FillRect(dc, &client, HBRUSH(GetStockObject(WHITE_BRUSH)));
    HBRUSH band = CreateSolidBrush(look.band);
    RECT top{0, 0, client.right, 36};
    FillRect(dc, &top, band);
    RECT side{0, 36, 70, client.bottom};
    HBRUSH pale = CreateSolidBrush(RGB(236, 238, 242));
    FillRect(dc, &side, pale);
    HBRUSH text = CreateSolidBrush(RGB(190, 194, 200));
    for (int y = 52, n = 0; y + 8 < client.bottom; y += 18, ++n) {
        RECT line{86, y, 86 + (client.right - 110) * (5 + (n * 7) % 5) / 10, y + 8};
        FillRect(dc, &line, text);
    }
    DeleteObject(band);
    DeleteObject(pale);
    DeleteObject(text);
}

LRESULT CALLBACK AppProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        PaintApp(hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    // What PrintWindow asks for, as a window drawn by a toolkit answers it.
    if (message == WM_PRINTCLIENT) {
        PaintApp(hwnd, HDC(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The windows live on a thread of their own, as another application's would: the switcher's threads ask them
// for their pictures and icons, and they answer from their own message loop.
DWORD WINAPI AppThread(void* parameter) {
    auto* apps = static_cast<AppWindows*>(parameter);
    WNDCLASSW wc{};
    wc.lpfnWndProc = AppProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"OrvelSwitcherBenchApp";
    RegisterClassW(&wc);
    const wchar_t* icons[] = {IDI_APPLICATION, IDI_INFORMATION, IDI_WARNING, IDI_QUESTION, IDI_ERROR};
    for (int i = 0; i < kWindows; ++i) {
        const AppLook& look = kLooks[i % (sizeof kLooks / sizeof *kLooks)];
        std::wstring title = look.title;
        if (i >= int(sizeof kLooks / sizeof *kLooks)) title += L" (" + std::to_wstring(i) + L")";
        const int w = 360 + (i * 53) % 300, h = 260 + (i * 37) % 200;
        HWND hwnd = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                    20 + (i * 29) % 700, 20 + (i * 23) % 300, w, h, nullptr, nullptr, wc.hInstance,
                                    nullptr);
        if (!hwnd) continue;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, i);
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, LPARAM(LoadIconW(nullptr, icons[i % 5])));
        apps->windows.push_back(hwnd);
    }
    SetEvent(apps->ready);
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &apps->finish, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    for (HWND hwnd : apps->windows) DestroyWindow(hwnd);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
    return 0;
}

// ------------------------------------------------------------------------------------------ the switcher

// A switcher that notes when its frames reach the screen.
class TimedSwitcher : public EXPOSE_DLG {
public:
    double firstFrameAt = 0;     // the dimmed desktop
    double laidOutFrameAt = 0;   // the first frame with the thumbnails
    double laidOutPaintMs = 0;   // what that frame's paint took (the static layer is drawn in it)
    bool recording = false;
    std::vector<std::pair<double, long long>> paints;  // milliseconds, pixels

protected:
    void Paint() override {
        EXPOSE_DLG::Paint();
        const double now = NowMs();
        if (firstFrameAt == 0 && IsShown()) firstFrameAt = now;
        if (laidOutFrameAt == 0 && State().ready) {
            laidOutFrameAt = now;
            laidOutPaintMs = LastPaintMs();
        }
        if (recording) paints.emplace_back(LastPaintMs(), LastPaintPixels());
    }
};

void PumpFor(DWORD ms) {
    PumpUntil(ms, [] { return false; });
}

// One overview up to its first laid-out frame; false when it did not come.
bool Open(TimedSwitcher& switcher, double& firstFrame, double& laidOut) {
    switcher.firstFrameAt = switcher.laidOutFrameAt = 0;
    const double start = NowMs();
    switcher.State().busy = 1;
    switcher.RunOverview();
    if (!PumpUntil(5000, [&] { return switcher.laidOutFrameAt != 0; })) return false;
    firstFrame = switcher.firstFrameAt - start;
    laidOut = switcher.laidOutFrameAt - start;
    return true;
}

void Close(TimedSwitcher& switcher) {
    switcher.Finish(-1);
    PumpUntil(5000, [&] { return !switcher.OverviewRunning(); });
    PumpFor(30);
}

void OverviewFigures(TimedSwitcher& switcher) {
    double first = 0, laidOut = 0;
    if (!Open(switcher, first, laidOut)) {
        std::printf("switcher: the overview did not come up\n");
        Close(switcher);
        return;
    }
    Figures coldFirst, coldLaidOut;
    coldFirst.Add(first);
    coldLaidOut.Add(laidOut);
    const ExposeState& state = switcher.State();
    std::printf("switcher overview lists %d windows on a %d x %d monitor (live thumbnails %s)\n",
                int(state.windowCount), int(state.monitorWidth), int(state.monitorHeight),
                state.compositionEnabled ? "asked for" : "off");
    PumpFor(400);
    Close(switcher);

    Figures warmFirst, warmLaidOut;
    for (int run = 0; run < kWarmRuns; ++run) {
        if (Open(switcher, first, laidOut)) {
            warmFirst.Add(first);
            warmLaidOut.Add(laidOut);
        }
        PumpFor(100);
        Close(switcher);
    }
    PrintFigure("switcher request to first frame, cold", coldFirst);
    PrintFigure("switcher request to laid-out frame, cold", coldLaidOut);
    PrintFigure("switcher request to first frame, warm", warmFirst);
    PrintFigure("switcher request to laid-out frame, warm", warmLaidOut);
}

void AnimationFigures(TimedSwitcher& switcher) {
    double first = 0, laidOut = 0;
    if (!Open(switcher, first, laidOut)) return;
    PumpFor(500);  // the first highlight comes to rest
    const long long monitor = (long long)switcher.State().monitorWidth * switcher.State().monitorHeight;
    switcher.paints.clear();
    switcher.recording = true;
    const int count = switcher.State().windowCount;
    for (int move = 0; move < 12 && count > 2; ++move) {
        switcher.SetHighlight((move * 7 + 2) % count);
        PumpFor(300);  // the new one grows, the old one shrinks: every tick repaints
    }
    switcher.recording = false;
    Figures tick;
    std::vector<long long> pixels;
    for (const auto& paint : switcher.paints) {
        tick.Add(paint.first);
        pixels.push_back(paint.second);
    }
    Figures full;
    long long fullPixels = 0;
    for (int run = 0; run < 10; ++run) {
        InvalidateRect(switcher.Hwnd(), nullptr, FALSE);
        UpdateWindow(switcher.Hwnd());
        full.Add(switcher.LastPaintMs());
        fullPixels = switcher.LastPaintPixels();
    }
    Close(switcher);
    PrintFigure("switcher animation tick paint", tick);
    PrintFigure("switcher full repaint of the monitor", full);
    if (!pixels.empty() && monitor > 0) {
        std::sort(pixels.begin(), pixels.end());
        const long long median = pixels[pixels.size() / 2];
        std::printf("switcher animation tick paints %lld pixels (median of %zu paints, max %lld), the monitor %lld "
                    "(%.1f %%; a full repaint painted %lld)\n",
                    median, pixels.size(), pixels.back(), monitor, 100.0 * double(median) / double(monitor),
                    fullPixels);
        std::fflush(stdout);
    }
}

void ScaleFigures(TimedSwitcher& switcher) {
    // Whatever scale the run was asked for (ORVEL_TEST_OVERVIEW_DPI for a look) comes back afterwards.
    wchar_t asked[16] = L"";
    const DWORD n = GetEnvironmentVariableW(L"ORVEL_TEST_OVERVIEW_DPI", asked, 16);
    for (int dpi : {96, 192}) {
        SetEnvironmentVariableW(L"ORVEL_TEST_OVERVIEW_DPI", std::to_wstring(dpi).c_str());
        Figures laidOutFrames, full;
        for (int run = 0; run < 5; ++run) {
            double first = 0, laidOut = 0;
            if (!Open(switcher, first, laidOut)) continue;
            laidOutFrames.Add(switcher.laidOutPaintMs);
            PumpFor(400);  // the first highlight comes to rest
            for (int again = 0; again < 4; ++again) {
                InvalidateRect(switcher.Hwnd(), nullptr, FALSE);
                UpdateWindow(switcher.Hwnd());
                full.Add(switcher.LastPaintMs());
            }
            Close(switcher);
        }
        const char* at = dpi == 96 ? "100 %" : "200 %";
        PrintFigure((std::string("switcher laid-out frame's paint (static layer) at ") + at).c_str(), laidOutFrames);
        PrintFigure((std::string("switcher full repaint at ") + at).c_str(), full);
    }
    SetEnvironmentVariableW(L"ORVEL_TEST_OVERVIEW_DPI", n > 0 && n < 16 ? asked : nullptr);
}

void CaptureFigures(const std::vector<HWND>& windows) {
    std::vector<WindowId> ids;
    for (HWND hwnd : windows) ids.push_back(reinterpret_cast<WindowId>(hwnd));
    SystemCapture system(GetCurrentThreadId());
    Figures cold, warm;
    int pictures = 0;
    for (int run = 0; run < 5; ++run) {
        CaptureStore store;
        double start = NowMs();
        store.Refresh(system, ids.data(), int(ids.size()));
        cold.Add(NowMs() - start);
        pictures = 0;
        for (WindowId id : ids) pictures += store.Find(id) && store.Find(id)->picture ? 1 : 0;
        for (int again = 0; again < 4; ++again) {
            start = NowMs();
            const CaptureStore::PassCounts counts = store.Refresh(system, ids.data(), int(ids.size()));
            warm.Add(NowMs() - start);
            if (counts.captured != 0) {
                std::printf("switcher capture pass: a warm pass took %d pictures\n", counts.captured);
            }
        }
        store.Clear(system);
    }
    PrintFigure("switcher capture pass, 30 windows, cold", cold);
    PrintFigure("switcher capture pass, 30 windows, warm", warm);
    std::printf("switcher capture pass: %d of %zu windows gave a picture\n", pictures, ids.size());
    std::fflush(stdout);
}

void Look(TimedSwitcher& switcher, DWORD holdMs) {
    double first = 0, laidOut = 0;
    if (!Open(switcher, first, laidOut)) return;
    switcher.MoveHighlightTo(std::min(6, int(switcher.State().windowCount) - 1));
    std::printf("switcher look: an overview of %d windows for %lu ms\n", int(switcher.State().windowCount),
                (unsigned long)holdMs);
    std::fflush(stdout);
    PumpFor(holdMs);
    Close(switcher);
}

void SwitcherFigures(const std::wstring&) {
    // ORVEL_BENCH_TRACE names a file for the switcher's trace lines (the figures before clear ORVEL_TRACE).
    wchar_t trace[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"ORVEL_BENCH_TRACE", trace, MAX_PATH);
    if (n > 0 && n < MAX_PATH) SetEnvironmentVariableW(L"ORVEL_TRACE", trace);
    UiThread::Open();
    AppWindows apps;
    apps.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    apps.finish = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, AppThread, &apps, 0, nullptr);
    if (!thread || WaitForSingleObject(apps.ready, 10000) != WAIT_OBJECT_0) {
        std::printf("switcher: the application windows did not come up\n");
        if (thread) CloseHandle(thread);
        UiThread::Close();
        return;
    }
    PumpFor(500);  // they paint themselves once
    {
        TimedSwitcher switcher;
        switcher.Start(nullptr);
        if (switcher.Hwnd()) {
            PumpFor(1500);  // a start-up capture (without composition) has its time
            OverviewFigures(switcher);
            AnimationFigures(switcher);
            ScaleFigures(switcher);
            if (const char* hold = std::getenv("ORVEL_BENCH_SWITCHER_HOLD_MS")) Look(switcher, DWORD(std::atoi(hold)));
        } else {
            std::printf("switcher: the switcher's window cannot be made\n");
        }
        switcher.Stop();
    }
    CaptureFigures(apps.windows);
    {
        CaptureCacheGuard guard(INFINITE);
        SystemCapture system(0);
        CaptureCache().Clear(system);  // the pictures of the overviews above
    }
    SetEvent(apps.finish);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(apps.ready);
    CloseHandle(apps.finish);
    UiThread::Close();
    ReleaseCachedPngs();
}

// A look at the switcher alone (ORVEL_BENCH_ONLY=switcher): runs first and ends the benchmark.
void SwitcherOnly(const std::wstring& program) {
    RunAloneIfAsked("switcher", SwitcherFigures, program);
}

}  // namespace

ORVEL_BENCH_FIGURE(-1000, SwitcherOnly);
ORVEL_BENCH_FIGURE(70, SwitcherFigures);
