#include "device/DeviceLink_win.h"

#include "device/DeviceLink.h"
#include "device/DeviceProber.h"
#include "device/OverlappedIo_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Trace_win.h"

#include <dbt.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>  // first: it brings the USAGE types hidpi.h needs
#include <hidpi.h>
#include <hidclass.h>
}

#include <cstddef>
#include <optional>
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

// The requests HidD_GetFeature, HidD_SetFeature and HidD_GetIndexedString make (hidclass.h), sent here
// overlapped so that each can be given a time-out.
static_assert(IOCTL_HID_GET_FEATURE == 0x000B0192 && IOCTL_HID_SET_FEATURE == 0x000B0191 &&
                  IOCTL_HID_GET_INDEXED_STRING == 0x000B01E2,
              "HID class requests");

// A feature report or a string comes back within milliseconds, tens over a wireless link that wakes the
// mouse; one that takes a second is not coming. Two such devices still fit the log-off's 2.5 s for the whole
// shutdown pass, since each costs one time-out only.
constexpr DWORD kRequestTimeoutMs = 1000;
// What a cancelled request gets to complete before it is left to the driver.
constexpr DWORD kCancelGraceMs = 100;

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

[[maybe_unused]] const char* OutcomeName(IoOutcome outcome) {
    switch (outcome) {
    case IoOutcome::Done: return "ok";
    case IoOutcome::Failed: return "failed";
    case IoOutcome::TimedOut: return "timed-out";
    case IoOutcome::Abandoned: return "abandoned";
    }
    return "?";
}

// One opened interface. Owned by the thread that opened it (the device worker) for the probe's length.
class WinHidDevice final : public HidDevice {
public:
    explicit WinHidDevice(UniqueFileHandle handle) : handle_(std::move(handle)) {}
    ~WinHidDevice() override {
        ORVEL_TRACE("hid close");
        handle_.Reset();
    }

    bool GetFeature(uint8_t* report, size_t length) override {
        // The caller's first byte names the report; the answer comes back in the same buffer.
        const IoResult result = Request(IOCTL_HID_GET_FEATURE, nullptr, 0, report, length);
        // (No input buffer: the report id travels in the first byte of the output buffer.)
        const bool ok = result.outcome == IoOutcome::Done;
        ORVEL_TRACE("hid get-feature %s %s", OutcomeName(result.outcome), ok ? HexBytes(report, length).c_str() : "");
        return ok;
    }

    bool SetFeature(const uint8_t* report, size_t length) override {
        const IoResult result = Request(IOCTL_HID_SET_FEATURE, report, length, nullptr, 0);
        ORVEL_TRACE("hid set-feature %s %s", OutcomeName(result.outcome), HexBytes(report, length).c_str());
        return result.outcome == IoOutcome::Done;
    }

    bool GetIndexedString(unsigned index, uint8_t* buffer, size_t byteLength) override {
        const ULONG asked = ULONG(index);
        const IoResult result = Request(IOCTL_HID_GET_INDEXED_STRING, reinterpret_cast<const uint8_t*>(&asked),
                                        sizeof asked, buffer, byteLength);
        ORVEL_TRACE("hid string index=%u bytes=%u %s", index, unsigned(byteLength), OutcomeName(result.outcome));
        return result.outcome == IoOutcome::Done;
    }

    // Capabilities and attributes come from the class driver's own copy of the device's description, not
    // from the device: the plain calls, which wait on an overlapped handle as well, cannot hang on it.
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
        // Whatever any thread still has in flight on this handle; an abandoned request keeps its own memory.
        ::CancelIoEx(handle_.Get(), nullptr);
        ORVEL_TRACE("hid cancel");
    }

    bool TimedOut() const override { return timedOut_; }

