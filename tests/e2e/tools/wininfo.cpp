// orvel_wininfo: a small console probe the end-to-end harness runs inside the same Wine prefix as the program.
// It reports what X11 tools cannot see: extended styles, window regions, the Win32 visible flag and rectangle,
// the owning process, the foreground window, process exit codes and how many windows a process created.
// Every answer is one JSON object per line on stdout, so the harness can parse it without guessing.
//
//   orvel_wininfo windows [--title T] [--exe NAME] [--until present|visible|hidden|gone] [--timeout MS]
//   orvel_wininfo procs NAME
//   orvel_wininfo run [--timeout MS] -- PROGRAM [ARGS...]
//   orvel_wininfo foreground
//   orvel_wininfo load NAME | tray-delete HWND ID | broadcast MESSAGE-NAME|NUMBER [W L] | pulse EVENT-NAME
//   orvel_wininfo message NAME                 the number of a registered window message
//   orvel_wininfo send HWND NUMBER W L          sends one window one message, prints its answer
//   orvel_wininfo post HWND NUMBER W L          posts one window one message
//   orvel_wininfo post-thread HWND NUMBER W L   posts a message to the thread of a window (no window named)
//   orvel_wininfo wait-event NAME MS           waits on a named event as another process would: prints
//                                              {"waiting":1} once it waits, then {"signalled":0|1}
//   orvel_wininfo wheel-window X Y W H MS      a helper window that notes when wheel messages arrive
//   orvel_wininfo idle MS                      a Wine program doing nothing (the idle benchmark's reference)
//   orvel_wininfo keys-window X Y W H MS [SLOW-MS]
//                                              a helper window that prints each key message as it comes;
//                                              with SLOW-MS, once it has lost the foreground it looks at its
//                                              messages only every SLOW-MS (a busy application)
//   orvel_wininfo channel report HEX.. | run N | release N | drop-hook | resume | stalls | objects | dpi N [FROM]
//                                              | display [L T R B ...]   (made-up monitors) | busy MS
//                                              | monitors [L T R B ...]  (the switcher's from now on)
//                                              | raw-input               (traces the registrations)
//                                               the test build's channel into the program
//   orvel_wininfo deny-write KEY                  no one may change HKCU\KEY any more
//   orvel_wininfo hold set-event|denied-event|mutex NAME MS
//                                              holds a named object for MS milliseconds (see Hold)
//
// Exit codes: 0 answered (for --until: the condition held), 1 --until timed out, 2 bad arguments,
// 3 the program given to "run" could not be started.
#include "mainwindow/TestChannel.h"

#include "tests/e2e/tools/ProbeJson.h"

#include <windows.h>

#include <dbt.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

std::string Lower(std::wstring text) {
    for (auto& c : text) c = wchar_t(towlower(c));
    return Utf8(text);
}

// Image name (file name only, lower case) of every running process, by id.
std::vector<std::pair<DWORD, std::string>> Processes() {
    std::vector<std::pair<DWORD, std::string>> list;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return list;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snap, &entry); ok; ok = Process32NextW(snap, &entry)) {
        std::wstring name = entry.szExeFile;
        size_t slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name = name.substr(slash + 1);
        list.emplace_back(entry.th32ProcessID, Lower(name));
    }
    CloseHandle(snap);
    return list;
}

std::string ImageOf(DWORD pid, const std::vector<std::pair<DWORD, std::string>>& procs) {
    for (const auto& p : procs)
        if (p.first == pid) return p.second;
    return {};
}

struct WindowFacts {
    HWND hwnd;
    HWND owner;
    DWORD pid;
    std::string exe, cls, title;
    LONG_PTR style, exStyle;
    bool visible, iconic, foreground;
    RECT rect;
    const char* region;
};

const char* RegionKind(HWND hwnd) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    int kind = GetWindowRgn(hwnd, rgn);
    DeleteObject(rgn);
    switch (kind) {
        case NULLREGION: return "null";
        case SIMPLEREGION: return "simple";
        case COMPLEXREGION: return "complex";
        default: return "none";  // no region set (ERROR)
    }
}

struct Collect {
    std::vector<WindowFacts>* out;
    HWND foreground;
};

