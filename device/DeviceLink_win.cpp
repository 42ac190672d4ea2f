#include "device/DeviceLink_win.h"

#include "device/DeviceLink.h"
#include "shell/ProcessState.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Trace_win.h"

#include <dbt.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>  // first: it brings the USAGE types hidpi.h needs
#include <hidpi.h>
}

#include <cstddef>
#include <string>
#include <vector>

// The 32-bit record sizes are checked with the others in toolkit/PlatformSizes_win.cpp.
static_assert(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) == 28, "arrival name offset");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "paths are UTF-16 units");

namespace handle_traits {
struct DeviceInfoList {  // SetupDiGetClassDevsW: INVALID_HANDLE_VALUE when it fails
    using Type = HDEVINFO;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { SetupDiDestroyDeviceInfoList(h); }
};
using PreparsedData = NullInvalid<PHIDP_PREPARSED_DATA, &HidD_FreePreparsedData>;
}  // namespace handle_traits
using UniqueDeviceInfoList = UniqueHandle<handle_traits::DeviceInfoList>;
using UniquePreparsedData = UniqueHandle<handle_traits::PreparsedData>;

namespace {

// {4D1E55B2-F16F-11CF-88CB-001111000030}: the HID interface class.
const GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

std::wstring ToWide(const DevicePath& path) { return std::wstring(path.begin(), path.end()); }

#if defined(ORVEL_TEST_HOOKS)
std::string HexBytes(const uint8_t* bytes, size_t length) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}
#endif

[[maybe_unused]] const char* Outcome(bool ok) { return ok ? "ok" : "failed"; }

class WinHidDevice final : public HidDevice {
public:
    explicit WinHidDevice(UniqueFileHandle handle) : handle_(std::move(handle)) {}
    ~WinHidDevice() override {
        ORVEL_TRACE("hid close");
        handle_.Reset();
    }

    bool GetFeature(uint8_t* report, size_t length) override {
        bool ok = HidD_GetFeature(handle_.Get(), report, ULONG(length)) != FALSE;
        ORVEL_TRACE("hid get-feature %s %s", Outcome(ok), ok ? HexBytes(report, length).c_str() : "");
        return ok;
    }

    bool SetFeature(const uint8_t* report, size_t length) override {
        // HidD_SetFeature takes a writable buffer; the caller's report stays untouched.
        std::vector<uint8_t> copy(report, report + length);
        bool ok = HidD_SetFeature(handle_.Get(), copy.data(), ULONG(copy.size())) != FALSE;
        ORVEL_TRACE("hid set-feature %s %s", Outcome(ok), HexBytes(report, length).c_str());
        return ok;
    }

    bool GetIndexedString(unsigned index, uint8_t* buffer, size_t byteLength) override {
        bool ok = HidD_GetIndexedString(handle_.Get(), ULONG(index), buffer, ULONG(byteLength)) != FALSE;
        ORVEL_TRACE("hid string index=%u bytes=%u %s", index, unsigned(byteLength), Outcome(ok));
        return ok;
    }

    bool GetCaps(HidCaps& caps) override {
        PHIDP_PREPARSED_DATA data = nullptr;
        if (!HidD_GetPreparsedData(handle_.Get(), &data)) {
            ORVEL_TRACE("hid caps failed");
            return false;
        }
        UniquePreparsedData preparsed(data);
        HIDP_CAPS system{};
        NTSTATUS status = HidP_GetCaps(preparsed.Get(), &system);
        preparsed.Reset();
        if (status != HIDP_STATUS_SUCCESS) {
            ORVEL_TRACE("hid caps failed status=0x%08lx", static_cast<unsigned long>(status));
            return false;
        }
        caps.Usage = system.Usage;
        caps.UsagePage = system.UsagePage;
        caps.InputReportByteLength = system.InputReportByteLength;
        caps.OutputReportByteLength = system.OutputReportByteLength;
        caps.FeatureReportByteLength = system.FeatureReportByteLength;
        ORVEL_TRACE("hid caps usage=0x%04x page=0x%04x input=%u output=%u feature=%u", caps.Usage, caps.UsagePage,
                    caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength);
        return true;
    }

    bool GetAttributes(HidAttributes& attributes) override {
        HIDD_ATTRIBUTES system{};
        system.Size = sizeof system;
        bool ok = HidD_GetAttributes(handle_.Get(), &system) != FALSE;
        if (ok) {
            attributes.VendorID = system.VendorID;
            attributes.ProductID = system.ProductID;
            attributes.VersionNumber = system.VersionNumber;
        }
        ORVEL_TRACE("hid attributes %s vendor=0x%04x product=0x%04x version=0x%04x", Outcome(ok),
                    system.VendorID, system.ProductID, system.VersionNumber);
        return ok;
    }

