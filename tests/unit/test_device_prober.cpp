// The device worker: one thread for every probe and the shutdown passes, a queue without repeats, and
// devices that stop answering.
#include "DeviceTestRig.h"
#include "device/DeviceProber.h"

#include <chrono>
#include <thread>

namespace {

using namespace device_test;

MouseConfig WithFeatureLength(MouseConfig config, uint16_t length) {
    config.caps.FeatureReportByteLength = length;
    return config;
}

MouseConfig Unanswering(MouseConfig config) {
    config.neverAnswers = true;
    return config;
}

// Polls (real time) until `done` holds, at most `ms`.
template <class Done>
bool Eventually(Done done, int ms = 10000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// What the worker tells, in order.
class RecordingObserver : public ProbeObserver {
public:
    void Skipped(const DevicePath& path) override { Add("skipped", path); }
    void StoppedAnswering(const DevicePath& path) override { Add("stopped-answering", path); }
    void Dropped(const DevicePath& path) override { Add("dropped", path); }
    void ResetPassStarts(int order) override { Add("reset-pass order=" + std::to_string(order), {}); }
    std::vector<std::string> Events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    int Count(const std::string& what) const {
        std::vector<std::string> events = Events();
        return int(std::count(events.begin(), events.end(), what));
    }

private:
    void Add(const std::string& what, const DevicePath& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(what);
        paths_.push_back(path);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<DevicePath> paths_;
};

// The workers' starts and retirements, in the order they were told, with the thread that told each.
class LifetimeObserver : public ProbeObserver {
public:
    void WorkerStarted() override { Add("started"); }
    void WorkerRetired() override { Add("retired"); }
    std::vector<std::string> Events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    // Every start after the first follows a retirement of the worker started before it, told on that
    // worker's own thread: two workers never ran at once.
    ::testing::AssertionResult NeverOverlapped() const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < events_.size(); ++i) {
            const char* expected = i % 2 ? "retired" : "started";
            if (events_[i] != expected) return ::testing::AssertionFailure() << "event " << i << " is " << events_[i];
            if (i % 2 && threads_[i] != threads_[i - 1]) {
                return ::testing::AssertionFailure() << "retirement " << i << " told by another thread than its start";
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    void Add(const char* what) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(what);
        threads_.push_back(std::this_thread::get_id());
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::thread::id> threads_;
};

// The calls that reach a device: feature reports and strings.
int Requests(const SimulatedMouse& mouse) {
    return mouse.CountOf(HidCall::GetFeature) + mouse.CountOf(HidCall::SetFeature) + mouse.CountOf(HidCall::String);
}

TEST(DeviceProber, ProbesEveryInterfaceOneAtATime) {
    Rig rig;
    for (int i = 0; i < 3; ++i) rig.Add(ZuMouse());
    rig.Add(Kest24Mouse());
    rig.Add(Kest24Mouse(0xF17E, 0x0001));
    rig.Add(SwitchMouse());
    auto plain = rig.Add(WithFeatureLength(Kest24Mouse(), 8));
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    EXPECT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(rig.mice[i]->Sets().empty());
        EXPECT_EQ(rig.mice[i]->Sets().back()[3 - (i < 3 ? 1 : 0)], 0x18);  // ZU carries the mode in byte 2
        ExpectEndsWithCancelAndClose(*rig.mice[i]);
    }
    EXPECT_TRUE(plain->Sets().empty());
    EXPECT_TRUE(plain->StringIndices().empty());
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
}

TEST(DeviceProber, StartingProbesNeverWaitsForADevice) {
    Rig rig;
    auto mouse = rig.Add(Kest24Mouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    rig.system.HoldOpens();
    EXPECT_TRUE(prober.EnumerateAndProbeDevices());  // returns although the probe cannot get on
    EXPECT_FALSE(prober.WaitForProbes(20));
    EXPECT_TRUE(mouse->Calls().empty());
    rig.system.ReleaseOpens();
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(mouse->Sets().size(), 2u);
}

TEST(DeviceProber, TwoArrivalsAreProbedOneAfterTheOther) {
    Rig rig;
    auto first = rig.Add(ZuMouse(), u"\\\\?\\HID#VID_F17E&PID_027B&MI_00#1");
    auto second = rig.Add(ZuMouse(), u"\\\\?\\HID#VID_F17E&PID_027B&MI_01#1");
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    Bytes a = ArrivalRecord(u"\\\\?\\HID#VID_F17E&PID_027B&MI_00#1");
    Bytes b = ArrivalRecord(u"\\\\?\\HID#VID_F17E&PID_027B&MI_01#1");
    prober.OnDeviceChange(0x8000, a.data(), a.size());
    prober.OnDeviceChange(0x8000, b.data(), b.size());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(first->Sets().size(), 3u);
    EXPECT_EQ(second->Sets().size(), 3u);
    auto [a0, a1] = Span(*first);
    auto [b0, b1] = Span(*second);
    EXPECT_TRUE(a1 <= b0 || b1 <= a0) << a0 << "-" << a1 << " / " << b0 << "-" << b1;
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
}

TEST(DeviceProber, RemovalAndOtherEventsSendNothing) {
    Rig rig;
    auto mouse = rig.Add(ZuMouse(), u"\\\\?\\HID#ZU#1");
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    Bytes record = ArrivalRecord(u"\\\\?\\HID#ZU#1");
    for (uint64_t event : {0x8004u, 0x8001u, 0x0007u, 0x0018u}) prober.OnDeviceChange(event, record.data(), record.size());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_TRUE(rig.system.OpenedPaths().empty());
    EXPECT_TRUE(mouse->Calls().empty());
}

TEST(DeviceProber, ArrivalsOfOtherClassesAndPathsOpenNothing) {
    Rig rig;
    const DevicePath usb = u"\\\\?\\USB#VID_F17E&PID_027B#1";
    auto atUsbPath = rig.Add(ZuMouse(), usb);
    auto mouse = rig.Add(ZuMouse(), u"\\\\?\\HID#ZU#1");
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    uint8_t otherClass[16] = {0xA5, 0xDC, 0xBF, 0x10, 0x65, 0x30, 0xD2, 0x11,
                              0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED};  // GUID_DEVINTERFACE_USB_DEVICE
    Bytes wrongClass = ArrivalRecord(u"\\\\?\\HID#ZU#1", 5, true, -1, otherClass);
    Bytes wrongPath = ArrivalRecord(usb);
    prober.OnDeviceChange(0x8000, wrongClass.data(), wrongClass.size());
    prober.OnDeviceChange(0x8000, wrongPath.data(), wrongPath.size());
    EXPECT_FALSE(prober.ProbeArrivedInterface(usb));
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_TRUE(rig.system.OpenedPaths().empty());
    EXPECT_TRUE(atUsbPath->Calls().empty());
    EXPECT_TRUE(mouse->Calls().empty());
}

TEST(DeviceProber, LongPathsAreOpenedWholeAndOverlongOnesNever) {
    Rig rig;
    const DevicePath longPath = u"\\\\?\\HID#" + DevicePath(700, u'7');
    const DevicePath overlong = u"\\\\?\\HID#" + DevicePath(kMaxDevicePathUnits, u'8');
    auto mouse = rig.Add(Kest24Mouse(), longPath);
    auto unreachable = rig.Add(Kest24Mouse(), overlong);
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    EXPECT_TRUE(prober.EnumerateAndProbeDevices());
    EXPECT_FALSE(prober.ProbeArrivedInterface(overlong));
    EXPECT_FALSE(prober.ProbeArrivedInterface(DevicePath()));
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(rig.system.OpenedPaths(), std::vector<DevicePath>{longPath});
    EXPECT_EQ(mouse->Sets().size(), 2u);
    EXPECT_TRUE(unreachable->Calls().empty());
}

TEST(DeviceProber, CloseWatchSendsModeZeroThenResets) {
    Rig rig;
    auto zu = rig.Add(ZuMouse());
    auto kest = rig.Add(Kest24Mouse());
    auto receiver = rig.Add(ReceiverMouse(0x4101));
    auto kevo = rig.Add(KevoMouse());
    rig.order = 3;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    ASSERT_TRUE(prober.CloseWatchDeviceWork(10000));
    EXPECT_EQ(rig.mode.load(), 0);
    EXPECT_EQ(zu->Sets().back(), Hex("00 02 00 00 01 00 00 00 03"));
    // The same shutdown's configuration always comes before the reset.
    EXPECT_EQ(kest->Sets(), (std::vector<Bytes>{Hex("00 07 01 01 00 00 00 00 00"), Hex("00 07 02 00 00 12 12 12 00"),
                                                Hex("00 07 01 00 00 00 00 00 00"), Hex("00 07 02 00 00 12 12 12 00")}));
    EXPECT_EQ(receiver->StringIndices(), (std::vector<unsigned>{120, 148}));
    EXPECT_EQ(receiver->Sets(), (std::vector<Bytes>{Hex("00 00 02 00 00 00 00 00 00"), Hex("00 00 03 00 00 00 00 00 00")}));
    EXPECT_EQ(kevo->StringIndices(), (std::vector<unsigned>{148, 143, 199, 198}));
    EXPECT_TRUE(kevo->Sets().empty());
}

TEST(DeviceProber, DestructionWaitsForTheProbesItWasAskedFor) {
    Rig rig;
    for (int i = 0; i < 4; ++i) rig.Add(ZuMouse());
    {
        DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
        rig.system.HoldOpens();
        prober.EnumerateAndProbeDevices();
        ASSERT_TRUE(Eventually([&] { return rig.system.OpensWaiting() == 1; })) << "the first probe never began";
        prober.EnumerateAndProbeDevices();  // the first walk is under way, so this one is a walk of its own
        rig.system.ReleaseOpens();
    }
    for (const auto& mouse : rig.mice) {
        EXPECT_EQ(mouse->Sets().size(), 6u);
        EXPECT_EQ(mouse->Opens(), 2);
    }
}

// ------------------------------------------------------------------------------------------ one worker

// Every settings save, resume, unlock and arrival asks for probes; however many come, and however long a
// device takes, one thread talks to the devices.
TEST(DeviceProber, OneWorkerHoweverManyRequests) {
    Rig rig;
    auto unanswering = rig.Add(Unanswering(Kest24Mouse()));
    auto zu = rig.Add(ZuMouse());
    auto kest = rig.Add(Kest24Mouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    for (int round = 0; round < 30; ++round) {
        EXPECT_TRUE(prober.EnumerateAndProbeDevices());
        prober.ProbeArrivedInterface(Upper(PathFor(1)));
        prober.ProbeArrivedInterface(PathFor(2));
    }
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(rig.system.OpeningThreads().size(), 1u);
    EXPECT_EQ(prober.WorkerStarts(), 1);
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
    EXPECT_EQ(unanswering->TimeOuts(), 1);
    EXPECT_FALSE(zu->Sets().empty());
    EXPECT_FALSE(kest->Sets().empty());
}

// A request for an interface that is still waiting joins the waiting one, which sends the mode current
// when its reports are built.
TEST(DeviceProber, RequestsForAWaitingInterfaceJoinIt) {
    Rig rig;
    auto a = rig.Add(Kest24Mouse());
    auto b = rig.Add(Kest24Mouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    rig.system.HoldOpens();
    ASSERT_TRUE(prober.ProbeArrivedInterface(PathFor(1)));
    ASSERT_TRUE(Eventually([&] { return rig.system.OpensWaiting() == 1; })) << "the probe of b never began";
    rig.mode = 0x10;
    for (int i = 0; i < 5; ++i) {
        prober.ProbeArrivedInterface(i % 2 ? PathFor(0) : Upper(PathFor(0)));
        prober.EnumerateAndProbeDevices();
    }
    rig.mode = 0x08;
    rig.system.ReleaseOpens();
    ASSERT_TRUE(prober.WaitForProbes(10000));
    // b: the probe under way and the walk; a: its arrival and the walk, each once whatever the repeats.
    EXPECT_EQ(a->Opens(), 2);
    EXPECT_EQ(b->Opens(), 2);
    for (const auto& mouse : {a, b}) {
        for (const Bytes& report : mouse->Sets()) {
            if (report[2] == 0x02) {
                EXPECT_EQ(report[3], 0x08) << "a probe sent an older mode";
            }
        }
    }
}

TEST(DeviceProber, AFloodOfArrivalsWaitsInABoundedQueue) {
    Rig rig;
    rig.Add(Kest24Mouse());
    RecordingObserver observer;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer);
    rig.system.HoldOpens();
    ASSERT_TRUE(prober.ProbeArrivedInterface(PathFor(0)));
    ASSERT_TRUE(Eventually([&] { return rig.system.OpensWaiting() == 1; }));
    int taken = 0;
    for (int i = 0; i < int(kMaxQueuedProbes) + 50; ++i) {
        const std::string number = std::to_string(i);
        if (prober.ProbeArrivedInterface(u"\\\\?\\hid#made-up#" + DevicePath(number.begin(), number.end()))) {
            ++taken;
        }
    }
    EXPECT_EQ(taken, int(kMaxQueuedProbes));
    EXPECT_EQ(observer.Count("dropped"), 50);
    rig.system.ReleaseOpens();
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(rig.system.OpenedPaths().size(), kMaxQueuedProbes + 1);
}

// ------------------------------------------------------------------------------------------ devices that stop answering

TEST(DeviceProber, AnUnansweringDeviceCostsOneTimeOutAndTheOthersAreConfigured) {
    Rig rig;
    auto zuSilent = rig.Add(Unanswering(ZuMouse()));
    auto kestSilent = rig.Add(Unanswering(Kest24Mouse()));
    auto zu = rig.Add(ZuMouse());
    auto kest = rig.Add(Kest24Mouse());
    RecordingObserver observer;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer);
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000)) << "the probes behind an unanswering device did not finish";
    for (const auto& silent : {zuSilent, kestSilent}) {
        // The first request timed out; nothing more was asked of it, and its handle was closed.
        EXPECT_EQ(silent->TimeOuts(), 1);
        EXPECT_EQ(Requests(*silent), 1);
        ExpectEndsWithCancelAndClose(*silent);
    }
    EXPECT_TRUE(prober.IsStoppedAnswering(PathFor(0)));
    EXPECT_TRUE(prober.IsStoppedAnswering(Upper(PathFor(1))));
    EXPECT_FALSE(prober.IsStoppedAnswering(PathFor(2)));
    EXPECT_EQ(zu->Sets().size(), 3u);
    EXPECT_EQ(kest->Sets().size(), 2u);
    EXPECT_EQ(observer.Count("stopped-answering"), 2);
}

// A mouse that stops answering in the middle of its sequence: the probe ends at the time-out, with no more
// polling, pausing or reports.
TEST(DeviceProbe, AMouseThatStopsAnsweringMidSequenceEndsTheProbeAtOnce) {
    Rig rig;
    auto zu = rig.Add(ZuMouse());
    zu->onSet = [&zu](const std::vector<uint8_t>&) { zu->SetNeverAnswers(true); };  // after the query
    const ProbeOutcome outcome = ProbeDevice(rig.system, rig.clock, PathFor(0), rig.mode);
    EXPECT_TRUE(outcome.timedOut);
    EXPECT_EQ(outcome.family, DeviceFamily::Zu);
    EXPECT_EQ(zu->TimeOuts(), 1);
    EXPECT_EQ(zu->Sets().size(), 1u);
    // The idle poll's read, 2 ms before the query and its 10 ms wait; then nothing (the response poll
    // alone would add 800 ms of pauses).
    EXPECT_EQ(rig.clock.PausedTotal(), 12u);
    ExpectEndsWithCancelAndClose(*zu);

    // A Kest24 mouse that reads out its name (caps, attributes, string 120) and then takes no report.
    Rig kestRig;
    MouseConfig silentAfterName = Kest24Mouse();
    silentAfterName.stopsAnsweringAfterCalls = 3;
    auto kest = kestRig.Add(silentAfterName);
    EXPECT_TRUE(ProbeDevice(kestRig.system, kestRig.clock, PathFor(0), kestRig.mode).timedOut);
    EXPECT_EQ(kest->Sets().size(), 1u);
    EXPECT_EQ(kest->TimeOuts(), 1);
    EXPECT_EQ(kestRig.clock.PausedTotal(), 0u);  // not even the pause before the second report
}

TEST(DeviceProber, AnUnansweringDeviceIsLeftAloneUntilItArrivesAgain) {
    Rig rig;
    auto silent = rig.Add(Unanswering(Kest24Mouse()));
    auto kest = rig.Add(Kest24Mouse());
    RecordingObserver observer;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer);
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    ASSERT_EQ(silent->Opens(), 1);

    // Saves, resumes and unlocks walk past it, and so does the shutdown (mode 0 and the reset pass).
    for (int i = 0; i < 3; ++i) {
        prober.EnumerateAndProbeDevices();
        ASSERT_TRUE(prober.WaitForProbes(10000));
    }
    ASSERT_TRUE(prober.CloseWatchDeviceWork(10000));
    EXPECT_EQ(silent->Opens(), 1);
    EXPECT_EQ(silent->TimeOuts(), 1);
    EXPECT_EQ(kest->Opens(), 6);  // four walks, the mode-0 walk and the reset pass
    EXPECT_EQ(observer.Count("skipped"), 5);

    // Plugged in again, it answers: its arrival (announced in upper case) configures it, and walks take
    // it again.
    silent->SetNeverAnswers(false);
    rig.mode = 0x10;
    Bytes record = ArrivalRecord(Upper(PathFor(0)));
    prober.OnDeviceChange(0x8000, record.data(), record.size());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(silent->Opens(), 2);
    EXPECT_EQ(silent->Sets().back(), Hex("00 07 02 10 00 12 12 12 00"));
    EXPECT_FALSE(prober.IsStoppedAnswering(PathFor(0)));
    prober.EnumerateAndProbeDevices();
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(silent->Opens(), 3);
}

// The shutdown pass with a device that stopped answering: one time-out in all, and every other family is
// reset.
TEST(DeviceProber, TheShutdownPassesGetPastAnUnansweringDevice) {
    Rig rig;
    auto silent = rig.Add(Unanswering(ZuMouse()));
    auto kest = rig.Add(Kest24Mouse());
    auto receiver = rig.Add(ReceiverMouse(0x4101));
    auto kevo = rig.Add(KevoMouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    ASSERT_TRUE(prober.CloseWatchDeviceWork(10000)) << "the reset pass did not end";
    EXPECT_EQ(silent->TimeOuts(), 1);
    EXPECT_EQ(silent->Opens(), 1);
    EXPECT_EQ(kest->Sets().size(), 4u);
    EXPECT_EQ(receiver->Sets().size(), 2u);
    EXPECT_EQ(kevo->StringIndices(), (std::vector<unsigned>{148, 140, 199, 198}));
}

// A device that stops answering during the reset pass itself is left alone afterwards too.
TEST(DeviceProber, ADeviceThatStopsAnsweringInTheResetPassIsLeftAlone) {
    Rig rig;
    auto kevo = rig.Add(KevoMouse());  // probes ask it nothing: only the reset pass does
    auto kest = rig.Add(Kest24Mouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order);
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    kevo->SetNeverAnswers(true);
    ASSERT_TRUE(prober.CloseWatchDeviceWork(10000));
    EXPECT_EQ(kevo->TimeOuts(), 1);
    EXPECT_EQ(kevo->StringIndices(), std::vector<unsigned>{148});
    EXPECT_TRUE(prober.IsStoppedAnswering(PathFor(0)));
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(kevo->Opens(), 3);  // the first walk, the mode-0 walk, the reset pass; not the last walk
    EXPECT_EQ(kest->Sets().size(), 8u);
}

// ------------------------------------------------------------------------------------------ the button order

// The Default button sets the order to 0 after the program started; the shutdown tells the order that
// holds when its reset pass runs.
TEST(DeviceProber, TheResetPassTellsTheOrderThatHoldsWhenItRuns) {
    Rig rig;
    auto held = rig.Add(Kest24Mouse());
    auto kevo = rig.Add(KevoMouse());
    RecordingObserver observer;
    rig.order = 4;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer);
    rig.system.HoldOpens();
    bool done = false;
    std::thread closeWatch([&] { done = prober.CloseWatchDeviceWork(10000); });
    ASSERT_TRUE(Eventually([&] { return rig.system.OpensWaiting() == 1; })) << "the mode-0 pass never began";
    rig.order = 0;
    rig.system.ReleaseOpens();
    closeWatch.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(kevo->StringIndices(), (std::vector<unsigned>{148, 140, 199, 198}));
    EXPECT_EQ(observer.Events(), std::vector<std::string>{"reset-pass order=0"});
    EXPECT_EQ(held->Sets().size(), 4u);
}

// ------------------------------------------------------------------------------------------ a worker that retires

constexpr std::chrono::milliseconds kShortRetire{20};

TEST(DeviceProber, AnIdleWorkerRetiresAndTheNextRequestStartsAnother) {
    Rig rig;
    auto mouse = rig.Add(Kest24Mouse());
    LifetimeObserver observer;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer, kShortRetire);
    ASSERT_TRUE(prober.ProbeArrivedInterface(PathFor(0)));
    ASSERT_TRUE(prober.WaitForProbes(10000));
    ASSERT_TRUE(Eventually([&] { return prober.WorkerRetirements() == 1; })) << "the idle worker never retired";
    EXPECT_EQ(observer.Events(), (std::vector<std::string>{"started", "retired"}));

