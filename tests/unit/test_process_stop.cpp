#include "shell/ProcessState.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(ProgramStop, PhasesOnlyMoveForward) {
    std::atomic<StopPhase> phase{StopPhase::Running};
    EXPECT_EQ(AdvanceStop(phase, StopPhase::Requested), StopPhase::Running);
    EXPECT_EQ(phase.load(), StopPhase::Requested);
    // A second request (Exit after "/close") changes nothing and says the stop was asked for already.
    EXPECT_EQ(AdvanceStop(phase, StopPhase::Requested), StopPhase::Requested);
    EXPECT_EQ(phase.load(), StopPhase::Requested);
    EXPECT_EQ(AdvanceStop(phase, StopPhase::Stopping), StopPhase::Requested);
    EXPECT_EQ(phase.load(), StopPhase::Stopping);
    // A close request that comes while the parts stop never takes the phase back.
    EXPECT_EQ(AdvanceStop(phase, StopPhase::Requested), StopPhase::Stopping);
    EXPECT_EQ(phase.load(), StopPhase::Stopping);
    EXPECT_EQ(AdvanceStop(phase, StopPhase::Running), StopPhase::Stopping);
    EXPECT_EQ(phase.load(), StopPhase::Stopping);
}

TEST(ProgramStop, TheOwnersStopNeedsNoRequestFirst) {
    std::atomic<StopPhase> phase{StopPhase::Running};
    EXPECT_EQ(AdvanceStop(phase, StopPhase::Stopping), StopPhase::Running);
    EXPECT_EQ(phase.load(), StopPhase::Stopping);
}

TEST(ProgramStop, UnderWayFromTheRequestOn) {
    EXPECT_FALSE(StopUnderWay(StopPhase::Running));
    EXPECT_TRUE(StopUnderWay(StopPhase::Requested));
    EXPECT_TRUE(StopUnderWay(StopPhase::Stopping));
}

TEST(ProgramStop, RacingAdvancesEndAtTheFurthestPhase) {
    for (int round = 0; round < 200; ++round) {
        std::atomic<StopPhase> phase{StopPhase::Running};
        std::atomic<int> sawRunning{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            const StopPhase to = i % 2 ? StopPhase::Stopping : StopPhase::Requested;
            threads.emplace_back([&phase, &sawRunning, to] {
                if (AdvanceStop(phase, to) == StopPhase::Running) ++sawRunning;
            });
        }
        for (std::thread& t : threads) t.join();
        ASSERT_EQ(phase.load(), StopPhase::Stopping) << "round " << round;
        // Exactly one of them began the stop.
        ASSERT_EQ(sawRunning.load(), 1) << "round " << round;
    }
}
