#include "shell/CommandLine.h"

#include <gtest/gtest.h>

namespace {

struct Expect {
    const wchar_t* line;
    bool hide, close, reset;
};

void Check(const Expect& e) {
    CommandLineOptions o = ParseCommandLine(e.line);
    EXPECT_EQ(o.hide, e.hide) << "hide for: " << testing::PrintToString(std::wstring(e.line));
    EXPECT_EQ(o.close, e.close) << "close for: " << testing::PrintToString(std::wstring(e.line));
    EXPECT_EQ(o.reset, e.reset) << "reset for: " << testing::PrintToString(std::wstring(e.line));
    // None of these lines asks to wait: "/close" alone must stay the messenger that ends at once.
    EXPECT_FALSE(o.wait) << "wait for: " << testing::PrintToString(std::wstring(e.line));
}

TEST(ShellCommandLine, PlainStartAndSingleOptions) {
    Check({L"\"C:\\Program Files\\Orvel\\OrvelMouseAssistant.exe\"", false, false, false});
    Check({L"C:\\Orvel\\OrvelMouseAssistant.exe", false, false, false});
    Check({L"", false, false, false});
    Check({L"Orvel.exe /hide", true, false, false});
    Check({L"Orvel.exe /close", false, true, false});
    Check({L"Orvel.exe /reset", false, false, true});
    // Unknown options and near misses are ignored.
    Check({L"Orvel.exe /hid /clos -reset hide", false, false, false});
}

TEST(ShellCommandLine, CapitalsAreLoweredBeforeTheSearch) {
    Check({L"Orvel.exe /HIDE", true, false, false});
    Check({L"Orvel.exe /Close", false, true, false});
    Check({L"Orvel.exe /ReSeT", false, false, true});
    // The program path is lowered too: a folder named like an option counts.
    Check({L"C:\\TOOLS\\/HIDE\\Orvel.exe", true, false, false});
}

TEST(ShellCommandLine, OptionsGluedToOtherTextStillCount) {
    Check({L"Orvel.exexx/hideyy", true, false, false});
    Check({L"Orvel.exe/hide/reset", true, false, true});
}

TEST(ShellCommandLine, MatchAtTheFirstCharacterIsIgnored) {
    Check({L"/hide", false, false, false});
    Check({L"/close Orvel.exe", false, false, false});
    Check({L"/reset", false, false, false});
    // Only the occurrence at position 0 is ignored; a later one counts.
    Check({L"/hide Orvel.exe /hide", true, false, false});
    Check({L" /hide", true, false, false});
}

TEST(ShellCommandLine, ClosePrecedesResetAndHideIsIndependent) {
    Check({L"Orvel.exe /close /reset", false, true, false});
    Check({L"Orvel.exe /reset /close", false, true, false});
    Check({L"Orvel.exe /hide /close", true, true, false});
    Check({L"Orvel.exe /hide /reset", true, false, true});
    Check({L"Orvel.exe /hide /close /reset", true, true, false});
}

struct ExpectWait {
    const wchar_t* line;
    bool hide, close, reset, wait;
};

TEST(ShellCommandLine, WaitCountsOnlyTogetherWithClose) {
    const ExpectWait rows[] = {
        // What the uninstaller runs.
        {L"\"C:\\Program Files\\Orvel Mouse Assistant\\OrvelMouseAssistant.exe\" /close /wait", false, true, false,
         true},
        {L"Orvel.exe /wait /close", false, true, false, true},
        {L"Orvel.exe /CLOSE /Wait", false, true, false, true},
        {L"Orvel.exe/close/waiting", false, true, false, true},
        // Without "/close" there is nothing to wait for: a plain start (or the other options) as before.
        {L"Orvel.exe /wait", false, false, false, false},
        {L"Orvel.exe /hide /wait", true, false, false, false},
        {L"Orvel.exe /reset /wait", false, false, true, false},
        // "/close" still takes precedence over "/reset"; "/hide" stays independent.
        {L"Orvel.exe /close /wait /reset", false, true, false, true},
        {L"Orvel.exe /hide /close /wait", true, true, false, true},
        // The same search rules as every option: not at the first character, near misses do not count.
        {L"/wait Orvel.exe /close", false, true, false, false},
        {L"Orvel.exe /close /wai -wait", false, true, false, false},
    };
    for (const ExpectWait& e : rows) {
        CommandLineOptions o = ParseCommandLine(e.line);
        const std::string line = testing::PrintToString(std::wstring(e.line));
        EXPECT_EQ(o.hide, e.hide) << "hide for: " << line;
        EXPECT_EQ(o.close, e.close) << "close for: " << line;
        EXPECT_EQ(o.reset, e.reset) << "reset for: " << line;
        EXPECT_EQ(o.wait, e.wait) << "wait for: " << line;
    }
}

TEST(ShellCommandLine, NullLineReadsAsEmpty) {
    CommandLineOptions o = ParseCommandLine(static_cast<const wchar_t*>(nullptr));
    EXPECT_FALSE(o.hide || o.close || o.reset || o.wait);
}

}  // namespace
