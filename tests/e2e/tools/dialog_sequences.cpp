// orvel_dialog_sequences: the toolkit's Dialog checked under Wine the way Wine's own user32 tests check
// windows: a recording dialog notes the messages it is handed, and each test compares the record with a
// table of the expected sequence. Also what the toolkit's window procedures and the UI thread's work runner
// do with an exception that escapes a handler. Prints one JSON object per test
//     {"test":NAME,"ok":0|1,"detail":TEXT}
// and exits 0 when every test passed, 1 otherwise.
#include "toolkit/Dialog_win.h"
#include "toolkit/UiThread_win.h"

#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int IDD_PROBE = 100;
constexpr int IDD_PROBE_HIDDEN = 101;
constexpr int IDC_PROBE_EDIT = 1000;

constexpr UINT kAnswered = WM_APP + 1;   // the table answers 42 + wParam
constexpr UINT kNoRow = WM_APP + 2;      // no row: default handling
constexpr UINT kConsumed = WM_APP + 3;   // eaten by PreTranslateMessage
constexpr UINT kPassed = WM_APP + 4;     // seen by PreTranslateMessage, then handled
constexpr UINT kThreadNote = WM_APP + 5; // a thread message (no window)
constexpr UINT kEndNow = WM_APP + 6;     // its handler ends the modal run with 5
constexpr UINT kThrows = WM_APP + 7;     // its handler throws: std::bad_alloc for wParam 0, else another
constexpr UINT kPreThrows = WM_APP + 8;  // PreTranslateMessage throws std::bad_alloc for it

struct Seen {
    UINT message;
    WPARAM w;
    LPARAM l;
};

// A row of an expected sequence, as in Wine's tests: the message, and which of its values count.
enum Flags { kAny = 0, kCheckW = 1, kCheckL = 2, kOptional = 4 };
struct Expect {
    UINT message;
    int flags;
    WPARAM w;
    LPARAM l;
};

bool Interesting(UINT m) {
    return m == WM_SETFONT || m == WM_INITDIALOG || m == WM_COMMAND || m == WM_TIMER || m == WM_DESTROY ||
           m == WM_NCDESTROY || (m >= WM_APP && m < WM_APP + 16);
}

std::string Name(UINT m) {
    switch (m) {
    case WM_SETFONT: return "WM_SETFONT";
    case WM_INITDIALOG: return "WM_INITDIALOG";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_TIMER: return "WM_TIMER";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_NCDESTROY: return "WM_NCDESTROY";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    default: break;
    }
    char text[32];
    if (m >= WM_APP) {
        std::snprintf(text, sizeof text, "WM_APP+%u", m - WM_APP);
    } else {
        std::snprintf(text, sizeof text, "0x%04x", m);
    }
    return text;
}

std::string Describe(const std::vector<Seen>& seen) {
    std::string out;
    for (const Seen& s : seen) {
        char values[64];
        std::snprintf(values, sizeof values, "(%llu,%lld)", (unsigned long long)s.w, (long long)s.l);
        out += (out.empty() ? "" : " ") + Name(s.message) + values;
    }
    return out;
}

// Compares like Wine's ok_sequence: every row in order, optional rows may be missing, nothing else may come.
template <size_t N>
bool SequenceMatches(const std::vector<Seen>& seen, const Expect (&want)[N], std::string& why) {
    size_t at = 0;
    for (const Expect& row : want) {
        if (at < seen.size() && seen[at].message == row.message) {
            const Seen& s = seen[at];
            if ((row.flags & kCheckW) && s.w != row.w) {
                why = Name(row.message) + ": wParam differs";
                return false;
            }
            if ((row.flags & kCheckL) && s.l != row.l) {
                why = Name(row.message) + ": lParam differs";
                return false;
            }
            ++at;
        } else if (!(row.flags & kOptional)) {
            why = "missing " + Name(row.message) + (at < seen.size() ? " before " + Name(seen[at].message) : "");
            return false;
        }
    }
    if (at != seen.size()) {
        why = "unexpected " + Name(seen[at].message);
        return false;
    }
    return true;
}