BOOL CALLBACK OnWindow(HWND hwnd, LPARAM param) {
    auto* c = reinterpret_cast<Collect*>(param);
    WindowFacts f{};
    f.hwnd = hwnd;
    f.owner = GetWindow(hwnd, GW_OWNER);
    GetWindowThreadProcessId(hwnd, &f.pid);
    wchar_t buf[512];
    int n = GetClassNameW(hwnd, buf, 512);
    f.cls = Utf8(std::wstring(buf, size_t(n > 0 ? n : 0)));
    n = GetWindowTextW(hwnd, buf, 512);
    f.title = Utf8(std::wstring(buf, size_t(n > 0 ? n : 0)));
    f.style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    f.exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    f.visible = IsWindowVisible(hwnd) != FALSE;
    f.iconic = IsIconic(hwnd) != FALSE;
    f.foreground = hwnd == c->foreground;
    GetWindowRect(hwnd, &f.rect);
    f.region = RegionKind(hwnd);
    c->out->push_back(f);
    return TRUE;
}

std::vector<WindowFacts> TopLevelWindows() {
    std::vector<WindowFacts> list;
    Collect c{&list, GetForegroundWindow()};
    EnumWindows(OnWindow, reinterpret_cast<LPARAM>(&c));
    auto procs = Processes();
    for (auto& w : list) w.exe = ImageOf(w.pid, procs);
    return list;
}

void PrintFacts(const WindowFacts& w) {
    std::printf(
        "{\"hwnd\":%llu,\"owner\":%llu,\"pid\":%lu,\"exe\":%s,\"class\":%s,\"title\":%s,\"style\":%lld,"
        "\"exstyle\":%lld,\"visible\":%d,\"iconic\":%d,\"foreground\":%d,\"rect\":[%ld,%ld,%ld,%ld],"
        "\"region\":\"%s\"}\n",
        (unsigned long long)(UINT_PTR)w.hwnd, (unsigned long long)(UINT_PTR)w.owner, (unsigned long)w.pid,
        Quote(w.exe).c_str(), Quote(w.cls).c_str(),
        Quote(w.title).c_str(), (long long)w.style, (long long)w.exStyle, w.visible, w.iconic, w.foreground,
        w.rect.left, w.rect.top, w.rect.right, w.rect.bottom, w.region);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: orvel_wininfo windows [--title T] [--exe NAME] [--until present|visible|hidden|gone]"
                 " [--timeout MS]\n"
                 "       orvel_wininfo procs NAME\n"
                 "       orvel_wininfo run [--timeout MS] -- PROGRAM [ARGS...]\n"
                 "       orvel_wininfo foreground\n"
                 "       orvel_wininfo load NAME\n"
                 "       orvel_wininfo tray-delete HWND ID\n"
                 "       orvel_wininfo broadcast MESSAGE-NAME | broadcast NUMBER W L\n"
                 "       orvel_wininfo pulse EVENT-NAME\n"
                 "       orvel_wininfo message NAME\n"
                 "       orvel_wininfo send HWND NUMBER W L\n"
                 "       orvel_wininfo arrival HWND hid|volume PATH\n"
                 "       orvel_wininfo post HWND NUMBER W L | post-thread HWND NUMBER W L\n"
                 "       orvel_wininfo wait-event NAME MS\n"
                 "       orvel_wininfo wheel-window X Y W H MS\n"
                 "       orvel_wininfo idle MS\n"
                 "       orvel_wininfo keys-window X Y W H MS [SLOW-MS]\n"
                 "       orvel_wininfo channel report HEX... | run N | release N | drop-hook | resume | stalls | objects\n"
                 "                            | dpi N [FROM]\n"
                 "                             | display [L T R B ...] | monitors [L T R B ...] | busy MS\n"
                 "                             | raw-input\n"
                 "       orvel_wininfo deny-write KEY\n"
                 "       orvel_wininfo hold set-event|denied-event|mutex NAME MS\n");
    return 2;
}

bool ParseTimeout(const wchar_t* text, DWORD* out) {
    wchar_t* end = nullptr;
    unsigned long v = wcstoul(text, &end, 10);
    if (end == text || *end != 0) return false;
    *out = DWORD(v);
    return true;
}