    rig.mode = 0x10;
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(prober.WorkerStarts(), 2);
    EXPECT_EQ(mouse->Opens(), 2);
    ASSERT_EQ(mouse->Sets().size(), 4u);
    EXPECT_EQ(mouse->Sets().back(), Hex("00 07 02 10 00 12 12 12 00"));
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
    ASSERT_TRUE(Eventually([&] { return prober.WorkerRetirements() == 2; }));
    EXPECT_TRUE(observer.NeverOverlapped());
}

// Requests that come within the delay are carried out by the worker already there.
TEST(DeviceProber, AWorkerWithinItsDelayTakesTheNextRequestToo) {
    Rig rig;
    auto mouse = rig.Add(ZuMouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, nullptr, std::chrono::hours(1));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(prober.EnumerateAndProbeDevices());
        ASSERT_TRUE(prober.WaitForProbes(10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // idle, but far from the delay
    }
    EXPECT_EQ(prober.WorkerRetirements(), 0);
    EXPECT_EQ(prober.WorkerStarts(), 1);
    EXPECT_EQ(mouse->Opens(), 3);
}

// The request that comes as the worker's delay runs out is carried out, whichever way the race goes: by
// the worker, which then does not retire, or by a new one started after it retired.
TEST(DeviceProber, ARequestRacingTheRetirementIsNeverLost) {
    Rig rig;
    auto zu = rig.Add(ZuMouse());
    auto kest = rig.Add(Kest24Mouse());
    LifetimeObserver observer;
    const auto delay = std::chrono::milliseconds(5);
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer, delay);
    const int rounds = 200;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        // Around the delay, and now and then well past it so that some workers surely retire.
        const std::chrono::microseconds idle =
            round % 10 == 9 ? std::chrono::microseconds(4 * delay)
                            : delay + std::chrono::microseconds(500 * (round % 7) - 1500);
        std::this_thread::sleep_for(idle);
        if (round % 2) {
            ASSERT_TRUE(prober.ProbeArrivedInterface(PathFor(1)));
        } else {
            ASSERT_TRUE(prober.EnumerateAndProbeDevices());
        }
        ASSERT_TRUE(prober.WaitForProbes(10000)) << "a request was left with no worker";
        const int walks = round / 2 + 1;
        ASSERT_EQ(zu->Opens(), walks);
        ASSERT_EQ(kest->Opens(), walks + round / 2 + round % 2);
        ASSERT_EQ(kest->Sets().size(), 2u * size_t(kest->Opens()));
    }
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
    EXPECT_GT(prober.WorkerRetirements(), 0) << "no worker ever retired: the race was never run";
    EXPECT_GE(prober.WorkerStarts(), prober.WorkerRetirements());
    EXPECT_LE(prober.WorkerStarts(), prober.WorkerRetirements() + 1);
    EXPECT_TRUE(observer.NeverOverlapped());
}

