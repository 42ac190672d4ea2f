#pragma once
// The settings window: the program's one long-lived window. It owns the notification icon, receives raw
// input and device notices, owns every overlay window and worker thread, and its initialisation brings the
// whole program up in a fixed order (see OnInitDialog).
//
// Threads: the window and everything in it belong to the main thread. Worker threads hold a pointer to it and
// use only the window calls the system carries over to the main thread (show, bring to top, set foreground,
// invalidate) and EndDialog.
#include "overlays/Image_win.h"
#include "toolkit/Dialog_win.h"
#include "toolkit/Handle_win.h"

#include <shellapi.h>

#include <string>
#include <vector>

class CKestanAssistantDlg : public Dialog {
public:
    CKestanAssistantDlg();
    ~CKestanAssistantDlg() override;

    // Shows the window and hands it the foreground, as a second start of the program asks.
    void ShowFromOutside();

protected:
    Reply OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Reply OnInitDialog(WPARAM, LPARAM);
    Reply OnPaint(WPARAM, LPARAM);
    Reply OnEraseBackground(WPARAM, LPARAM);
    Reply OnQueryDragIcon(WPARAM, LPARAM);
    Reply OnRawInputMessage(WPARAM, LPARAM);
    Reply OnTrayNotify(WPARAM, LPARAM);
    Reply OnDeviceChange(WPARAM, LPARAM);
    Reply OnTimer(WPARAM, LPARAM);
    Reply OnCommand(WPARAM, LPARAM);
    Reply OnDestroy(WPARAM, LPARAM);
    static const MessageEntry<CKestanAssistantDlg> kMessages[];

    void OnRawInput(HRAWINPUT input);
    void AddTrayIcon();
    void ShowTrayMenu();
    void OnShowCommand();
    void OnExitCommand();
    void StopHandshake();
    void CreateOverlays();
    void LoadBackground();
    void StartWorkerThreads();
    void LoadHookLibrary();
    void StopWorkerThreads();

    HICON appIcon = nullptr;        // icon group 128, shared: not destroyed
    HICON trayIcon = nullptr;       // icon group 128 at 16 x 16, owned
    PngImage backgroundImage;       // PNG 129: the window's picture and shape
    UniqueBitmap backgroundBitmap;  // backgroundImage as a 32-bit bitmap, made once
    HWND exposeCheckBox = nullptr;  // control 1000 of the template; bound but never read
    UINT taskbarCreatedMessage = 0; // the shell's "TaskbarCreated": Explorer restarted, the icon is gone
    bool firstFrameTraced = false;

    UniqueMouseHook mouseHook;
    UniqueWinEventHook foregroundHook;
    bool comInitialised = false;
    std::vector<UniqueKernelHandle> workerThreads;  // joined (bounded) when the window is destroyed
};

// Process-wide pointers to the long-lived windows (main thread; the worker threads read them after start-up).
class EXPOSE_DLG;
class CircleDLG;
class CursorDlg;
class BoardDlg;
class ZuItemList;
class ZuTipDLG;
extern CKestanAssistantDlg* MainWindow;
extern EXPOSE_DLG* ExposeWindow;
extern CircleDLG* CircleWindow;
extern CursorDlg* CursorWindow;
extern BoardDlg* BoardWindow;
extern ZuItemList* PickerWindow;
extern ZuTipDLG* TheTip;  // none until the first tip is shown
// The program's folder, ending with a backslash. Set once at initialisation.
extern std::wstring ProgramDir;