int Windows(int argc, wchar_t** argv) {
    std::wstring title, until;
    bool haveTitle = false;
    std::string exe;
    DWORD timeout = 0;
    for (int i = 2; i < argc; ++i) {
        std::wstring a = argv[i];
        if (i + 1 >= argc) return Usage();
        if (a == L"--title") {
            title = argv[++i];
            haveTitle = true;
        } else if (a == L"--exe") {
            exe = Lower(argv[++i]);
        } else if (a == L"--until") {
            until = argv[++i];
        } else if (a == L"--timeout") {
            if (!ParseTimeout(argv[++i], &timeout)) return Usage();
        } else {
            return Usage();
        }
    }
    if (!until.empty() && until != L"present" && until != L"visible" && until != L"hidden" && until != L"gone")
        return Usage();
    const std::string wantTitle = Utf8(title);
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<WindowFacts> match;
        for (const auto& w : TopLevelWindows()) {
            if (haveTitle && w.title != wantTitle) continue;
            if (!exe.empty() && w.exe != exe) continue;
            match.push_back(w);
        }
        bool anyVisible = false;
        for (const auto& w : match) anyVisible = anyVisible || w.visible;
        bool holds = until.empty() || (until == L"present" && !match.empty()) ||
                     (until == L"visible" && anyVisible) || (until == L"hidden" && !match.empty() && !anyVisible) ||
                     (until == L"gone" && match.empty());
        bool late = GetTickCount() - start >= timeout;
        if (holds || late) {
            for (const auto& w : match) PrintFacts(w);
            std::fflush(stdout);
            return holds ? 0 : 1;
        }
        Sleep(20);
    }
}

int Procs(int argc, wchar_t** argv) {
    if (argc != 3) return Usage();
    const std::string want = Lower(argv[2]);
    for (const auto& p : Processes())
        if (p.second == want) std::printf("{\"pid\":%lu,\"exe\":%s}\n", (unsigned long)p.first, Quote(p.second).c_str());
    return 0;
}

// Windows whose lifetime is Wine's business rather than the program's (the per-thread IME windows).
bool IsSystemHelperWindow(const WindowFacts& w) { return w.cls == "IME" || w.cls == "MSCTFIME UI"; }

// Quotes one argument the way CommandLineToArgvW splits it again.
std::wstring QuoteArg(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        out += c;
    }
    out.append(backslashes, L'\\');
    return out + L"\"";
}

std::string ReadAll(HANDLE pipe) {
    std::string data;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
    return data;
}

struct Drain {
    HANDLE pipe;
    std::string data;
};

DWORD WINAPI DrainThread(void* param) {
    auto* d = static_cast<Drain*>(param);
    d->data = ReadAll(d->pipe);
    return 0;
}

