#include "device/DeviceProber.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <system_error>
#include <utility>

DeviceProber::DeviceProber(HidSystem& system, Sleeper& sleeper, std::atomic<int>& deviceMode,
                           const std::atomic<int>& buttonOrder, ProbeObserver* observer,
                           std::chrono::milliseconds retireAfter)
    : system_(system),
      sleeper_(sleeper),
      deviceMode_(deviceMode),
      buttonOrder_(buttonOrder),
      observer_(observer),
      retireAfter_(retireAfter) {}

DeviceProber::~DeviceProber() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    // A running worker carries out what is queued first; a retired one is only returning.
    if (worker_.joinable()) worker_.join();
}

bool DeviceProber::EnumerateAndProbeDevices() { return Enqueue(Job{Job::ProbeAll, {}, false}); }

bool DeviceProber::ProbeArrivedInterface(DevicePath path) {
    if (!UsableDevicePath(path) || !IsHidInterfacePath(path)) return false;
    return Enqueue(Job{Job::Probe, std::move(path), true});
}

void DeviceProber::OnDeviceChange(uint64_t wParam, const uint8_t* record, size_t available) {
    if (std::optional<DevicePath> path = DecodeDeviceArrival(wParam, record, available)) {
        ProbeArrivedInterface(std::move(*path));
    }
}

bool DeviceProber::CloseWatchDeviceWork(unsigned waitMs) {
    deviceMode_.store(0, std::memory_order_relaxed);
    uint64_t target;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // A pass under way may have read the order before the stop: the pass that counts is the next one.
        target = resetPassesDone_ + (resetRunning_ ? 2 : 1);
    }
    if (!Enqueue(Job{Job::ProbeAll, {}, false}) || !Enqueue(Job{Job::ResetPass, {}, false})) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return resetPassesDone_ >= target; });
}

bool DeviceProber::WaitForProbes(unsigned timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return queue_.empty() && !busy_; });
}

bool DeviceProber::IsStoppedAnswering(const DevicePath& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return IsStoppedAnsweringLocked(path);
}

int DeviceProber::WorkerStarts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return workerStarts_;
}

int DeviceProber::WorkerRetirements() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return workerRetirements_;
}

// ------------------------------------------------------------------------------------------ the queue

bool DeviceProber::Enqueue(Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return false;
        for (Job& waiting : queue_) {
            const bool same = waiting.kind == job.kind &&
                              (job.kind != Job::Probe || SameDevicePath(waiting.path, job.path));
            if (same) {
                waiting.arrived = waiting.arrived || job.arrived;
                return true;  // joined: it runs once, with what is current then
            }
        }
        if (queue_.size() < kMaxQueuedProbes) {
            queue_.push_back(std::move(job));
            if (!StartWorkerLocked()) {
                queue_.pop_back();
                return false;
            }
            work_.notify_one();
            return true;
        }
    }
    if (observer_) observer_->Dropped(job.path);
    return false;
}

// Something queued always has a running worker to carry it out: a worker only retires with the queue empty,
// under the lock, and every request that queues comes here.
bool DeviceProber::StartWorkerLocked() {
    if (workerRunning_) return true;
    // Joined under the lock, so that two requests at once never both join it; the join is at once, since the
    // retired worker gave the lock up as its last act and touches nothing after it.
    if (worker_.joinable()) worker_.join();
    try {
        worker_ = std::thread(&DeviceProber::Worker, this);
    } catch (const std::system_error&) {
        return false;  // the next request tries again
    }
    workerRunning_ = true;
    ++workerStarts_;
    return true;
}

