#include "app/SingleInstance.h"

namespace {
// The system's error numbers (winerror.h), fixed for good.
constexpr unsigned long kErrorAccessDenied = 5;
constexpr unsigned long kErrorInvalidHandle = 6;  // what a name of another object kind reports
constexpr unsigned long kErrorAlreadyExists = 183;
}  // namespace

InstanceEventCreation ClassifyInstanceEventCreation(bool handleReturned, unsigned long lastError) {
    // A handle is an event of that name either way; only "already exists" says whose. Any other error number
    // beside a handle is a leftover of an earlier call.
    if (handleReturned) {
        return lastError == kErrorAlreadyExists ? InstanceEventCreation::AlreadyExisted
                                                : InstanceEventCreation::Created;
    }
    switch (lastError) {
    case kErrorAccessDenied:
        return InstanceEventCreation::AccessDenied;
    case kErrorInvalidHandle:
        return InstanceEventCreation::NameTaken;
    default:
        return InstanceEventCreation::Failed;
    }
}

StartRole DecideStartRole(InstanceEventCreation creation) {
    switch (creation) {
    case InstanceEventCreation::AlreadyExisted:
    case InstanceEventCreation::AccessDenied:
    case InstanceEventCreation::NameTaken:
        return StartRole::Messenger;
    case InstanceEventCreation::Created:
    case InstanceEventCreation::Failed:
        break;
    }
    return StartRole::Resident;
}

const char* InstanceEventCreationName(InstanceEventCreation creation) {
    switch (creation) {
    case InstanceEventCreation::Created:
        return "created";
    case InstanceEventCreation::AlreadyExisted:
        return "existed";
    case InstanceEventCreation::AccessDenied:
        return "denied";
    case InstanceEventCreation::NameTaken:
        return "name-taken";
    case InstanceEventCreation::Failed:
        break;
    }
    return "failed";
}
