#include "shell/SingleInstance_win.h"

#include "toolkit/Handle_win.h"

#include <aclapi.h>

#include <cstdio>

HANDLE InstanceEvent = nullptr;
HANDLE CloseEvent = nullptr;

namespace {

constexpr DWORD kCloseEventAccess = 0xF003F;  // every standard right and every event right

void Report(const char* format, DWORD error) {
    std::printf(format, static_cast<unsigned>(error));
    std::fflush(stdout);
}

void FillEntry(EXPLICIT_ACCESSW& entry, PSID sid, TRUSTEE_TYPE type) {
    ZeroMemory(&entry, sizeof entry);
    entry.grfAccessPermissions = kCloseEventAccess;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = type;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
}

}  // namespace

HANDLE CreateInstanceEvent(bool* alreadyExisted) {
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, kInstanceEventName);
    DWORD error = GetLastError();
    if (alreadyExisted) *alreadyExisted = event != nullptr && error == ERROR_ALREADY_EXISTS;
    return event;
}

HANDLE CreateCloseEvent() {
    UniqueSid everyone;
    UniqueSid administrators;
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID sid = nullptr;
    if (AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid)) {
        everyone.Reset(sid);
    } else {
        Report("AllocateAndInitializeSid Error %u\n", GetLastError());
    }
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    sid = nullptr;
    if (AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                 0, 0, &sid)) {
        administrators.Reset(sid);
    } else {
        Report("AllocateAndInitializeSid Error %u\n", GetLastError());
    }

    // An entry without its SID would make the list builder read through a null pointer: leave it out.
    EXPLICIT_ACCESSW entries[2];
    ULONG entryCount = 0;
    if (everyone) FillEntry(entries[entryCount++], everyone.Get(), TRUSTEE_IS_WELL_KNOWN_GROUP);
    if (administrators) FillEntry(entries[entryCount++], administrators.Get(), TRUSTEE_IS_GROUP);

    UniqueLocalMemory acl;
    if (entryCount > 0) {
        // The list builder reports its failure as its result, not through the thread's last error.
        PACL built = nullptr;
        DWORD result = SetEntriesInAclW(entryCount, entries, nullptr, &built);
        if (result == ERROR_SUCCESS) {
            acl.Reset(built);
        } else {
            Report("SetEntriesInAcl Error %u\n", result);
        }
    }

    bool descriptorComplete = false;
    UniqueLocalMemory descriptor(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptor) {
        Report("LocalAlloc Error %u\n", GetLastError());
    } else if (!InitializeSecurityDescriptor(descriptor.Get(), SECURITY_DESCRIPTOR_REVISION)) {
        Report("InitializeSecurityDescriptor Error %u\n", GetLastError());
    } else if (!SetSecurityDescriptorDacl(descriptor.Get(), TRUE, static_cast<PACL>(acl.Get()), FALSE)) {
        Report("SetSecurityDescriptorDacl Error %u\n", GetLastError());
    } else {
        descriptorComplete = bool(acl);
    }

    SECURITY_ATTRIBUTES attributes;
    attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
    attributes.lpSecurityDescriptor = descriptor.Get();
    attributes.bInheritHandle = FALSE;
    // A descriptor without a finished list would be a null DACL (anyone may do anything) or garbage;
    // default security is the safe fallback. The SIDs, the list and the descriptor go when this returns.
    return CreateEventW(descriptorComplete ? &attributes : nullptr, TRUE, TRUE, kCloseEventName);
}

bool PulseNamedEvent(const wchar_t* name) {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (!event) return false;
    PulseEvent(event);
    CloseHandle(event);
    return true;
}

void ResetStartupEvent(HANDLE event) {
    if (event) ResetEvent(event);
}