class Recorder : public Dialog {
public:
    std::vector<Seen> seen;
    std::vector<Seen> preTranslated;
    LRESULT initResult = TRUE;
    HWND hwndAtInit = nullptr;
    std::vector<msg::Command> commands;
    std::vector<UINT_PTR> timers;
    bool postScriptAtInit = false;  // WM_INITDIALOG posts the pre-translation test's messages
    bool postThrowAtInit = false;   // WM_INITDIALOG posts kPreThrows, then kEndNow
    int outOfMemory = 0;            // OnOperationFailed's calls, by kind
    int otherFailures = 0;

protected:
    Reply OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool PreTranslateMessage(MSG& m) override {
        if (m.message == WM_KEYDOWN || (m.message >= WM_APP && m.message < WM_APP + 16)) {
            preTranslated.push_back({m.message, m.wParam, LPARAM(m.hwnd == Hwnd() ? 1 : m.hwnd ? 2 : 0)});
        }
        if (m.message == kPreThrows) throw std::bad_alloc();
        return m.message == kConsumed;
    }

    void OnOperationFailed(bool memory) noexcept override { ++(memory ? outOfMemory : otherFailures); }

private:
    Reply OnInit(msg::InitDialog) {
        hwndAtInit = Hwnd();
        if (postScriptAtInit) {
            // Posted messages come out of the queue in posting order, thread messages among them.
            PostMessageW(Hwnd(), kConsumed, 0, 0);
            PostMessageW(Hwnd(), kPassed, 0, 0);
            PostThreadMessageW(GetCurrentThreadId(), kThreadNote, 0, 0);
            PostMessageW(GetDlgItem(Hwnd(), IDC_PROBE_EDIT), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageW(Hwnd(), kEndNow, 0, 0);
        }
        if (postThrowAtInit) {
            PostMessageW(Hwnd(), kPreThrows, 0, 0);
            PostMessageW(Hwnd(), kEndNow, 0, 0);
        }
        return Handled(initResult);
    }
    Reply OnThrows(msg::Params p) {
        if (p.w == 0) throw std::bad_alloc();
        throw std::runtime_error("a handler's fault");
    }
    Reply OnAnswered(msg::Params p) { return Handled(LRESULT(42 + p.w)); }
    Reply OnPassed() { return Handled(0); }
    Reply OnEndNow() {
        EndDialog(5);
        return Handled(0);
    }
    Reply OnCommand(msg::Command c) {
        commands.push_back(c);
        return Handled(0);
    }
    Reply OnTimer(msg::Timer t) {
        timers.push_back(t.id);
        return Handled(0);
    }
    Reply OnQueryDragIcon() { return Handled(0x1234); }
    static const MessageEntry<Recorder> kTable[];
};

const MessageEntry<Recorder> Recorder::kTable[] = {
    {WM_INITDIALOG, On<&Recorder::OnInit>},   {kAnswered, On<&Recorder::OnAnswered>},
    {kPassed, On<&Recorder::OnPassed>},       {kEndNow, On<&Recorder::OnEndNow>},
    {WM_COMMAND, On<&Recorder::OnCommand>},   {WM_TIMER, On<&Recorder::OnTimer>},
    {WM_QUERYDRAGICON, On<&Recorder::OnQueryDragIcon>}, {kThrows, On<&Recorder::OnThrows>},
};

Dialog::Reply Recorder::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (Interesting(message)) seen.push_back({message, wParam, lParam});
    return DispatchMessageTable(*this, kTable, message, wParam, lParam);
}

int failures = 0;

void Report(const char* test, bool ok, const std::string& detail) {
    std::string quoted;
    for (char c : detail) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += (unsigned char)c < 0x20 ? ' ' : c;
    }
    std::printf("{\"test\":\"%s\",\"ok\":%d,\"detail\":\"%s\"}\n", test, ok ? 1 : 0, quoted.c_str());
    std::fflush(stdout);
    if (!ok) ++failures;
}

