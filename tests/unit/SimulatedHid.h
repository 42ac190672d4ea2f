#pragma once
// Simulated HID interfaces for the device link's tests: a fake clock, mice of each family that record every
// call with its time on that clock, and a system that lists and opens them.
#include "device/DeviceProtocol.h"
#include "device/HidDevice.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Pauses advance the clock instead of sleeping. Several probe threads may share one clock.
class FakeClock : public Sleeper {
public:
    void Pause(unsigned milliseconds) override;
    uint64_t Now() const;
    std::vector<unsigned> Pauses() const;
    uint64_t PausedTotal() const;

private:
    mutable std::mutex mutex_;
    uint64_t now_ = 0;
    std::vector<unsigned> pauses_;
};

struct HidCall {
    enum Kind { Caps, Attributes, GetFeature, SetFeature, String, Cancel, Close };
    Kind kind;
    uint64_t timeMs;
    std::vector<uint8_t> bytes;  // SET: the report sent; GET: the report answered
    unsigned index = 0;          // String: the index asked for
    size_t length = 0;           // the buffer length the caller gave
    bool ok = true;
    bool timedOut = false;       // the request went unanswered until the system half's time-out
};

constexpr int kForever = -1;

struct MouseConfig {
    HidCaps caps;
    HidAttributes attributes;
    std::map<unsigned, std::vector<uint8_t>> strings;  // raw answers by index; absent = the read fails
    uint8_t zuAnswer1 = 0x5A, zuAnswer2 = 0x55;        // bytes 1, 2 of the answer to the ZU query
    bool answersZuQuery = false;
    int busyReads = 0;        // the first N feature reads report busy (kForever: all)
    int busyAfterSet = 0;     // after each SET the next N reads report busy (kForever: all)
    int failReads = 0;        // the first N feature reads fail
    int unplugAfterCalls = -1;  // after this many HID calls the mouse is gone
    // Feature reports and strings go unanswered: each such request fails when the system half's time-out
    // (SimulatedHidSystem::timeoutMs of real time) runs out, and its handle is timed out from then on.
    bool neverAnswers = false;
    int stopsAnsweringAfterCalls = -1;  // after this many HID calls the mouse answers no more (as neverAnswers)
};

// One physical interface. It outlives the handles opened on it and keeps the log of all of them.
class SimulatedMouse {
public:
    SimulatedMouse(FakeClock& clock, MouseConfig config) : clock_(clock), config_(std::move(config)) {}

    std::vector<HidCall> Calls() const;
    std::vector<std::vector<uint8_t>> Sets() const;
    std::vector<uint64_t> SetTimes() const;
    std::vector<unsigned> StringIndices() const;
    int CountOf(HidCall::Kind kind) const;
    int Opens() const;
    bool Present() const;
    void Unplug();
    // Starts or stops answering (a mouse that was re-plugged answers again).
    void SetNeverAnswers(bool never);
    bool NeverAnswers() const;
    int TimeOuts() const;
    // Called (outside the mouse's lock) with every report the mouse receives.
    std::function<void(const std::vector<uint8_t>&)> onSet;

    // The handle side.
    bool Open();
    bool GetFeature(uint8_t* report, size_t length);
    bool SetFeature(const uint8_t* report, size_t length);
    bool GetIndexedString(unsigned index, uint8_t* buffer, size_t length);
    bool GetCaps(HidCaps& caps);
    bool GetAttributes(HidAttributes& attributes);
    void Record(HidCall::Kind kind, bool ok = true);
    // The request went unanswered: logged as a failed call of its kind.
    void RecordTimeOut(HidCall::Kind kind, size_t length, unsigned index = 0);

private:
    bool CountCall();  // false once the mouse is gone
    void Log(HidCall call);

    FakeClock& clock_;
    MouseConfig config_;
    mutable std::mutex mutex_;
    std::vector<HidCall> calls_;
    std::vector<uint8_t> current_ = std::vector<uint8_t>(kFeatureReportLength, 0);
    int reads_ = 0;
    int busyLeft_ = 0;
    bool busyForever_ = false;
    int callCount_ = 0;
    int opens_ = 0;
    bool unplugged_ = false;
    bool started_ = false;
};

class SimulatedHidSystem : public HidSystem {
public:
    bool listFails = false;
    // How long the system half waits for an answer before it cancels a request (real milliseconds).
    unsigned timeoutMs = 20;

    void Add(DevicePath path, std::shared_ptr<SimulatedMouse> mouse);
    bool ListInterfacePaths(std::vector<DevicePath>& paths) override;
    std::unique_ptr<HidDevice> Open(const DevicePath& path) override;

    std::vector<DevicePath> OpenedPaths() const;  // every open asked for, also failed ones
    int MaxOpenAtOnce() const;
    // While held, every Open waits: lets a test see that starting probes does not wait for them.
    void HoldOpens();
    void ReleaseOpens();
    int OpensWaiting() const;

    void HandleClosed();
    // Every thread that opened an interface.
    std::set<std::thread::id> OpeningThreads() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::vector<std::pair<DevicePath, std::shared_ptr<SimulatedMouse>>> interfaces_;
    std::vector<DevicePath> opened_;
    bool held_ = false;
    int waiting_ = 0;
    int openNow_ = 0;
    int maxOpen_ = 0;
    std::set<std::thread::id> openers_;
};

// "00 02 18" -> {0x00, 0x02, 0x18}: the golden reports are written as the bytes go over the wire.
std::vector<uint8_t> Hex(const char* text);

// The raw bytes a device gives for a string: UTF-16LE with its terminator.
std::vector<uint8_t> Utf16Bytes(const std::u16string& text);

// Mice of each family as the probes meet them.
MouseConfig ZuMouse();
MouseConfig SwitchMouse(uint16_t productId = 0x0301);
MouseConfig Kest24Mouse(uint16_t vendorId = 0x1234, uint16_t productId = 0x5678);
MouseConfig ReceiverMouse(uint16_t productId);
MouseConfig KevoMouse();
