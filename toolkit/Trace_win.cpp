#include "toolkit/Trace_win.h"

#if defined(ORVEL_TEST_HOOKS)
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {
// Milliseconds since the process was created, so lines from several runs compare.
unsigned long long MillisecondsSinceStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(now) - ticks(created)) / 10000;
}

// ORVEL_TRACE_ONLY names the one event to write (a benchmark that reads one line): every other line would
// cost a few calls into Wine's server, which the product, without tracing, does not pay. Read once.
bool Wanted(const char* format) {
    static const std::string only = [] {
        wchar_t value[64];
        const DWORD n = GetEnvironmentVariableW(L"ORVEL_TRACE_ONLY", value, 64);
        std::string ascii;
        for (DWORD i = 0; i < n && n < 64; ++i) ascii += char(value[i]);
        return ascii;
    }();
    if (only.empty()) return true;
    const size_t event = std::strcspn(format, " ");
    return event == only.size() && only.compare(0, event, format, event) == 0;
}
}  // namespace

void TraceLine(const char* format, ...) {
    if (!Wanted(format)) return;
    wchar_t path[1024];
    DWORD n = GetEnvironmentVariableW(L"ORVEL_TRACE", path, 1024);
    if (n == 0 || n >= 1024) return;
    char line[2048];
    int head = std::snprintf(line, sizeof line, "%llu ", MillisecondsSinceStart());
    va_list args;
    va_start(args, format);
    int body = std::vsnprintf(line + head, sizeof line - head - 1, format, args);
    va_end(args);
    if (body < 0) return;
    size_t len = std::min(sizeof line - 2, size_t(head + body));
    line[len++] = '\n';
    // Several threads, and processes (a "/close" start traces into the instance's file), may trace at once.
    // Wine appends under FILE_APPEND_DATA by finding the end and then writing there, so two appends can land
    // on one offset and one line overwrite the other: the writers take turns through a named mutex. A writer
    // that died holding it leaves it abandoned, which still lets the next one in; one that hangs costs 1 s.
    static const HANDLE turns = CreateMutexW(nullptr, FALSE, L"Local\\OrvelTestTraceTurns");
    const DWORD waited = turns ? WaitForSingleObject(turns, 1000) : WAIT_FAILED;
    const bool held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line, DWORD(len), &written, nullptr);
        CloseHandle(file);
    }
    if (held) ReleaseMutex(turns);
}

std::string TraceUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}
unsigned TestSwitchMs(const wchar_t* name) {
    wchar_t value[32];
    DWORD n = GetEnvironmentVariableW(name, value, 32);
    if (n == 0 || n >= 32) return 0;
    return unsigned(wcstoul(value, nullptr, 10));
}
#endif
