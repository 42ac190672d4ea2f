#pragma once
// The named events through which other processes talk to the running instance. The two the program family
// shares ("qvmouseeventtouch", "qvmouseeventtouch_close") are manual-reset, created signalled and reset at
// once, and only ever pulsed: a pulse with no waiter is lost. The close request of our own is what makes a
// "/close" impossible to lose.
#include "shell/Names.h"
#include "app/SingleInstance.h"

#include <windows.h>

// The instance's named events: created by the entry at start-up and handed to the owner, which hands them
// to the watches that wait on them; closed by the entry when the program has ended every thread that waits
// on them (a worker given up on at shutdown may still wait, and then they stay open until the process ends).
struct NamedEvents {
    HANDLE instance = nullptr;      // "qvmouseeventtouch", waited on by the event watch
    HANDLE close = nullptr;         // "qvmouseeventtouch_close", waited on by the event watch
    HANDLE closeRequest = nullptr;  // our close request, waited on by the event watch; null when not had
};

// Creates "qvmouseeventtouch" (manual reset, signalled, default security) and tells what the creation
// reported in `creation` (may be null): when another instance had created it already, the handle returned
// refers to that instance's event. Null when no handle could be had (refused access among the reasons).
HANDLE CreateInstanceEvent(InstanceEventCreation* creation);

// Creates "qvmouseeventtouch_close" (manual reset, signalled) with an access list that lets Everyone and
// the Administrators open it with full access, so that another user's process (an uninstaller) can pulse
// it. Each failing security call is written to the standard output stream and start-up goes on; when the
// descriptor cannot be completed the event gets default security.
HANDLE CreateCloseEvent();

// Creates or opens the close request (kCloseRequestEventName): auto-reset, made non-signalled, Everyone may
// set it. A messenger sets it besides pulsing the close event; it stays set until the event watch's wait takes
// it, so a request made while the watch is not waiting (still starting, or busy) is kept. The object lives
// only while somebody holds it: a request made when no instance runs goes with the messenger's handle. Null
// when it can be neither created nor opened (the watch then has the pulse alone).
HANDLE OpenCloseRequestEvent();

// Opens an existing event with EVENT_MODIFY_STATE, pulses it and closes the handle. False when no such
// event exists (nothing is pulsed then).
bool PulseNamedEvent(const wchar_t* name);

// Opens an existing event with EVENT_MODIFY_STATE, sets it and closes the handle. False when no such event
// exists or it could not be set. Never creates it: set in a new object, the request would go with the handle.
bool SetNamedEvent(const wchar_t* name);

// Puts an event back to non-signalled; a null handle is ignored.
void ResetStartupEvent(HANDLE event);