// Starts a program, samples its top-level windows while it runs and reports its exit code, its run time,
// what it wrote to stdout and stderr, and every window it was seen with. A program still running at the
// timeout is left alone (the harness ends the whole prefix afterwards).
int Run(int argc, wchar_t** argv) {
    DWORD timeout = 10000;
    int i = 2;
    for (; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--") {
            ++i;
            break;
        }
        if (a == L"--timeout" && i + 1 < argc) {
            if (!ParseTimeout(argv[++i], &timeout)) return Usage();
        } else {
            return Usage();
        }
    }
    if (i >= argc) return Usage();
    std::wstring cmd;
    for (int k = i; k < argc; ++k) cmd += (k > i ? L" " : L"") + QuoteArg(argv[k]);

    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &sa, 0) || !CreatePipe(&errRead, &errWrite, &sa, 0)) return 3;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(0);
    const DWORD start = GetTickCount();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("{\"started\":0,\"error\":%lu}\n", (unsigned long)GetLastError());
        return 3;
    }
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    Drain out{outRead, {}}, err{errRead, {}};
    HANDLE drains[2] = {CreateThread(nullptr, 0, DrainThread, &out, 0, nullptr),
                        CreateThread(nullptr, 0, DrainThread, &err, 0, nullptr)};

    std::set<HWND> seen;
    std::vector<WindowFacts> windows;
    bool finished = false;
    for (;;) {
        for (const auto& w : TopLevelWindows()) {
            if (w.pid != pi.dwProcessId || IsSystemHelperWindow(w)) continue;
            // Keep the first sighting, but remember that the window was ever shown.
            if (seen.insert(w.hwnd).second) {
                windows.push_back(w);
            } else {
                for (auto& known : windows)
                    if (known.hwnd == w.hwnd) known.visible = known.visible || w.visible;
            }
        }
        if (WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
        if (GetTickCount() - start >= timeout) break;
    }
    const DWORD elapsed = GetTickCount() - start;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    // A program left running keeps the pipes open; its output so far is not waited for.
    if (finished) WaitForMultipleObjects(2, drains, TRUE, 2000);
    std::printf("{\"started\":1,\"pid\":%lu,\"finished\":%d,\"exit\":%lu,\"ms\":%lu,\"windows\":%u,"
                "\"visible_windows\":%u,\"stdout\":%s,\"stderr\":%s}\n",
                (unsigned long)pi.dwProcessId, finished, (unsigned long)code, (unsigned long)elapsed,
                unsigned(windows.size()), [&] {
                    unsigned n = 0;
                    for (const auto& w : windows) n += w.visible;
                    return n;
                }(),
                Quote(finished ? out.data : std::string()).c_str(), Quote(finished ? err.data : std::string()).c_str());
    for (const auto& w : windows) PrintFacts(w);
    std::fflush(stdout);
    // The drain threads may still block on a running program's pipes; leave without joining them.
    std::_Exit(0);
}

int Foreground() {
    HWND fg = GetForegroundWindow();
    for (const auto& w : TopLevelWindows())
        if (w.hwnd == fg) {
            PrintFacts(w);
            return 0;
        }
    std::printf("{\"hwnd\":%llu}\n", (unsigned long long)(UINT_PTR)fg);
    return 0;
}

}  // namespace

// Loads a library by name through the ordinary search, as a careless program would, and reports which file
// came: the control case of the DLL-search test.
int Load(int argc, wchar_t** argv) {
    if (argc != 3) return Usage();
    HMODULE module = LoadLibraryW(argv[2]);
    wchar_t path[MAX_PATH] = L"";
    if (module) GetModuleFileNameW(module, path, MAX_PATH);
    std::printf("{\"loaded\":%d,\"path\":%s}\n", module != nullptr, Quote(Utf8(path)).c_str());
    return module ? 0 : 1;
}

// Removes another window's notification icon, as a restarting Explorer forgets every icon.
int TrayDelete(int argc, wchar_t** argv) {
    if (argc != 4) return Usage();
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = HWND(UINT_PTR(_wcstoui64(argv[2], nullptr, 10)));
    icon.uID = UINT(wcstoul(argv[3], nullptr, 10));
    BOOL deleted = Shell_NotifyIconW(NIM_DELETE, &icon);
    std::printf("{\"deleted\":%d}\n", deleted != FALSE);
    return deleted ? 0 : 1;
}

// Posts a registered message to every top-level window ("TaskbarCreated" is what a new Explorer sends), or
// a system message given by its number with its two values (WM_DISPLAYCHANGE: 0x7E BITS HEIGHT<<16|WIDTH).
int Broadcast(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 5) return Usage();
    const bool numbered = iswdigit(argv[2][0]) != 0;
    if (argc == 5 && !numbered) return Usage();
    UINT message = numbered ? UINT(wcstoul(argv[2], nullptr, 0)) : RegisterWindowMessageW(argv[2]);
    WPARAM w = argc == 5 ? WPARAM(wcstoull(argv[3], nullptr, 0)) : 0;
    LPARAM l = argc == 5 ? LPARAM(wcstoll(argv[4], nullptr, 0)) : 0;
    BOOL posted = message != 0 && PostMessageW(HWND_BROADCAST, message, w, l);
    std::printf("{\"posted\":%d}\n", posted != FALSE);
    return posted ? 0 : 1;
}

