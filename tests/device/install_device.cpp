// Installs, stops and starts the virtual mouse inside a Wine prefix, for the end-to-end tests. Built for
// x86_64 beside the driver (the driver is 64-bit, and so must be whatever installs it).
//
//   orvel_vdev_install add INF HARDWARE-ID INSTANCE-ID...   root-enumerated devices (instance ids such as
//                                                         "ROOT\VID_F17E&PID_027B\0"), then the driver for them
//   orvel_vdev_install remove INSTANCE-ID...              the devices are removed (unplugged); "add" again
//                                                         plugs them in again
//   orvel_vdev_install list                               the HID interfaces present, one JSON line each
//
// Each verb returns once the devices' HID interfaces are there (or gone), as a program enumerating them
// would see them, at most 10 s later. Prints one JSON line: {"ok":1,"ms":N} or {"ok":0,"step":"...",
// "error":N}; exits 0 when it worked.
#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// {4D36E97D-E325-11CE-BFC1-08002BE10318}: the System class.
const GUID kSystemClass = {0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

int Fail(const char* step) {
    std::printf("{\"ok\":0,\"step\":\"%s\",\"error\":%lu}\n", step, GetLastError());
    return 1;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = wchar_t(towlower(c));
    return text;
}

std::vector<std::wstring> HidPaths() {
    std::vector<std::wstring> paths;
    // {4D1E55B2-F16F-11CF-88CB-001111000030}: the HID interface class.
    static const GUID kHid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    HDEVINFO set = SetupDiGetClassDevsW(&kHid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return paths;
    for (DWORD i = 0;; ++i) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &kHid, i, &data)) break;
        std::vector<DWORD> storage(1024, 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (SetupDiGetDeviceInterfaceDetailW(set, &data, detail, DWORD(storage.size() * sizeof(DWORD)), nullptr,
                                             nullptr)) {
            paths.push_back(detail->DevicePath);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return paths;
}

// "ROOT\VID_F17E&PID_027B\0" is seen as "\\?\hid#vid_f17e&pid_027b#0#{...}".
std::wstring PathPart(const wchar_t* instance) {
    std::wstring id = Lower(instance);
    const size_t first = id.find(L'\\');
    const size_t last = id.rfind(L'\\');
    if (first == std::wstring::npos || last == first) return id;
    return L"hid#" + id.substr(first + 1, last - first - 1) + L"#" + id.substr(last + 1) + L"#";
}

bool WaitForInterfaces(const std::vector<const wchar_t*>& instances, bool present) {
    for (int round = 0; round < 400; ++round) {
        const std::vector<std::wstring> paths = HidPaths();
        bool all = true;
        for (const wchar_t* instance : instances) {
            const std::wstring part = PathPart(instance);
            bool found = false;
            for (const std::wstring& path : paths) found = found || Lower(path).find(part) != std::wstring::npos;
            all = all && found == present;
        }
        if (all) return true;
        Sleep(25);
    }
    return false;
}

int Add(const wchar_t* inf, const wchar_t* hardwareId, const std::vector<const wchar_t*>& instances) {
    const DWORD started = GetTickCount();
    HDEVINFO set = SetupDiCreateDeviceInfoList(&kSystemClass, nullptr);
    if (set == INVALID_HANDLE_VALUE) return Fail("create-list");
    // The hardware id as a list of one: the text and two terminators.
    std::wstring ids(hardwareId);
    ids.push_back(L'\0');
    ids.push_back(L'\0');
    for (const wchar_t* instance : instances) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiCreateDeviceInfoW(set, instance, &kSystemClass, nullptr, nullptr, 0, &device)) {
            SetupDiDestroyDeviceInfoList(set);
            return Fail("create-device");
        }
        if (!SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                               reinterpret_cast<const BYTE*>(ids.c_str()),
                                               DWORD(ids.size() * sizeof(wchar_t)))) {
            SetupDiDestroyDeviceInfoList(set);
            return Fail("hardware-id");
        }
        if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
            SetupDiDestroyDeviceInfoList(set);
            return Fail("register");
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    BOOL reboot = FALSE;
    if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId, inf, INSTALLFLAG_FORCE, &reboot)) {
        return Fail("driver");
    }
    if (!WaitForInterfaces(instances, true)) return Fail("interfaces");
    std::printf("{\"ok\":1,\"devices\":%u,\"ms\":%lu}\n", unsigned(instances.size()), GetTickCount() - started);
    return 0;
}

// Wine stops no driver service that still has devices; a device removed through SetupAPI goes at once (its
// driver is told to enumerate the root devices again), as an unplugged mouse would.
int Remove(const std::vector<const wchar_t*>& instances) {
    const DWORD started = GetTickCount();
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return Fail("create-list");
    for (const wchar_t* instance : instances) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiOpenDeviceInfoW(set, instance, nullptr, 0, &device)) {
            SetupDiDestroyDeviceInfoList(set);
            return Fail("open-device");
        }
        if (!SetupDiRemoveDevice(set, &device)) {
            SetupDiDestroyDeviceInfoList(set);
            return Fail("remove");
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    if (!WaitForInterfaces(instances, false)) return Fail("interfaces");
    std::printf("{\"ok\":1,\"ms\":%lu}\n", GetTickCount() - started);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring verb = argc > 1 ? argv[1] : L"";
    if (verb == L"add" && argc >= 5) {
        return Add(argv[2], argv[3], std::vector<const wchar_t*>(argv + 4, argv + argc));
    }
    if (verb == L"remove" && argc >= 3) return Remove(std::vector<const wchar_t*>(argv + 2, argv + argc));
    if (verb == L"list") {
        for (std::wstring path : HidPaths()) {
            std::wstring escaped;
            for (wchar_t c : Lower(path)) escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
            std::printf("{\"path\":\"%ls\"}\n", escaped.c_str());
        }
        return 0;
    }
    std::fprintf(stderr, "usage: orvel_vdev_install add INF HARDWARE-ID INSTANCE-ID... | remove INSTANCE-ID... "
                         "| list\n");
    return 2;
}