// A worker held in a driver call is busy however long the call takes: it does not retire, and requests
// meanwhile wait for it instead of starting a second worker.
TEST(DeviceProber, AHeldWorkerNeitherRetiresNorGetsASecond) {
    Rig rig;
    auto a = rig.Add(Kest24Mouse());
    auto b = rig.Add(ZuMouse());
    LifetimeObserver observer;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer, kShortRetire);
    rig.system.HoldOpens();
    ASSERT_TRUE(prober.ProbeArrivedInterface(PathFor(0)));
    ASSERT_TRUE(Eventually([&] { return rig.system.OpensWaiting() == 1; })) << "the probe never began";
    std::this_thread::sleep_for(5 * kShortRetire);
    ASSERT_TRUE(prober.ProbeArrivedInterface(PathFor(1)));
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    std::this_thread::sleep_for(5 * kShortRetire);
    EXPECT_EQ(rig.system.OpensWaiting(), 1) << "a second worker opened a device";
    EXPECT_EQ(prober.WorkerRetirements(), 0);
    EXPECT_EQ(prober.WorkerStarts(), 1);
    rig.system.ReleaseOpens();
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(a->Opens(), 2);  // the held arrival and the walk
    EXPECT_EQ(b->Opens(), 2);  // its arrival and the walk
    EXPECT_EQ(rig.system.OpeningThreads().size(), 1u);
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
    ASSERT_TRUE(Eventually([&] { return prober.WorkerRetirements() == 1; }));
    EXPECT_EQ(observer.Events(), (std::vector<std::string>{"started", "retired"}));
}

