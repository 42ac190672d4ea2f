#include "app/SingleInstance.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned long kAccessDenied = 5;
constexpr unsigned long kInvalidHandle = 6;
constexpr unsigned long kNotEnoughMemory = 8;
constexpr unsigned long kAlreadyExists = 183;
constexpr unsigned long kNoSystemResources = 1450;

TEST(ShellSingleInstance, AHandleIsNewUnlessTheSystemSaysItExisted) {
    EXPECT_EQ(ClassifyInstanceEventCreation(true, 0), InstanceEventCreation::Created);
    EXPECT_EQ(ClassifyInstanceEventCreation(true, kAlreadyExists), InstanceEventCreation::AlreadyExisted);
    // A leftover error number beside a handle does not make the event someone else's.
    EXPECT_EQ(ClassifyInstanceEventCreation(true, kAccessDenied), InstanceEventCreation::Created);
}

TEST(ShellSingleInstance, NoHandleTellsWhoHoldsTheName) {
    EXPECT_EQ(ClassifyInstanceEventCreation(false, kAccessDenied), InstanceEventCreation::AccessDenied);
    EXPECT_EQ(ClassifyInstanceEventCreation(false, kInvalidHandle), InstanceEventCreation::NameTaken);
    EXPECT_EQ(ClassifyInstanceEventCreation(false, kNotEnoughMemory), InstanceEventCreation::Failed);
    EXPECT_EQ(ClassifyInstanceEventCreation(false, kNoSystemResources), InstanceEventCreation::Failed);
    EXPECT_EQ(ClassifyInstanceEventCreation(false, 0), InstanceEventCreation::Failed);
    // "Already exists" without a handle is no event we could pulse; nothing says an instance of ours holds it.
    EXPECT_EQ(ClassifyInstanceEventCreation(false, kAlreadyExists), InstanceEventCreation::Failed);
}

TEST(ShellSingleInstance, AnInstanceWeCannotReachIsStillThere) {
    EXPECT_EQ(DecideStartRole(InstanceEventCreation::Created), StartRole::Resident);
    EXPECT_EQ(DecideStartRole(InstanceEventCreation::AlreadyExisted), StartRole::Messenger);
    // Elevated, or at another integrity level: a second resident would hook the mouse twice.
    EXPECT_EQ(DecideStartRole(InstanceEventCreation::AccessDenied), StartRole::Messenger);
    EXPECT_EQ(DecideStartRole(InstanceEventCreation::NameTaken), StartRole::Messenger);
    EXPECT_EQ(DecideStartRole(InstanceEventCreation::Failed), StartRole::Resident);
}

TEST(ShellSingleInstance, TraceNames) {
    EXPECT_STREQ(InstanceEventCreationName(InstanceEventCreation::Created), "created");
    EXPECT_STREQ(InstanceEventCreationName(InstanceEventCreation::AlreadyExisted), "existed");
    EXPECT_STREQ(InstanceEventCreationName(InstanceEventCreation::AccessDenied), "denied");
    EXPECT_STREQ(InstanceEventCreationName(InstanceEventCreation::NameTaken), "name-taken");
    EXPECT_STREQ(InstanceEventCreationName(InstanceEventCreation::Failed), "failed");
}

}  // namespace
