#pragma once
// The names the program is known by, to the user and to other processes. Other programs open the events by
// these exact names, so they never change.

#include "resources/resource.h"

// The window title, the notification icon's tip and the caption of the program's message boxes.
inline constexpr wchar_t kProgramTitle[] = L"" ORVEL_PROGRAM_TITLE;

// A pulse shows the running instance's settings window (a second start); during a stop it wakes the
// event watch.
inline constexpr wchar_t kInstanceEventName[] = L"qvmouseeventtouch";
// A pulse ends the running instance ("/close", the notification menu's Exit, an uninstaller).
inline constexpr wchar_t kCloseEventName[] = L"qvmouseeventtouch_close";
// Our own close request, set (not pulsed) beside each pulse of kCloseEventName: auto-reset, so a request
// waits until the event watch takes it. Programs of the family that know only the pulse are unaffected.
inline constexpr wchar_t kCloseRequestEventName[] = L"OrvelMouseAssistant_CloseRequest";
// Pulsed each time tilt steps were added (the mouse hook, the vendor-report decoder) and by the stop; only
// other processes wait on it (the tilt thread has an event of its own).
inline constexpr wchar_t kTiltEventName[] = L"TiltQV24GWaitEventtouch";
// Pulsed by the Default button and by the stop; only other processes wait on it.
inline constexpr wchar_t kTiltNoticeEventName[] = L"TiltQV24GWaitEventtouchev";
