#include "shell/SingleInstance_win.h"

#include <aclapi.h>

#include <cstdio>

const wchar_t kInstanceEventName[] = L"qvmouseeventtouch";
const wchar_t kCloseEventName[] = L"qvmouseeventtouch_close";

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
    PSID everyone = nullptr;
    PSID administrators = nullptr;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool descriptorComplete = false;

    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    if (!AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        Report("AllocateAndInitializeSid Error %u\n", GetLastError());
        everyone = nullptr;
    }
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                  0, 0, 0, &administrators)) {
        Report("AllocateAndInitializeSid Error %u\n", GetLastError());
        administrators = nullptr;
    }

    // An entry without its SID would make the list builder read through a null pointer: leave it out.
    EXPLICIT_ACCESSW entries[2];
    ULONG entryCount = 0;
    if (everyone) FillEntry(entries[entryCount++], everyone, TRUSTEE_IS_WELL_KNOWN_GROUP);
    if (administrators) FillEntry(entries[entryCount++], administrators, TRUSTEE_IS_GROUP);

    if (entryCount > 0) {
        // The list builder reports its failure as its result, not through the thread's last error.
        DWORD result = SetEntriesInAclW(entryCount, entries, nullptr, &acl);
        if (result != ERROR_SUCCESS) {
            Report("SetEntriesInAcl Error %u\n", result);
            acl = nullptr;
        }
    }

    descriptor = static_cast<PSECURITY_DESCRIPTOR>(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!descriptor) {
        Report("LocalAlloc Error %u\n", GetLastError());
    } else if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION)) {
        Report("InitializeSecurityDescriptor Error %u\n", GetLastError());
    } else if (!SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE)) {
        Report("SetSecurityDescriptorDacl Error %u\n", GetLastError());
    } else {
        descriptorComplete = acl != nullptr;
    }

    SECURITY_ATTRIBUTES attributes;
    attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
    attributes.lpSecurityDescriptor = descriptor;
    attributes.bInheritHandle = FALSE;
    // A descriptor without a finished list would be a null DACL (anyone may do anything) or garbage;
    // default security is the safe fallback.
    HANDLE event = CreateEventW(descriptorComplete ? &attributes : nullptr, TRUE, TRUE, kCloseEventName);

    if (everyone) FreeSid(everyone);
    if (administrators) FreeSid(administrators);
    if (acl) LocalFree(acl);
    if (descriptor) LocalFree(descriptor);
    return event;
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
