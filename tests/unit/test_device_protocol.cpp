// The feature-report sequences, byte for byte and pause for pause, against simulated mice.
#include "SimulatedHid.h"
#include "device/DeviceProtocol.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace {

using Bytes = std::vector<uint8_t>;
using ByteList = std::vector<Bytes>;

// One simulated mouse with a handle opened on it, as a probe would have it.
struct Bench {
    FakeClock clock;
    SimulatedHidSystem system;
    std::shared_ptr<SimulatedMouse> mouse;
    std::unique_ptr<HidDevice> handle;
    std::atomic<int> mode{0};

    explicit Bench(MouseConfig config, int deviceMode = 0) : mode(deviceMode) {
        mouse = std::make_shared<SimulatedMouse>(clock, std::move(config));
        system.Add(u"\\\\?\\hid#bench", mouse);
        handle = system.Open(u"\\\\?\\hid#bench");
    }
    int Reads() const { return mouse->CountOf(HidCall::GetFeature); }
};

ByteList Hexes(std::initializer_list<const char*> texts) {
    ByteList list;
    for (const char* text : texts) list.push_back(Hex(text));
    return list;
}

TEST(DeviceZuSequence, SendsTheGoldenRequestsAtTheRightTimes) {
    struct Case {
        int mode;
        const char* modeRequest;
    };
    const Case cases[] = {
        {0x18, "00 02 18 00 01 00 00 00 1B"},
        {0x00, "00 02 00 00 01 00 00 00 03"},
        {0x10, "00 02 10 00 01 00 00 00 13"},
        {0x08, "00 02 08 00 01 00 00 00 0B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Bench bench(ZuMouse(), c.mode);
        RunZuSequence(*bench.handle, bench.clock, 9, bench.mode);
        EXPECT_EQ(bench.mouse->Sets(),
                  Hexes({"00 00 00 00 00 00 00 00 00", "00 00 12 12 12 12 12 12 00", c.modeRequest}));
        // Idle read, 2 ms, request, the wait, response read, 3 ms - three times.
        EXPECT_EQ(bench.mouse->SetTimes(), (std::vector<uint64_t>{2, 17, 42}));
        EXPECT_EQ(bench.clock.Pauses(), (std::vector<unsigned>{2, 10, 3, 2, 20, 3, 2, 20, 3}));
        EXPECT_EQ(bench.clock.PausedTotal(), 65u);
        EXPECT_EQ(bench.Reads(), 6);
    }
}

TEST(DeviceZuSequence, OnlyTheZuAnswerContinues) {
    struct Case {
        uint8_t byte1, byte2;
        size_t sets;
    };
    const Case cases[] = {{0x5A, 0x55, 3}, {0x5A, 0x56, 1}, {0x55, 0x5A, 1}, {0x00, 0x00, 1}, {0x5B, 0x55, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(c.byte1) << " " << int(c.byte2));
        MouseConfig config = ZuMouse();
        config.zuAnswer1 = c.byte1;
        config.zuAnswer2 = c.byte2;
        Bench bench(config, 0x18);
        RunZuSequence(*bench.handle, bench.clock, 9, bench.mode);
        ASSERT_EQ(bench.mouse->Sets().size(), c.sets);
        EXPECT_EQ(bench.mouse->Sets()[0], Hex("00 00 00 00 00 00 00 00 00"));
    }
}

TEST(DeviceZuSequence, ModeIsTakenWhenTheReportIsBuilt) {
    Bench bench(ZuMouse(), 0x18);
    // The settings change while the mouse is answering the query.
    bench.mouse->onSet = [&](const Bytes& report) {
        if (report == Hex("00 00 00 00 00 00 00 00 00")) bench.mode = 0x10;
    };
    RunZuSequence(*bench.handle, bench.clock, 9, bench.mode);
    ASSERT_EQ(bench.mouse->Sets().size(), 3u);
    EXPECT_EQ(bench.mouse->Sets()[2], Hex("00 02 10 00 01 00 00 00 13"));
}

TEST(DeviceZuSequence, BusyForeverGetsNoRequestAndTheProbeMovesOn) {
    MouseConfig config = ZuMouse();
    config.busyReads = kForever;
    Bench bench(config, 0x18);
    RunZuSequence(*bench.handle, bench.clock, 9, bench.mode);
    EXPECT_TRUE(bench.mouse->Sets().empty());
    EXPECT_EQ(bench.Reads(), 21);
    EXPECT_EQ(bench.clock.Pauses(), std::vector<unsigned>(20, 4));
}

TEST(DeviceFeatureTransaction, IdlePollCountsBusyAndFailedReads) {
    struct Case {
        int busyReads, failReads;
        int result;
        int readsBeforeSend;  // -1: nothing sent
    };
    const Case cases[] = {
        {0, 0, 1, 1}, {1, 0, 1, 2}, {5, 0, 1, 6}, {20, 0, 1, 21}, {21, 0, 0, -1},
        {0, 3, 1, 4}, {2, 3, 1, 6}, {0, 21, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "busy " << c.busyReads << " fail " << c.failReads);
        MouseConfig config = ZuMouse();
        config.busyReads = c.busyReads;
        config.failReads = c.failReads;
        Bench bench(config);
        FeatureReport request{};
        FeatureReport response{0x00, 0xAB, 0xCD};
        EXPECT_EQ(FeatureTransaction(*bench.handle, bench.clock, request, response, 9, 10), c.result);
        if (c.readsBeforeSend < 0) {
            EXPECT_TRUE(bench.mouse->Sets().empty());
            EXPECT_EQ(bench.Reads(), 21);
            EXPECT_EQ(bench.clock.PausedTotal(), 80u);
            EXPECT_EQ(response, (FeatureReport{0x00, 0xAB, 0xCD}));
        } else {
            ASSERT_EQ(bench.mouse->SetTimes().size(), 1u);
            EXPECT_EQ(bench.mouse->SetTimes()[0], uint64_t(4 * (c.readsBeforeSend - 1) + 2));
            EXPECT_EQ(bench.Reads(), c.readsBeforeSend + 1);
            EXPECT_EQ(response[1], 0x5A);
        }
    }
}

TEST(DeviceFeatureTransaction, ResponsePollGivesUpAfter201Reads) {
    struct Case {
        int busyAfterSet;
        int result;
        int responseReads;
    };
    const Case cases[] = {{0, 1, 1}, {1, 1, 2}, {200, 1, 201}, {kForever, 0, 201}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.busyAfterSet);
        MouseConfig config = ZuMouse();
        config.busyAfterSet = c.busyAfterSet;
        Bench bench(config);
        FeatureReport request{};
        FeatureReport response{0x00, 0x11, 0x22};
        EXPECT_EQ(FeatureTransaction(*bench.handle, bench.clock, request, response, 9, 10), c.result);
        EXPECT_EQ(bench.Reads(), 1 + c.responseReads);
        const uint64_t polls = 4u * uint64_t(c.responseReads - 1);
        EXPECT_EQ(bench.clock.PausedTotal(), 2 + 10 + polls + (c.result ? 3 : 0));
        if (c.result == 0) {
            EXPECT_EQ(response, (FeatureReport{0x00, 0x11, 0x22}));  // left as it was
        } else {
            EXPECT_EQ(response[1], 0x5A);
        }
    }
}

