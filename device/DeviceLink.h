#pragma once
// Finding the supported mice among the HID interfaces and configuring them. No device is kept open: each
// probe opens one interface, identifies its family, sends that family's sequence and closes it again.
//
// The program has one DeviceProber (see DeviceLink_win.h); tests build their own around simulated devices.
#include "device/HidDevice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <thread>

// What a probe found (and configured).
enum class DeviceFamily { None, Zu, Switch, Kest24 };

// Identifies and configures one interface; an interface that cannot be opened or is of no known family is
// left alone. Ends with CancelIo and closing the handle.
DeviceFamily ProbeDevice(HidSystem& system, Sleeper& sleeper, const DevicePath& path,
                         const std::atomic<int>& deviceMode);

// The shutdown pass over every present interface, on the calling thread: the receiver reset, the Kest24
// reset and the KEVO order (told `buttonOrder`).
void ResetReceivers(HidSystem& system, Sleeper& sleeper, int buttonOrder);

// The interface path of a WM_DEVICECHANGE notification that asks for a probe: only DBT_DEVICEARRIVAL
// (0x8000) with a DEV_BROADCAST_DEVICEINTERFACE_W record (device type 5). `record` holds `available`
// readable bytes; the record's own size field (its first 4 bytes) bounds the name further. A name without
// terminator inside the record, or an empty one, gives nothing.
std::optional<DevicePath> DecodeDeviceArrival(uint64_t wParam, const uint8_t* record, size_t available);

// The longest path the system can open (its path limit); longer ones are never probed, as a cut path could
// name another interface.
constexpr size_t kMaxDevicePathUnits = 32767;

// Runs the probes, each on its own DeviceProbeThread and all serialised by DeviceProbeLock. Starting them
// never waits for a device. The destructor waits for every probe it started.
class DeviceProber {
public:
    // All three must outlive the prober; `deviceMode` is read when a report is built and set to 0 by
    // CloseWatchDeviceWork.
    DeviceProber(HidSystem& system, Sleeper& sleeper, std::atomic<int>& deviceMode);
    ~DeviceProber();
    DeviceProber(const DeviceProber&) = delete;
    DeviceProber& operator=(const DeviceProber&) = delete;

    // Starts one probe per present interface and returns at once. Returns the number started.
    int EnumerateAndProbeDevices();
    // Starts the probe of one arrived interface (false when the path is empty or too long, or no thread).
    bool ProbeArrivedInterface(DevicePath path);
    // WM_DEVICECHANGE: decodes and probes an arrival; everything else is ignored.
    void OnDeviceChange(uint64_t wParam, const uint8_t* record, size_t available);

    // Shutdown: DeviceMode = 0, every present interface probed, then - once those probes are done, or
    // after `probeWaitMs` - ResetReceivers on the calling thread, so that the reset never interleaves
    // with the same shutdown's configuration of an interface.
    void CloseWatchDeviceWork(int buttonOrder, unsigned probeWaitMs = 2000);

    // Waits until every probe started so far has ended, at most `timeoutMs` of real time.
    bool WaitForProbes(unsigned timeoutMs);

private:
    struct ProbeThread {
        std::thread thread;
        bool finished = false;
    };

    bool StartProbe(DevicePath path);
    void DeviceProbeThread(DevicePath path, std::list<ProbeThread>::iterator self);
    void JoinFinished();

    HidSystem& system_;
    Sleeper& sleeper_;
    std::atomic<int>& deviceMode_;

    // Held for the whole of each probe: two interfaces of one mouse are never talked to at once.
    std::mutex DeviceProbeLock;

    std::mutex threadsMutex_;
    std::condition_variable threadEnded_;
    std::list<ProbeThread> threads_;
    int running_ = 0;
};
