#include "app/SingleInstance_win.h"

#include "toolkit/Handle_win.h"

#include <aclapi.h>

#include <cstdio>


namespace {

constexpr DWORD kCloseEventAccess = 0xF003F;  // every standard right and every event right
// All a messenger needs of the close request: to set it. The instance waits on it and resets it.
constexpr DWORD kCloseRequestAccess = SYNCHRONIZE | EVENT_MODIFY_STATE;

void Report(bool report, const char* format, DWORD error) {
    if (!report) return;
    std::printf(format, static_cast<unsigned>(error));
    std::fflush(stdout);
}

void FillEntry(EXPLICIT_ACCESSW& entry, PSID sid, TRUSTEE_TYPE type, DWORD access) {
    ZeroMemory(&entry, sizeof entry);
    entry.grfAccessPermissions = access;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = type;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
}

// The access list of a named event that processes of another user or another integrity level (an
// uninstaller) must be able to open: Everyone, and the Administrators when `administratorsToo`, each with
// `access`. Holds the SIDs, the list and the descriptor until it goes. With `report`, each failing security
// call is written to the standard output stream.
class EventSecurity {
public:
    EventSecurity(DWORD access, bool administratorsToo, bool report) {
        SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
        PSID sid = nullptr;
        if (AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid)) {
            everyone_.Reset(sid);
        } else {
            Report(report, "AllocateAndInitializeSid Error %u\n", GetLastError());
        }
        if (administratorsToo) {
            SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
            sid = nullptr;
            if (AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                         0, 0, 0, 0, &sid)) {
                administrators_.Reset(sid);
            } else {
                Report(report, "AllocateAndInitializeSid Error %u\n", GetLastError());
            }
        }

        // An entry without its SID would make the list builder read through a null pointer: leave it out.
        EXPLICIT_ACCESSW entries[2];
        ULONG entryCount = 0;
        if (everyone_) FillEntry(entries[entryCount++], everyone_.Get(), TRUSTEE_IS_WELL_KNOWN_GROUP, access);
        if (administrators_) FillEntry(entries[entryCount++], administrators_.Get(), TRUSTEE_IS_GROUP, access);

        if (entryCount > 0) {
            // The list builder reports its failure as its result, not through the thread's last error.
            PACL built = nullptr;
            DWORD result = SetEntriesInAclW(entryCount, entries, nullptr, &built);
            if (result == ERROR_SUCCESS) {
                acl_.Reset(built);
            } else {
                Report(report, "SetEntriesInAcl Error %u\n", result);
            }
        }

        descriptor_.Reset(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
        if (!descriptor_) {
            Report(report, "LocalAlloc Error %u\n", GetLastError());
        } else if (!InitializeSecurityDescriptor(descriptor_.Get(), SECURITY_DESCRIPTOR_REVISION)) {
            Report(report, "InitializeSecurityDescriptor Error %u\n", GetLastError());
        } else if (!SetSecurityDescriptorDacl(descriptor_.Get(), TRUE, static_cast<PACL>(acl_.Get()), FALSE)) {
            Report(report, "SetSecurityDescriptorDacl Error %u\n", GetLastError());
        } else {
            complete_ = bool(acl_);
        }
        attributes_.nLength = sizeof(SECURITY_ATTRIBUTES);
        attributes_.lpSecurityDescriptor = descriptor_.Get();
        attributes_.bInheritHandle = FALSE;
    }

    // A descriptor without a finished list would be a null DACL (anyone may do anything) or garbage; default
    // security (null) is the safe fallback.
    SECURITY_ATTRIBUTES* Attributes() { return complete_ ? &attributes_ : nullptr; }

private:
    UniqueSid everyone_;
    UniqueSid administrators_;
    UniqueLocalMemory acl_;
    UniqueLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
    bool complete_ = false;
};

}  // namespace

HANDLE CreateInstanceEvent(InstanceEventCreation* creation) {
    SetLastError(ERROR_SUCCESS);
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, kInstanceEventName);
    const DWORD error = GetLastError();
    if (creation) *creation = ClassifyInstanceEventCreation(event != nullptr, error);
    return event;
}

HANDLE CreateCloseEvent() {
    EventSecurity security(kCloseEventAccess, true, true);
    return CreateEventW(security.Attributes(), TRUE, TRUE, kCloseEventName);
}

HANDLE OpenCloseRequestEvent() {
    // Created or opened asking only for what is used: an event made by an instance that runs elevated grants
    // no more than that to everyone else.
    EventSecurity security(kCloseRequestAccess, false, false);
    return CreateEventExW(security.Attributes(), kCloseRequestEventName, 0, kCloseRequestAccess);
}

bool PulseNamedEvent(const wchar_t* name) {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (!event) return false;
    PulseEvent(event);
    CloseHandle(event);
    return true;
}

bool SetNamedEvent(const wchar_t* name) {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (!event) return false;
    const bool set = SetEvent(event) != FALSE;
    CloseHandle(event);
    return set;
}

void ResetStartupEvent(HANDLE event) {
    if (event) ResetEvent(event);
}
