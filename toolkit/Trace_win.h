#pragma once
// Test-build tracing. The end-to-end tests run the program under Wine and need to see things that have no
// window of their own (which HID calls were made, when the first frame went out, which texts were loaded).
// In a build with ORVEL_TEST_HOOKS, and only when the environment variable ORVEL_TRACE names a file, every
// TraceLine appends one line to that file (with ORVEL_TRACE_ONLY=EVENT, only the lines of that event). The
// product build has no tracing code at all.
#include <string>

#if defined(ORVEL_TEST_HOOKS)
// printf-style; the line is written whole (open, append, close), so lines of concurrent threads never mix.
void TraceLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// UTF-16 text as UTF-8, for trace lines that carry texts.
std::string TraceUtf8(const std::wstring& text);
#define ORVEL_TRACE(...) TraceLine(__VA_ARGS__)
// A test switch: the number in the environment variable `name`, 0 when it is not set. Test builds use
// these to make something slow or stuck on purpose (a paint, a driver call) so the tests can show what the
// program does then.
unsigned TestSwitchMs(const wchar_t* name);
#else
#define ORVEL_TRACE(...) ((void)0)
#endif