// The number RegisterWindowMessage gives a name (the same in every process of the desktop).
int Message(int argc, wchar_t** argv) {
    if (argc != 3) return Usage();
    UINT message = RegisterWindowMessageW(argv[2]);
    std::printf("{\"message\":%u}\n", message);
    return message ? 0 : 1;
}

// Sends a message to one window and prints what its window procedure answered (a log-off that did not happen:
// 0x16 with W 0, which Wine's own log-off never sends the program).
int Send(int argc, wchar_t** argv) {
    if (argc != 6) return Usage();
    HWND window = HWND(UINT_PTR(_wcstoui64(argv[2], nullptr, 10)));
    UINT message = UINT(wcstoul(argv[3], nullptr, 0));
    WPARAM w = WPARAM(wcstoull(argv[4], nullptr, 0));
    LPARAM l = LPARAM(wcstoll(argv[5], nullptr, 0));
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, 10000, &answer);
    std::printf("{\"sent\":%d,\"answer\":%llu}\n", sent != 0, (unsigned long long)answer);
    return sent ? 0 : 1;
}

// Sends the window a WM_DEVICECHANGE arrival (DBT_DEVICEARRIVAL) of a device interface, as any program can:
// the record names the HID interface class or the volume class, and PATH. Wine copies the record (its
// dbch_size bytes) into the receiving process as Windows does. Prints {"sent":1,"answer":N}.
int Arrival(int argc, wchar_t** argv) {
    if (argc != 5) return Usage();
    static const GUID kHid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    static const GUID kVolume = {0x53F5630D, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
    HWND window = HWND(UINT_PTR(_wcstoui64(argv[2], nullptr, 10)));
    const std::wstring kind = argv[3];
    if (kind != L"hid" && kind != L"volume") return Usage();
    const std::wstring path = argv[4];
    const size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    std::vector<unsigned char> record(nameOffset + (path.size() + 1) * sizeof(wchar_t), 0);
    auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(record.data());
    header->dbcc_size = DWORD(record.size());
    header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header->dbcc_classguid = kind == L"hid" ? kHid : kVolume;
    std::memcpy(record.data() + nameOffset, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, LPARAM(record.data()),
                                       SMTO_ABORTIFHUNG, 10000, &answer);
    std::printf("{\"sent\":%d,\"answer\":%llu}\n", sent != 0, (unsigned long long)answer);
    return sent ? 0 : 1;
}

// Posts one message to a window ("post") or to the thread that owns it ("post-thread": a thread message, with
// no window), as any process of the desktop can.
int Post(int argc, wchar_t** argv, bool toThread) {
    if (argc != 6) return Usage();
    HWND window = HWND(UINT_PTR(_wcstoui64(argv[2], nullptr, 10)));
    UINT message = UINT(wcstoul(argv[3], nullptr, 0));
    WPARAM w = WPARAM(wcstoull(argv[4], nullptr, 0));
    LPARAM l = LPARAM(wcstoll(argv[5], nullptr, 0));
    BOOL posted = FALSE;
    if (toThread) {
        const DWORD thread = GetWindowThreadProcessId(window, nullptr);
        posted = thread != 0 && PostThreadMessageW(thread, message, w, l);
    } else {
        posted = PostMessageW(window, message, w, l);
    }
    std::printf("{\"posted\":%d}\n", posted != FALSE);
    return posted ? 0 : 1;
}

// Waits on a named event as another process that watches it would (a pulse wakes every waiter of a
// manual-reset event).
int WaitEvent(int argc, wchar_t** argv) {
    if (argc != 4) return Usage();
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    if (!event) {
        std::printf("{\"opened\":0}\n");
        return 1;
    }
    std::printf("{\"waiting\":1}\n");
    std::fflush(stdout);
    const DWORD waited = WaitForSingleObject(event, DWORD(_wtoi(argv[3])));
    CloseHandle(event);
    std::printf("{\"signalled\":%d}\n", waited == WAIT_OBJECT_0);
    std::fflush(stdout);
    return waited == WAIT_OBJECT_0 ? 0 : 1;
}

// Runs the thread's messages for `ms` milliseconds (keys are translated, as an application's loop does).
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD now = start; now - start < ms; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (now - start), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// A helper application window at X Y W H (argv[2..5]) with its own class, made the foreground window;
// prints {"ready":1,"hwnd":N}. Null when it cannot be made.
HWND MakeHelperWindow(wchar_t** argv, const wchar_t* className, WNDPROC proc, DWORD exStyle) {
    int v[4];
    for (int i = 0; i < 4; ++i) v[i] = _wtoi(argv[2 + i]);
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(exStyle, className, L"helper", WS_POPUP | WS_VISIBLE, v[0], v[1], v[2], v[3], nullptr,
                                nullptr, wc.hInstance, nullptr);
    if (!hwnd) return nullptr;
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    std::printf("{\"ready\":1,\"hwnd\":%llu}\n", (unsigned long long)(UINT_PTR)hwnd);
    std::fflush(stdout);
    return hwnd;
}

// Takes the right to change values and make subkeys of HKCU\KEY away from everyone (reading stays allowed), as
// an administrator's policy or a damaged profile can.
int DenyWrite(int argc, wchar_t** argv) {
    if (argc != 3) return Usage();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, argv[2], 0, READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS) return 1;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    const DWORD aclSize = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone));
    std::vector<BYTE> aclBytes(aclSize);
    auto* acl = reinterpret_cast<ACL*>(aclBytes.data());
    InitializeAcl(acl, aclSize, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | WRITE_DAC, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    LONG set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    RegCloseKey(key);
    FreeSid(everyone);
    // Whether the system now refuses a write: the thing the test depends on.
    HKEY writable = nullptr;
    LONG refused = RegOpenKeyExW(HKEY_CURRENT_USER, argv[2], 0, KEY_SET_VALUE, &writable);
    if (writable) RegCloseKey(writable);
    std::printf("{\"set\":%d,\"write_refused\":%d}\n", set == ERROR_SUCCESS, refused != ERROR_SUCCESS);
    return set == ERROR_SUCCESS ? 0 : 1;
}