void DeviceProber::Worker() {
    if (observer_) observer_->WorkerStarted();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        // The delay runs only while idle: a worker held in a driver call is not here, and never retires.
        if (!work_.wait_for(lock, retireAfter_, [this] { return stopping_ || !queue_.empty(); })) {
            // Nothing queued, and the lock is held until the return: a request from now on starts a new
            // worker, and finds this one only returning when it joins it.
            workerRunning_ = false;
            ++workerRetirements_;
            if (observer_) observer_->WorkerRetired();
            return;
        }
        if (queue_.empty()) {
            workerRunning_ = false;
            return;  // stopping, and everything asked for is done
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        resetRunning_ = job.kind == Job::ResetPass;
        lock.unlock();
        Carry(job);
        lock.lock();
        if (job.kind == Job::ResetPass) ++resetPassesDone_;
        resetRunning_ = false;
        busy_ = false;
        idle_.notify_all();
    }
}

void DeviceProber::Carry(Job& job) {
    switch (job.kind) {
    case Job::ProbeAll:
        ExpandProbeAll();
        break;
    case Job::Probe:
        ProbeOne(job);
        break;
    case Job::ResetPass:
        RunResetPass();
        break;
    }
}

// The interfaces present now go first, in the system's order; one of them already waiting further back
// moves up here rather than being probed twice.
void DeviceProber::ExpandProbeAll() {
    std::vector<DevicePath> paths;
    if (!system_.ListInterfacePaths(paths)) return;
    std::vector<DevicePath> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Job> front;
        for (DevicePath& path : paths) {
            if (!UsableDevicePath(path)) continue;
            bool arrived = false;
            for (auto it = queue_.begin(); it != queue_.end();) {
                if (it->kind == Job::Probe && SameDevicePath(it->path, path)) {
                    arrived = arrived || it->arrived;
                    it = queue_.erase(it);
                } else {
                    ++it;
                }
            }
            if (queue_.size() + front.size() >= kMaxQueuedProbes) {
                dropped.push_back(std::move(path));
                continue;
            }
            front.push_back(Job{Job::Probe, std::move(path), arrived});
        }
        if (!front.empty()) {
            queue_.insert(queue_.begin(), std::make_move_iterator(front.begin()), std::make_move_iterator(front.end()));
        }
    }
    if (observer_) {
        for (const DevicePath& path : dropped) observer_->Dropped(path);
    }
}

void DeviceProber::ProbeOne(const Job& job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (job.arrived) {
            MarkStoppedAnsweringLocked(job.path, false);
        } else if (IsStoppedAnsweringLocked(job.path)) {
            if (observer_) observer_->Skipped(job.path);
            return;
        }
    }
    const ProbeOutcome outcome = ProbeDevice(system_, sleeper_, job.path, deviceMode_);
    if (!outcome.timedOut) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        MarkStoppedAnsweringLocked(job.path, true);
    }
    if (observer_) observer_->StoppedAnswering(job.path);
}

void DeviceProber::RunResetPass() {
    // Read now, not when the stop was asked for: the order may have changed since the program started.
    const int order = buttonOrder_.load(std::memory_order_relaxed);
    if (observer_) observer_->ResetPassStarts(order);
    std::vector<DevicePath> paths;
    if (!system_.ListInterfacePaths(paths)) return;
    for (const DevicePath& path : paths) {
        if (IsStoppedAnswering(path)) {
            if (observer_) observer_->Skipped(path);
            continue;
        }
        if (ResetInterface(system_, sleeper_, path, order).timedOut) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                MarkStoppedAnsweringLocked(path, true);
            }
            if (observer_) observer_->StoppedAnswering(path);
        }
    }
}

void DeviceProber::MarkStoppedAnsweringLocked(const DevicePath& path, bool stopped) {
    auto it = std::find_if(stoppedAnswering_.begin(), stoppedAnswering_.end(),
                           [&path](const DevicePath& known) { return SameDevicePath(known, path); });
    if (stopped && it == stoppedAnswering_.end()) stoppedAnswering_.push_back(path);
    if (!stopped && it != stoppedAnswering_.end()) stoppedAnswering_.erase(it);
}

bool DeviceProber::IsStoppedAnsweringLocked(const DevicePath& path) const {
    return std::any_of(stoppedAnswering_.begin(), stoppedAnswering_.end(),
                       [&path](const DevicePath& known) { return SameDevicePath(known, path); });
}