private:
    // One request with the time-out. The caller's buffers are copied into the request's own and back, so
    // that an abandoned request never writes into them.
    IoResult Request(DWORD code, const uint8_t* in, size_t inLength, uint8_t* out, size_t outLength) {
        IoResult result;
        if (timedOut_) return result;  // it stopped answering: nothing more is asked of it
        std::unique_ptr<OverlappedRequest> request = MakeOverlappedRequest(inLength, outLength);
        if (!request) return result;
        for (size_t i = 0; i < inLength; ++i) request->in[i] = in[i];
        for (size_t i = 0; i < outLength; ++i) request->out[i] = out[i];
        OverlappedRequest& live = *request;
        result = RunOverlapped(handle_.Get(), request, kRequestTimeoutMs, kCancelGraceMs, [&](OVERLAPPED* overlapped) {
            return DeviceIoControl(handle_.Get(), code, inLength ? live.in.data() : nullptr, DWORD(inLength),
                                   outLength ? live.out.data() : nullptr, DWORD(outLength), nullptr, overlapped);
        });
        if (result.outcome == IoOutcome::TimedOut || result.outcome == IoOutcome::Abandoned) {
            timedOut_ = true;
            ORVEL_TRACE("hid request-timed-out code=0x%08lx ms=%lu %s", static_cast<unsigned long>(code),
                        static_cast<unsigned long>(result.waitedMs),
                        result.outcome == IoOutcome::Abandoned ? "left-to-driver" : "cancelled");
        } else if (result.outcome == IoOutcome::Done && outLength) {
            for (size_t i = 0; i < outLength; ++i) out[i] = request->out[i];
        }
        return result;
    }

    UniqueFileHandle handle_;
    bool timedOut_ = false;
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
        // No security attributes: the handle is not inherited by any process the program starts (the
        // calculator, Explorer windows). Overlapped, so that every request can be given a time-out.
        UniqueFileHandle handle(CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
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

// What the device worker tells, for the test build's trace.
class TracingObserver final : public ProbeObserver {
public:
    void WorkerStarted() override { ORVEL_TRACE("hid worker started"); }
    void WorkerRetired() override { ORVEL_TRACE("hid worker retired"); }
    void Skipped(const DevicePath& path) override {
        ORVEL_TRACE("hid skip %s stopped-answering", TraceUtf8(ToWide(path)).c_str());
        (void)path;
    }
    void StoppedAnswering(const DevicePath& path) override {
        ORVEL_TRACE("hid stopped-answering %s", TraceUtf8(ToWide(path)).c_str());
        (void)path;
    }
    void Dropped(const DevicePath& path) override {
        ORVEL_TRACE("hid queue-full dropped %s", TraceUtf8(ToWide(path)).c_str());
        (void)path;
    }
    void ResetPassStarts(int buttonOrder) override {
        ORVEL_TRACE("hid reset-pass order=%d", buttonOrder);
        (void)buttonOrder;
    }
};

// Created once and never destroyed, nor is anything it uses: the worker, stuck in a driver call, must
// neither hold the process's exit up nor find its objects destroyed under it while the process ends
// (WaitForDeviceProbes bounds the wait for it).
DeviceProber& Prober() {
    static DeviceProber* const prober =
        new DeviceProber(*new WinHidSystem, *new WinSleeper, ::DeviceMode, ::DeviceButtonOrder, new TracingObserver);
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
    const auto* record = reinterpret_cast<const uint8_t*>(lParam);
    const std::optional<DevicePath> path = DecodeDeviceArrival(uint64_t(wParam), record, header->dbch_size);
    ORVEL_TRACE("hid arrival type=%lu size=%lu %s", static_cast<unsigned long>(header->dbch_devicetype),
                static_cast<unsigned long>(header->dbch_size), path ? "probe" : "ignored");
    if (path) Prober().ProbeArrivedInterface(*path);
}

void CloseWatchDeviceWork() {
    const bool done = Prober().CloseWatchDeviceWork();
    ORVEL_TRACE("hid shutdown-passes %s", done ? "done" : "still-running");
    (void)done;
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
