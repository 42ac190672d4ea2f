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
#define IDB_BACKGROUND 129             // 670 x 500: the settings window's picture and shape
#define IDB_GESTURE_UP_FIRST 131       // 131..140, 32 x 32: two finger dots moving up
#define IDB_FOLDER 144                 // 24 x 24: in front of the picker's group rows
#define IDB_PICKER_TEXTURE 148         // 200 x 200: the picker's background tile
#define IDB_TIP_BAR 149                // 102 x 32: the tooltip's bar, stretched
#define IDB_ICON_COPY 152              // 24 x 24 icons of catalogue entries ...
#define IDB_ICON_PASTE 153
#define IDB_ICON_NO_ENTRY 154
#define IDB_ICON_WINDOWS 155
#define IDB_ICON_COMPUTER 156
#define IDB_ICON_VOLUME_DOWN 161
#define IDB_ICON_VOLUME_UP 162
#define IDB_MAGNIFIER_FRAME 165        // 300 x 300: a 4-pixel frame around a clear inside
#define IDB_ICON_CUT 169
#define IDB_ICON_SNAP_FREEFORM 170
#define IDB_GESTURE_LEFT_FIRST 171     // 171..180
#define IDB_GESTURE_RIGHT_FIRST 181    // 181..190
#define IDB_GESTURE_DOWN_FIRST 191     // 191..200
#define IDB_ICON_SNAP_RECT 201
#define IDB_PHOTO 205                  // 500 x 365: the photograph of the trackball
// Each of these pictures is also embedded at 1.5x as id + 1000 and at 2x as id + 2000 (1129 is the background at
// 1005 x 750, 2129 at 1340 x 1000): every size is the 1x one times 1.5 or 2, rounded half up. The offsets must stay
// those of kArtIdStep15 and kArtIdStep2 in shell/DisplayScale.h, which the program looks the pictures up by.
#define ORVEL_ART_ID_STEP_15 1000
#define ORVEL_ART_ID_STEP_2 2000
#ifdef RC_INVOKED
#define RT_PNG PNG
#else
#define RT_PNG L"PNG"
#endif

#endif