// The edit control tells the dialog when it gets and loses the focus; whether it does depends on activation.
constexpr WPARAM kEditGotFocus = MAKEWPARAM(IDC_PROBE_EDIT, EN_SETFOCUS);
constexpr WPARAM kEditLostFocus = MAKEWPARAM(IDC_PROBE_EDIT, EN_KILLFOCUS);

// Creation: the font comes before WM_INITDIALOG and so never reaches the object; WM_INITDIALOG is the first
// message it sees, already bound to its window. Destruction ends with WM_NCDESTROY, after which the object
// has no window and hears nothing more.
void CreationAndDestruction() {
    static const Expect kCreate[] = {
        {WM_INITDIALOG, kAny, 0, 0},
        {WM_COMMAND, kCheckW | kOptional, kEditGotFocus, 0},
    };
    static const Expect kDestroy[] = {
        {WM_COMMAND, kCheckW | kOptional, kEditLostFocus, 0},
        {WM_DESTROY, kAny, 0, 0},
        {WM_NCDESTROY, kAny, 0, 0},
    };
    Recorder r;
    std::string why;
    bool created = r.Create(IDD_PROBE);
    bool ok = created && SequenceMatches(r.seen, kCreate, why);
    if (ok && (r.hwndAtInit == nullptr || r.hwndAtInit != r.Hwnd())) {
        ok = false;
        why = "the object was not bound to its window at WM_INITDIALOG";
    }
    Report("create", ok, ok ? Describe(r.seen) : why + ": " + Describe(r.seen));

    HWND hwnd = r.Hwnd();
    r.seen.clear();
    r.Destroy();
    ok = SequenceMatches(r.seen, kDestroy, why) && r.Hwnd() == nullptr && !IsWindow(hwnd);
    const size_t heard = r.seen.size();
    SendMessageW(hwnd, kAnswered, 0, 0);  // the window is gone: nothing may reach the object
    ok = ok && r.seen.size() == heard;
    Report("destroy", ok, (ok ? "" : why + ": ") + Describe(r.seen));

    // An object that goes while its window is still there takes the window with it.
    auto* owner = new Recorder;
    owner->Create(IDD_PROBE_HIDDEN);
    HWND orphan = owner->Hwnd();
    delete owner;
    Report("object-takes-window", orphan && !IsWindow(orphan), orphan ? "" : "no window");
}

// WM_INITDIALOG's answer decides whether the system gives the focus to the first control.
void InitResultAndFocus() {
    for (LRESULT result : {LRESULT(TRUE), LRESULT(FALSE)}) {
        Recorder r;
        r.initResult = result;
        SetFocus(nullptr);
        r.Create(IDD_PROBE_HIDDEN);
        HWND edit = GetDlgItem(r.Hwnd(), IDC_PROBE_EDIT);
        bool focused = GetFocus() == edit;
        char detail[96];
        std::snprintf(detail, sizeof detail, "init answered %d, focus %p, edit %p", int(result), (void*)GetFocus(),
                      (void*)edit);
        Report(result ? "init-true-focuses-first-control" : "init-false-leaves-focus", edit && focused == !!result,
               detail);
    }
}

// The table's answers: a handled message returns its value through DWLP_MSGRESULT, WM_QUERYDRAGICON
// straight from the dialog procedure, a message without a row gets the default handling; the values reach
// the handlers decoded.
void TableReplies() {
    Recorder r;
    r.Create(IDD_PROBE_HIDDEN);
    HWND hwnd = r.Hwnd();
    r.commands.clear();  // the edit control's focus notice
    LRESULT answered = SendMessageW(hwnd, kAnswered, 5, 0);
    LRESULT unanswered = SendMessageW(hwnd, kNoRow, 5, 0);
    LRESULT icon = SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0);
    SendMessageW(hwnd, WM_TIMER, 77, 0);
    HWND control = reinterpret_cast<HWND>(LONG_PTR(0x4242));
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(1000, 5), LPARAM(control));
    char detail[160];
    std::snprintf(detail, sizeof detail, "answered %lld, no row %lld, drag icon 0x%llx, timers %zu, commands %zu",
                  (long long)answered, (long long)unanswered, (unsigned long long)icon, r.timers.size(),
                  r.commands.size());
    bool ok = answered == 47 && unanswered == 0 && icon == 0x1234 && r.timers.size() == 1 && r.timers[0] == 77 &&
              r.commands.size() == 1 && r.commands[0].id == 1000 && r.commands[0].notifyCode == 5 &&
              r.commands[0].control == control;
    Report("table-replies", ok, detail);
}

