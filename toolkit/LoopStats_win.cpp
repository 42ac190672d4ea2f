#include "toolkit/LoopStats_win.h"

#if defined(ORVEL_TEST_HOOKS)
#include "toolkit/Trace_win.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct LoopStats {
    std::vector<float> turns;  // milliseconds
    double worst = 0;
    UINT worstMessage = 0;
    wchar_t worstClass[64] = L"";
};

LoopStats& Stats() {
    static LoopStats stats;
    return stats;
}

}  // namespace

void NoteLoopTurn(const MSG& msg, double milliseconds) {
    LoopStats& s = Stats();
    // A turn longer than one 60 Hz frame is one the user can see (a dropped frame of a drag or an animation).
    if (milliseconds >= kSlowTurnMilliseconds) {
        wchar_t cls[64] = L"";
        char name[64];
        if (msg.hwnd) GetClassNameW(msg.hwnd, cls, 64);
        WideCharToMultiByte(CP_UTF8, 0, cls, -1, name, sizeof name, nullptr, nullptr);
        TraceLine("slow-turn %.1f ms message=0x%04x class=%s", milliseconds, msg.message, name);
    }
    if (s.turns.size() < 1000000) s.turns.push_back(float(milliseconds));
    if (milliseconds > s.worst) {
        s.worst = milliseconds;
        s.worstMessage = msg.message;
        s.worstClass[0] = 0;
        if (msg.hwnd) GetClassNameW(msg.hwnd, s.worstClass, 64);
    }
}

std::string LoopStallSummary() {
    LoopStats& s = Stats();
    std::vector<float> sorted = s.turns;
    std::sort(sorted.begin(), sorted.end());
    const double p99 = sorted.empty() ? 0 : sorted[sorted.size() * 99 / 100];
    char className[64];
    WideCharToMultiByte(CP_UTF8, 0, s.worstClass, -1, className, sizeof className, nullptr, nullptr);
    char text[256];
    std::snprintf(text, sizeof text, "turns=%zu max=%.1f p99=%.2f worst=0x%04x class=%s", sorted.size(), s.worst, p99,
                  s.worstMessage, className);
    s = LoopStats{};
    return text;
}
#endif