    void CancelIo() override {
        ::CancelIo(handle_.Get());
        ORVEL_TRACE("hid cancel");
    }

private:
    UniqueFileHandle handle_;
};

class WinHidSystem final : public HidSystem {
public:
    bool ListInterfacePaths(std::vector<DevicePath>& paths) override {
        GUID hidClass;
        HidD_GetHidGuid(&hidClass);
        UniqueDeviceInfoList set(
            SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
        if (!set) {
            ORVEL_TRACE("hid enumerate failed");
            return false;
        }
        // Any failure to enumerate (ERROR_NO_MORE_ITEMS at the end, or another) ends the walk.
        for (DWORD index = 0;; ++index) {
            SP_DEVICE_INTERFACE_DATA data{};
            data.cbSize = sizeof data;
            if (!SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &hidClass, index, &data)) break;
            DevicePath path;
            if (ReadDetailPath(set.Get(), data, path)) paths.push_back(std::move(path));
        }
        ORVEL_TRACE("hid enumerate count=%u", unsigned(paths.size()));
        return true;
    }

    std::unique_ptr<HidDevice> Open(const DevicePath& path) override {
        const std::wstring name = ToWide(path);
        SECURITY_ATTRIBUTES security{};
        security.nLength = sizeof security;
        security.lpSecurityDescriptor = nullptr;
        security.bInheritHandle = TRUE;
        UniqueFileHandle handle(CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                                            OPEN_EXISTING, 0, nullptr));
        ORVEL_TRACE("hid open %s %s", TraceUtf8(name).c_str(), Outcome(bool(handle)));
        if (!handle) return nullptr;
        return std::make_unique<WinHidDevice>(std::move(handle));
    }

private:
    // The path of one interface, read only within the size the system asked for.
    static bool ReadDetailPath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, DevicePath& path) {
        DWORD required = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
        const size_t nameOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || required > 1u << 20) return false;
        std::vector<DWORD> storage((required + sizeof(DWORD) - 1) / sizeof(DWORD), 0);  // DWORD-aligned
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) return false;
        const size_t units = (required - nameOffset) / sizeof(WCHAR);
        const WCHAR* name = detail->DevicePath;
        size_t length = 0;
        while (length < units && name[length] != 0) ++length;
        if (length == units) return false;  // no terminator: the name would be cut
        path.assign(name, name + length);
        return true;
    }
};

class WinSleeper final : public Sleeper {
public:
    void Pause(unsigned milliseconds) override { Sleep(milliseconds); }
};

// Created once and never destroyed, nor is anything it uses: a probe or the close watcher stuck in a driver
// call must neither hold the process's exit up nor find its objects destroyed under it while the process
// ends (WaitForDeviceProbes bounds the wait for the others).
DeviceProber& Prober() {
    static DeviceProber* const prober = new DeviceProber(*new WinHidSystem, *new WinSleeper, ::DeviceMode);
    return *prober;
}

}  // namespace

void InitDeviceProbeLock() { (void)Prober(); }

void RegisterHidNotifications(HWND window) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_reserved = 0;
    filter.dbcc_classguid = kHidInterfaceClass;
    HDEVNOTIFY registration = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    ORVEL_TRACE("hid notifications %s", Outcome(registration != nullptr));
    (void)registration;
}

void EnumerateAndProbeDevices() { Prober().EnumerateAndProbeDevices(); }

void OnDeviceChange(WPARAM wParam, LPARAM lParam) {
    // Other events may come without a record; only an arrival's record is looked at.
    if (wParam != DBT_DEVICEARRIVAL || lParam == 0) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    ORVEL_TRACE("hid arrival type=%lu size=%lu", static_cast<unsigned long>(header->dbch_devicetype),
                static_cast<unsigned long>(header->dbch_size));
    Prober().OnDeviceChange(uint64_t(wParam), reinterpret_cast<const uint8_t*>(lParam), header->dbch_size);
}

void CloseWatchDeviceWork(int buttonOrder) {
    Prober().CloseWatchDeviceWork(buttonOrder);
#if defined(ORVEL_TEST_HOOKS)
    // A reset pass that hangs in a driver call, for the shutdown tests: deaf to everything, like the call.
    if (unsigned hang = TestSwitchMs(L"ORVEL_TEST_RESET_HANG_MS")) {
        ORVEL_TRACE("reset-pass hangs %u ms", hang);
        Sleep(hang);
        ORVEL_TRACE("reset-pass hang over");
    }
#endif
}

bool WaitForDeviceProbes(DWORD timeoutMs) { return Prober().WaitForProbes(unsigned(timeoutMs)); }
