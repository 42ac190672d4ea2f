// Resource ids of Orvel Mouse Assistant. Plain #defines only: this header is read by the C++ sources and by
// windres when it compiles Orvel.rc, so it must stay free of anything the resource compiler cannot parse.
#ifndef ORVEL_RESOURCES_RESOURCE_H
#define ORVEL_RESOURCES_RESOURCE_H

// The program's title: the settings window's caption, the version information, and (as kProgramTitle) the
// notification icon's tip and the caption of the program's message boxes.
#define ORVEL_PROGRAM_TITLE "Orvel Mouse Assistant"

// Dialog templates: the settings window, then the overlays and the window switcher.
#define IDD_KESTANASSISTANT_DIALOG 102
#define IDD_CURSOR 141
#define IDD_EXPOSE 142
#define IDD_PANEL 143
#define IDD_ITEMLIST 146
#define IDD_TIP 151
#define IDD_BOARD 163
#define IDD_CIRCLE 164

// Strings.
#define IDS_SOCKET_STARTUP_FAILED 103

// Icon group of the program (window, taskbar and notification area).
#define IDR_MAINFRAME 128

// Notification-area menu and its commands.
#define IDR_TRAYMENU 166
#define ID_SYSTEM_SHOW 32771
#define ID_SYSTEM_EXIT 32772

// Cursors: the hand over the settings view's hot spots, the pen of the board.
#define IDC_HAND_CURSOR 150
#define IDC_PEN_CURSOR 167

// Controls of the settings window's template.
#define IDC_EXPOSE_CHECK 1000

// PNG images live under the custom resource type "PNG": FindResourceW(module, MAKEINTRESOURCEW(id), RT_PNG).
// The resource compiler wants the type as a bare name, C++ as a wide string.
#define IDB_BACKGROUND 129
#ifdef RC_INVOKED
#define RT_PNG PNG
#else
#define RT_PNG L"PNG"
#endif

#endif