// Holds a named object for MS milliseconds, as another process may hold one the program names:
//   set-event     an auto-reset event left set (a request nobody has taken), default security;
//   denied-event  a manual-reset event whose access list grants only the system account, as an instance
//                 running elevated or at another integrity level may have made it;
//   mutex         a mutex (the name taken by an object of another kind).
// Prints {"held":1,"error":E,"reopen_error":R} once it holds the object: E is what its creation reported (183
// when the name existed already), R what an ordinary CreateEventW of the name reports now (0 when it works).
int Hold(int argc, wchar_t** argv) {
    if (argc != 5) return Usage();
    const std::wstring kind = argv[2];
    const wchar_t* name = argv[3];
    HANDLE object = nullptr;
    if (kind == L"set-event") {
        object = CreateEventW(nullptr, FALSE, TRUE, name);
    } else if (kind == L"denied-event") {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID system = nullptr;
        AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
        const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(system);
        std::vector<BYTE> aclBytes(aclSize);
        auto* acl = reinterpret_cast<ACL*>(aclBytes.data());
        InitializeAcl(acl, aclSize, ACL_REVISION);
        AddAccessAllowedAce(acl, ACL_REVISION, EVENT_ALL_ACCESS, system);
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
        object = CreateEventW(&attributes, TRUE, FALSE, name);
        FreeSid(system);
    } else if (kind == L"mutex") {
        object = CreateMutexW(nullptr, FALSE, name);
    } else {
        return Usage();
    }
    const DWORD error = object ? GetLastError() : 0;
    if (!object) {
        std::printf("{\"held\":0,\"error\":%lu}\n", (unsigned long)GetLastError());
        return 1;
    }
    HANDLE again = CreateEventW(nullptr, TRUE, FALSE, name);
    const DWORD reopenError = again ? 0 : GetLastError();
    if (again) CloseHandle(again);
    std::printf("{\"held\":1,\"error\":%lu,\"reopen_error\":%lu}\n", (unsigned long)error,
                (unsigned long)reopenError);
    std::fflush(stdout);
    Sleep(DWORD(_wtoi(argv[4])));
    CloseHandle(object);
    return 0;
}