struct EndLater {
    Recorder* dialog;
    HANDLE ready;
};

DWORD WINAPI EndFromAnotherThread(void* parameter) {
    auto* job = static_cast<EndLater*>(parameter);
    WaitForSingleObject(job->ready, 5000);
    Sleep(50);
    job->dialog->EndDialog(77);
    return 0;
}

// EndDialog from another thread wakes the modal loop, which destroys the window and returns the result.
void EndDialogFromAnotherThread() {
    static const Expect kRun[] = {
        {WM_INITDIALOG, kAny, 0, 0},
        {WM_COMMAND, kCheckW | kOptional, kEditGotFocus, 0},
        {WM_COMMAND, kCheckW | kOptional, kEditLostFocus, 0},
        {WM_DESTROY, kAny, 0, 0},
        {WM_NCDESTROY, kAny, 0, 0},
    };
    Recorder r;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EndLater job{&r, ready};
    HANDLE thread = CreateThread(nullptr, 0, EndFromAnotherThread, &job, 0, nullptr);
    SetEvent(ready);
    DWORD started = GetTickCount();
    INT_PTR result = r.RunModal(IDD_PROBE);
    DWORD took = GetTickCount() - started;
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(ready);
    std::string why;
    bool ok = result == 77 && r.Hwnd() == nullptr && SequenceMatches(r.seen, kRun, why) && took < 3000;
    char detail[64];
    std::snprintf(detail, sizeof detail, "result %lld after %lu ms; ", (long long)result, (unsigned long)took);
    Report("end-dialog-from-another-thread", ok, detail + why + " " + Describe(r.seen));
}

// The modal loop shows every message of the thread to PreTranslateMessage first: the one it consumes never
// reaches the window, the others go on, a thread message included, and Escape then becomes IDCANCEL through
// the dialog's keyboard handling.
void PreTranslation() {
    static const Expect kRun[] = {
        {WM_INITDIALOG, kAny, 0, 0},
        {WM_COMMAND, kCheckW | kOptional, kEditGotFocus, 0},
        {kPassed, kAny, 0, 0},
        {WM_COMMAND, kCheckW, IDCANCEL, 0},
        {kEndNow, kAny, 0, 0},
        {WM_COMMAND, kCheckW | kOptional, kEditLostFocus, 0},
        {WM_DESTROY, kAny, 0, 0},
        {WM_NCDESTROY, kAny, 0, 0},
    };
    static const Expect kSeenFirst[] = {
        {kConsumed, kCheckL, 0, 1},  // lParam here: 1 = sent to the dialog, 2 = to a control, 0 = thread message
        {kPassed, kCheckL, 0, 1},
        {kThreadNote, kCheckL, 0, 0},
        {WM_KEYDOWN, kCheckW | kCheckL, VK_ESCAPE, 2},
        {kEndNow, kCheckL, 0, 1},
    };
    Recorder r;
    r.postScriptAtInit = true;
    INT_PTR result = r.RunModal(IDD_PROBE);
    std::string why, whyFirst;
    bool run = SequenceMatches(r.seen, kRun, why);
    bool first = SequenceMatches(r.preTranslated, kSeenFirst, whyFirst);
    Report("pre-translation-order", first, whyFirst + " " + Describe(r.preTranslated));
    Report("pre-translation-consumes", run && result == 5, why + " " + Describe(r.seen));
}