// What the prober knows of the devices outlives its workers.
TEST(DeviceProber, AnUnansweringDeviceStaysLeftAloneAcrossWorkers) {
    Rig rig;
    auto silent = rig.Add(Unanswering(Kest24Mouse()));
    auto kest = rig.Add(Kest24Mouse());
    RecordingObserver observer;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer, kShortRetire);
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    ASSERT_TRUE(Eventually([&] { return prober.WorkerRetirements() == 1; }));
    EXPECT_TRUE(prober.IsStoppedAnswering(PathFor(0)));
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(prober.WorkerStarts(), 2);
    EXPECT_EQ(silent->Opens(), 1);
    EXPECT_EQ(kest->Opens(), 2);
    EXPECT_EQ(observer.Count("skipped"), 1);
}

// The shutdown's passes after the worker retired: CloseWatchDeviceWork starts one and waits for it as ever.
TEST(DeviceProber, TheShutdownPassesStartARetiredWorkerAgain) {
    Rig rig;
    auto zu = rig.Add(ZuMouse());
    auto kevo = rig.Add(KevoMouse());
    rig.order = 2;
    DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, nullptr, kShortRetire);
    ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    ASSERT_TRUE(Eventually([&] { return prober.WorkerRetirements() == 1; }));
    ASSERT_TRUE(prober.CloseWatchDeviceWork(10000));
    EXPECT_EQ(prober.WorkerStarts(), 2);
    EXPECT_EQ(zu->Sets().back(), Hex("00 02 00 00 01 00 00 00 03"));
    EXPECT_EQ(kevo->StringIndices(), (std::vector<unsigned>{148, 142, 199, 198}));
}