// Pulses a named event, as another process of the program's family would.
int Pulse(int argc, wchar_t** argv) {
    if (argc != 3) return Usage();
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    BOOL pulsed = event && PulseEvent(event);
    if (event) CloseHandle(event);
    std::printf("{\"pulsed\":%d}\n", pulsed != FALSE);
    return pulsed ? 0 : 1;
}

// A helper application window: shown top-most at X Y W H for MS milliseconds, it notes when each wheel
// message arrives (a horizontal one as its delta times 1000). Prints {"ready":1} once it is up, a line at
// once for each wheel message, and at the end one summary line.
std::vector<std::pair<DWORD, int>> Wheels;

LRESULT CALLBACK HelperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) {
        int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        Wheels.emplace_back(GetTickCount(), message == WM_MOUSEWHEEL ? delta : delta * 1000);
        // At once, so that whoever reads the output sees when it came.
        std::printf("{\"wheel\":%d}\n", Wheels.back().second);
        std::fflush(stdout);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int WheelWindow(int argc, wchar_t** argv) {
    if (argc != 7) return Usage();
    HWND hwnd = MakeHelperWindow(argv, L"OrvelWheelHelper", HelperProc, WS_EX_TOPMOST);
    if (!hwnd) return 3;
    const DWORD start = GetTickCount();
    PumpFor(DWORD(_wtoi(argv[6])));
    std::string deltas;
    for (const auto& w : Wheels) deltas += (deltas.empty() ? "" : ",") + std::to_string(w.second);
    DWORD span = Wheels.empty() ? 0 : Wheels.back().first - Wheels.front().first;
    std::printf("{\"wheels\":%u,\"span_ms\":%lu,\"first_after_ms\":%lu,\"deltas\":[%s]}\n",
                unsigned(Wheels.size()), (unsigned long)span,
                (unsigned long)(Wheels.empty() ? 0 : Wheels.front().first - start), deltas.c_str());
    std::fflush(stdout);
    DestroyWindow(hwnd);
    return 0;
}

// A Wine program that does nothing: a hidden window and its message loop, for MS milliseconds. The idle
// benchmark's reference.
int Idle(int argc, wchar_t** argv) {
    if (argc != 3) return Usage();
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"idle", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    PumpFor(DWORD(_wtoi(argv[2])));
    if (hwnd) DestroyWindow(hwnd);
    return 0;
}

// A helper application window that takes the foreground and prints every key message at once:
// {"key":"down"|"up","vk":N,"scan":N,"extended":0|1}, and {"active":0|1} when it is activated or deactivated.
LRESULT CALLBACK KeysProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATE) {
        std::printf("{\"active\":%d}\n", LOWORD(wParam) != WA_INACTIVE);
        std::fflush(stdout);
    }
    if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) {
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        std::printf("{\"key\":\"%s\",\"vk\":%u,\"scan\":%u,\"extended\":%d}\n", down ? "down" : "up",
                    unsigned(wParam), unsigned((lParam >> 16) & 0xFF), int((lParam >> 24) & 1));
        std::fflush(stdout);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int KeysWindow(int argc, wchar_t** argv) {
    if (argc != 7 && argc != 8) return Usage();
    HWND hwnd = MakeHelperWindow(argv, L"OrvelKeysHelper", KeysProc, 0);
    if (!hwnd) return 3;
    const DWORD ms = DWORD(_wtoi(argv[6]));
    const DWORD slow = argc == 8 ? DWORD(_wtoi(argv[7])) : 0;
    if (slow == 0) {
        PumpFor(ms);
    } else {
        // Busy with its own work while it is not the active window: the activation another program asks for
        // (SetForegroundWindow) waits until it next looks at its messages.
        const DWORD start = GetTickCount();
        for (DWORD now = start; now - start < ms; now = GetTickCount()) {
            if (GetActiveWindow() != hwnd) Sleep(slow);
            PumpFor(10);
        }
    }
    DestroyWindow(hwnd);
    return 0;
}

// Hands the running program a report, or a function to run or release, through its test channel.
int Channel(int argc, wchar_t** argv) {
    if (argc < 3) return Usage();
    TestChannelMessage message{};
    std::memcpy(message.tag, kTestChannelTag, sizeof message.tag);
    std::wstring what = argv[2];
    if (what == L"report") {
        message.kind = kChannelReport;
        for (int i = 3; i < argc && message.length < sizeof message.bytes; ++i) {
            message.bytes[message.length++] = uint8_t(wcstoul(argv[i], nullptr, 16));
        }
    } else if (what == L"drop-hook") {
        message.kind = kChannelDropHook;
    } else if (what == L"resume") {
        message.kind = kChannelResume;
    } else if (what == L"stalls") {
        message.kind = kChannelStalls;
    } else if (what == L"raw-input") {
        message.kind = kChannelRawInput;
    } else if (what == L"objects") {
        message.kind = kChannelObjects;
    } else if ((what == L"display" || what == L"monitors") && (argc - 3) % 4 == 0) {
        // display: the desktop as if it had these monitors (left top right bottom each, at most four; none:
        // every monitor gone). monitors: the switcher takes these for the display's from now on (none: the
        // display's own again).
        message.kind = what == L"display" ? kChannelDisplayChange : kChannelMonitors;
        for (int i = 3; i + 3 < argc && message.length < 4; i += 4) {
            int32_t rect[4];
            for (int k = 0; k < 4; ++k) rect[k] = int32_t(_wtoi(argv[i + k]));
            std::memcpy(message.bytes + message.length * sizeof rect, rect, sizeof rect);
            ++message.length;
        }
    } else if (what == L"dpi" && argc >= 4) {
        // dpi NEW [FROM]: every shown window of the program gets WM_DPICHANGED for NEW (from FROM).
        message.kind = kChannelDpiChange;
        message.function = int32_t(_wtoi(argv[3]));
        const int32_t from = argc >= 5 ? int32_t(_wtoi(argv[4])) : 0;
        std::memcpy(message.bytes, &from, sizeof from);
        message.length = sizeof from;
    } else if (what == L"busy" && argc >= 4) {
        message.kind = kChannelBusy;
        message.function = int32_t(_wtoi(argv[3]));
    } else if ((what == L"run" || what == L"release") && argc >= 4) {
        message.kind = what == L"run" ? kChannelRun : kChannelRelease;
        message.function = int32_t(_wtoi(argv[3]));
    } else {
        return Usage();
    }
    HWND program = FindWindowW(L"#32770", L"Orvel Mouse Assistant");
    COPYDATASTRUCT data{kTestChannelData, sizeof message, &message};
    DWORD_PTR answer = 0;
    LRESULT sent = program ? SendMessageTimeoutW(program, WM_COPYDATA, 0, LPARAM(&data), SMTO_ABORTIFHUNG, 5000,
                                                 &answer)
                           : 0;
    std::printf("{\"found\":%d,\"sent\":%d,\"answer\":%llu}\n", program != nullptr, sent != 0,
                (unsigned long long)answer);
    return program && sent && answer ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    std::wstring command = argv[1];
    if (command == L"windows") return Windows(argc, argv);
    if (command == L"procs") return Procs(argc, argv);
    if (command == L"run") return Run(argc, argv);
    if (command == L"foreground" && argc == 2) return Foreground();
    if (command == L"load") return Load(argc, argv);
    if (command == L"tray-delete") return TrayDelete(argc, argv);
    if (command == L"broadcast") return Broadcast(argc, argv);
    if (command == L"pulse") return Pulse(argc, argv);
    if (command == L"message") return Message(argc, argv);
    if (command == L"send") return Send(argc, argv);
    if (command == L"arrival") return Arrival(argc, argv);
    if (command == L"post") return Post(argc, argv, false);
    if (command == L"post-thread") return Post(argc, argv, true);
    if (command == L"wait-event") return WaitEvent(argc, argv);
    if (command == L"wheel-window") return WheelWindow(argc, argv);
    if (command == L"idle") return Idle(argc, argv);
    if (command == L"keys-window") return KeysWindow(argc, argv);
    if (command == L"channel") return Channel(argc, argv);
    if (command == L"deny-write") return DenyWrite(argc, argv);
    if (command == L"hold") return Hold(argc, argv);
    return Usage();
}