// A handler that throws abandons its one message: the dialog procedure answers it as unhandled (the
// default handling, not the last handled message's result), the window hears of the failure once with its
// kind, and it goes on answering; the process lives on.
void HandlerThrows() {
    Recorder r;
    r.Create(IDD_PROBE_HIDDEN);
    HWND hwnd = r.Hwnd();
    const LRESULT before = SendMessageW(hwnd, kAnswered, 5, 0);
    const LRESULT memory = SendMessageW(hwnd, kThrows, 0, 0);
    const int heardMemory = r.outOfMemory, heardOther = r.otherFailures;
    const LRESULT other = SendMessageW(hwnd, kThrows, 1, 0);
    const LRESULT after = SendMessageW(hwnd, kAnswered, 1, 0);
    char detail[160];
    std::snprintf(detail, sizeof detail,
                  "answers %lld %lld %lld %lld; heard after bad_alloc %d/%d, after both %d/%d (memory/other)",
                  (long long)before, (long long)memory, (long long)other, (long long)after, heardMemory, heardOther,
                  r.outOfMemory, r.otherFailures);
    const bool ok = before == 47 && memory == 0 && other == 0 && after == 43 && heardMemory == 1 &&
                    heardOther == 0 && r.outOfMemory == 1 && r.otherFailures == 1 && IsWindow(hwnd);
    Report("handler-throws", ok, detail);
}

// PreTranslateMessage that throws in the modal loop: the message goes on to the window as if it had not been
// looked at, the window hears of the failure, and the loop runs on to its end.
void PreTranslateThrows() {
    static const Expect kRun[] = {
        {WM_INITDIALOG, kAny, 0, 0},
        {WM_COMMAND, kCheckW | kOptional, kEditGotFocus, 0},
        {kPreThrows, kAny, 0, 0},
        {kEndNow, kAny, 0, 0},
        {WM_COMMAND, kCheckW | kOptional, kEditLostFocus, 0},
        {WM_DESTROY, kAny, 0, 0},
        {WM_NCDESTROY, kAny, 0, 0},
    };
    Recorder r;
    r.postThrowAtInit = true;
    const INT_PTR result = r.RunModal(IDD_PROBE);
    std::string why;
    const bool ok = SequenceMatches(r.seen, kRun, why) && result == 5 && r.outOfMemory == 1;
    char counts[64];
    std::snprintf(counts, sizeof counts, "result %lld, heard %d; ", (long long)result, r.outOfMemory);
    Report("pre-translate-throws", ok, counts + why + " " + Describe(r.seen));
}

// Runs the thread's messages until `done` or `ms` have passed; false on the timeout.
template <class Done>
bool PumpUntil(Done done, DWORD ms) {
    const DWORD start = GetTickCount();
    MSG m;
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
    return true;
}

// Work posted for the UI thread that throws is abandoned alone: the work queued behind it in the same batch
// runs, and so does the next batch.
void PostedWorkThrows() {
    std::vector<int> ran;
    const bool opened = UiThread::Open();
    UiThread::Post([&ran] { ran.push_back(1); });
    UiThread::Post([] { throw std::bad_alloc(); });
    UiThread::Post([&ran] { ran.push_back(3); });
    const bool first = PumpUntil([&ran] { return ran.size() >= 2; }, 3000);
    UiThread::Post([] { throw std::runtime_error("a closure's fault"); });
    UiThread::Post([&ran] { ran.push_back(5); });
    const bool second = PumpUntil([&ran] { return ran.size() >= 3; }, 3000);
    UiThread::Close();
    std::string detail = !opened  ? "the work window was not made; "
                         : !first ? "timed out waiting for the work behind the bad_alloc; "
                         : !second ? "timed out waiting for the batch after the other exception; "
                                   : "";
    detail += "ran";
    for (int n : ran) detail += " " + std::to_string(n);
    Report("posted-work-throws", opened && first && second && ran == std::vector<int>{1, 3, 5}, detail);
}

}  // namespace

int wmain() {
    CreationAndDestruction();
    InitResultAndFocus();
    TableReplies();
    EndDialogFromAnotherThread();
    PreTranslation();
    HandlerThrows();
    PreTranslateThrows();
    PostedWorkThrows();
    return failures == 0 ? 0 : 1;
}