TEST(DeviceProber, DestructionAfterRetirementJoinsEveryWorker) {
    Rig rig;
    auto mouse = rig.Add(Kest24Mouse());
    LifetimeObserver observer;
    {
        DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer, kShortRetire);
        ASSERT_TRUE(prober.EnumerateAndProbeDevices());
        ASSERT_TRUE(prober.WaitForProbes(10000));
        ASSERT_TRUE(Eventually([&] { return prober.WorkerRetirements() == 1; }));
    }  // a retired worker left unjoined would end the process here
    EXPECT_EQ(observer.Events(), (std::vector<std::string>{"started", "retired"}));
    {
        // A request right after the retirement, then the end at once: the new worker carries it out first.
        DeviceProber prober(rig.system, rig.clock, rig.mode, rig.order, &observer, kShortRetire);
        ASSERT_TRUE(prober.EnumerateAndProbeDevices());
        ASSERT_TRUE(prober.WaitForProbes(10000));
        ASSERT_TRUE(Eventually([&] { return prober.WorkerRetirements() == 1; }));
        ASSERT_TRUE(prober.EnumerateAndProbeDevices());
    }
    EXPECT_EQ(mouse->Opens(), 3);
    // The end at destruction is no retirement.
    EXPECT_EQ(observer.Events(), (std::vector<std::string>{"started", "retired", "started", "retired", "started"}));
}

}  // namespace