TEST(DeviceFeatureTransaction, FillsChecksumAndReportIdAndStaysInsideTheBuffers) {
    Bench bench(ZuMouse());
    FeatureReport request{0x77, 0x02, 0x18, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF};
    FeatureReport response{};
    // A report length beyond the 9-byte buffers must not reach the HID calls.
    EXPECT_EQ(FeatureTransaction(*bench.handle, bench.clock, request, response, 64, 20), 1);
    EXPECT_EQ(bench.mouse->Sets(), Hexes({"00 02 18 00 01 00 00 00 1B"}));
    for (const HidCall& call : bench.mouse->Calls()) {
        if (call.kind == HidCall::GetFeature || call.kind == HidCall::SetFeature) {
            EXPECT_EQ(call.length, 9u);
        }
    }
}

TEST(DevicePlainSequences, GoldenReportsPausesAndStrings) {
    using Runner = std::function<void(Bench&)>;
    struct Case {
        const char* name;
        MouseConfig config;
        int mode;
        Runner run;
        ByteList sets;
        std::vector<uint64_t> times;
        std::vector<unsigned> strings;
    };
    const Runner kSwitch = [](Bench& b) { RunSwitchSequence(*b.handle, b.clock, 9, b.mode); };
    const Runner kKest24 = [](Bench& b) { RunKest24Sequence(*b.handle, b.clock, 9, b.mode); };
    const Runner kReceiver = [](Bench& b) { RunReceiverReset(*b.handle, b.clock, 9); };
    const Runner kKest24Reset = [](Bench& b) { RunKest24Reset(*b.handle, b.clock, 9); };
    const Case cases[] = {
        {"switch 18", SwitchMouse(), 0x18, kSwitch,
         Hexes({"00 00 02 01 00 00 00 00 00", "00 00 03 18 00 00 00 00 00"}), {0, 4}, {}},
        {"switch 0", SwitchMouse(), 0x00, kSwitch,
         Hexes({"00 00 02 01 00 00 00 00 00", "00 00 03 00 00 00 00 00 00"}), {0, 4}, {}},
        {"kest24 18", Kest24Mouse(), 0x18, kKest24,
         Hexes({"00 07 01 01 00 00 00 00 00", "00 07 02 18 00 12 12 12 00"}), {0, 10}, {}},
        {"kest24 10", Kest24Mouse(), 0x10, kKest24,
         Hexes({"00 07 01 01 00 00 00 00 00", "00 07 02 10 00 12 12 12 00"}), {0, 10}, {}},
        {"receiver reset", ReceiverMouse(0x4101), 0x18, kReceiver,
         Hexes({"00 00 02 00 00 00 00 00 00", "00 00 03 00 00 00 00 00 00"}), {0, 4}, {148}},
        {"kest24 reset", Kest24Mouse(), 0x18, kKest24Reset,
         Hexes({"00 07 01 00 00 00 00 00 00", "00 07 02 00 00 12 12 12 00"}), {0, 10}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench(c.config, c.mode);
        c.run(bench);
        EXPECT_EQ(bench.mouse->Sets(), c.sets);
        EXPECT_EQ(bench.mouse->SetTimes(), c.times);
        EXPECT_EQ(bench.mouse->StringIndices(), c.strings);
        EXPECT_EQ(bench.Reads(), 0);
        for (const HidCall& call : bench.mouse->Calls()) {
            if (call.kind == HidCall::String) {
                EXPECT_EQ(call.length, 2048u);
            }
        }
    }
}

TEST(DevicePlainSequences, Kest24ModeIsTakenAfterThePause) {
    Bench bench(Kest24Mouse(), 0x18);
    bench.mouse->onSet = [&](const Bytes&) { bench.mode = 0x08; };
    RunKest24Sequence(*bench.handle, bench.clock, 9, bench.mode);
    EXPECT_EQ(bench.mouse->Sets()[1], Hex("00 07 02 08 00 12 12 12 00"));
}

TEST(DeviceKevoOrder, ReadsTheClampedOrderStringThen199And198) {
    const std::pair<int, unsigned> cases[] = {{0, 140}, {2, 142}, {5, 145}, {6, 145}, {9, 145},
                                              {-1, 140}, {INT_MIN, 140}, {INT_MAX, 145}};
    for (const auto& [order, index] : cases) {
        SCOPED_TRACE(order);
        Bench bench(KevoMouse());
        RunKevoOrder(*bench.handle, order);
        EXPECT_EQ(bench.mouse->StringIndices(), (std::vector<unsigned>{index, 199, 198}));
        EXPECT_TRUE(bench.mouse->Sets().empty());
        for (const HidCall& call : bench.mouse->Calls()) EXPECT_EQ(call.length, 2048u);
    }
}

TEST(DeviceZuSequence, UnpluggedInTheMiddleEndsWithoutFurtherReports) {
    MouseConfig config = ZuMouse();
    config.unplugAfterCalls = 3;  // idle read, query, answer - then gone
    Bench bench(config, 0x18);
    RunZuSequence(*bench.handle, bench.clock, 9, bench.mode);
    std::vector<HidCall> calls = bench.mouse->Calls();
    int delivered = 0;
    for (const HidCall& call : calls) delivered += call.ok && call.kind == HidCall::SetFeature;
    EXPECT_EQ(delivered, 1);
    // Both later transactions give up after their idle polls: nothing is sent to a vanished mouse.
    EXPECT_EQ(bench.mouse->Sets().size(), 1u);
    EXPECT_EQ(bench.clock.PausedTotal(), 15u + 80u + 80u);
}

}  // namespace
