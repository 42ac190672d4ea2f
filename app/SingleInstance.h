#pragma once
// Whether a start of the program becomes the resident instance or only carries a message to the instance that
// runs, decided from what creating the single-instance event "qvmouseeventtouch" reported.

// What the creation reported.
enum class InstanceEventCreation {
    Created,         // the event is new: no instance runs
    AlreadyExisted,  // an instance made it
    AccessDenied,    // it exists, and its access list refuses this process: an instance running elevated or at
                     // another integrity level
    NameTaken,       // the name belongs to an object of another kind
    Failed,          // nothing was made, for another reason (the system out of resources)
};

enum class StartRole {
    Resident,   // runs the program
    Messenger,  // asks the running instance to show its window, then ends without a window
};

// `handleReturned`: whether the creation gave a handle; `lastError`: the thread's last error right after it.
InstanceEventCreation ClassifyInstanceEventCreation(bool handleReturned, unsigned long lastError);

// Whatever holds the name, an instance we cannot reach still installs its hook and owns the mice: a second
// resident beside it would double every function. Only a creation that failed without anyone holding the name
// (nothing says another instance runs) leaves this start to run.
StartRole DecideStartRole(InstanceEventCreation creation);

// The creation's name in trace lines: "created", "existed", "denied", "name-taken", "failed".
const char* InstanceEventCreationName(InstanceEventCreation creation);
