#pragma once
// Runs the device link's work on one worker thread: the probes asked for by settings saves, resumes, unlocks
// and arrivals, and the shutdown's mode-0 pass and reset pass.
//
// Requests only queue work and return at once, so the UI thread never waits for a device. The queue is kept
// free of repeats: a request for an interface (or for all of them) that is still waiting joins the waiting
// one, whose reports carry the mode current when they are built. However many requests come, and however
// long a device takes, there is at most one worker. A device that stops answering (a request timed out) is
// not opened again, by any probe or by the reset pass, until it arrives again.
//
// The worker ends once it has had nothing to do for the retire delay, since the program mostly sits hidden
// and under Wine an idle thread holds about 1 MB; the next request starts another. The ended one has left
// the lock and only returns when the next one is started, so two never talk to the devices at once. A
// worker in the middle of a request (a driver that keeps it) is busy, not idle: it never ends there.
//
// Threads: every public function may be called from any thread; the worker is the only one that talks to
// the devices. The program has one DeviceProber (see DeviceLink_win.h); tests build their own around
// simulated devices.
#include "device/DeviceLink.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// What the worker tells about its work, on the worker's thread (the program traces it).
class ProbeObserver {
public:
    virtual ~ProbeObserver() = default;
    virtual void WorkerStarted() {}
    // The worker ends after the retire delay with nothing to do. Told with the prober's lock held, as the
    // worker's last act (the next request joins the worker and must find it only returning): it must not
    // call the prober.
    virtual void WorkerRetired() {}
    // An interface that stopped answering was not opened.
    virtual void Skipped(const DevicePath& /*path*/) {}
    // A request to this interface timed out: it is left alone until it arrives again.
    virtual void StoppedAnswering(const DevicePath& /*path*/) {}
    // The queue was full: this request was not taken.
    virtual void Dropped(const DevicePath& /*path*/) {}
    // The reset pass starts, telling the KEVO family this order.
    virtual void ResetPassStarts(int /*buttonOrder*/) {}
};

// The most requests that wait at once; more only come from a flood of made-up arrivals.
constexpr size_t kMaxQueuedProbes = 256;

// How long an idle worker waits for a request before it ends: the animation clocks' delay, so that a burst
// of saves, resumes and arrivals keeps one thread.
constexpr std::chrono::milliseconds kProberRetireDelay{3000};

class DeviceProber {
public:
    // Everything given must outlive the prober. `deviceMode` is read when a report is built and set to 0 by
    // CloseWatchDeviceWork; `buttonOrder` is read when the reset pass starts.
    DeviceProber(HidSystem& system, Sleeper& sleeper, std::atomic<int>& deviceMode,
                 const std::atomic<int>& buttonOrder, ProbeObserver* observer = nullptr,
                 std::chrono::milliseconds retireAfter = kProberRetireDelay);
    // Lets the worker carry out what is queued, then joins it.
    ~DeviceProber();
    DeviceProber(const DeviceProber&) = delete;
    DeviceProber& operator=(const DeviceProber&) = delete;

    // Queues a probe of every present interface (the worker lists them). False when the request could not
    // be taken (no worker could be started).
    bool EnumerateAndProbeDevices();
    // Queues the probe of one arrived interface, which is opened again even if it had stopped answering.
    // False when the path is not a usable HID interface path or the request could not be taken.
    bool ProbeArrivedInterface(DevicePath path);
    // WM_DEVICECHANGE: decodes and probes an arrival; everything else is ignored.
    void OnDeviceChange(uint64_t wParam, const uint8_t* record, size_t available);

    // Shutdown: DeviceMode = 0, every present interface probed, then the reset pass, all on the worker in
    // that order. Waits until the reset pass is over, at most `waitMs`; true when it is.
    bool CloseWatchDeviceWork(unsigned waitMs = 2000);

    // Waits until nothing is queued and the worker is idle, at most `timeoutMs` of real time.
    bool WaitForProbes(unsigned timeoutMs);

    // Whether the interface is left alone because it stopped answering.
    bool IsStoppedAnswering(const DevicePath& path) const;
    // How many worker threads were started in all: a burst of requests keeps one, and the first request
    // after each retirement starts another.
    int WorkerStarts() const;
    // How many workers ended for having had nothing to do.
    int WorkerRetirements() const;

private:
    struct Job {
        enum Kind { ProbeAll, Probe, ResetPass } kind;
        DevicePath path;      // Probe only
        bool arrived = false;  // Probe only: asked for by an arrival, so opened whatever it did before
    };

    bool Enqueue(Job job);
    bool StartWorkerLocked();
    void Worker();
    void Carry(Job& job);
    void ExpandProbeAll();
    void ProbeOne(const Job& job);
    void RunResetPass();
    void MarkStoppedAnsweringLocked(const DevicePath& path, bool stopped);
    bool IsStoppedAnsweringLocked(const DevicePath& path) const;

    HidSystem& system_;
    Sleeper& sleeper_;
    std::atomic<int>& deviceMode_;
    const std::atomic<int>& buttonOrder_;
    ProbeObserver* observer_;
    const std::chrono::milliseconds retireAfter_;

    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable work_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    std::vector<DevicePath> stoppedAnswering_;
    std::thread worker_;  // may hold a retired worker, joined by the next start or the destructor
    bool workerRunning_ = false;
    int workerStarts_ = 0;
    int workerRetirements_ = 0;
    bool busy_ = false;
    bool stopping_ = false;
    bool resetRunning_ = false;
    uint64_t resetPassesDone_ = 0;
};
