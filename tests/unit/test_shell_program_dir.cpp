#include "mainwindow/ProgramDir.h"

#include <gtest/gtest.h>

namespace {

TEST(ShellProgramDir, CutsAfterTheLastBackslash) {
    EXPECT_EQ(ProgramDirFromModulePath(L"C:\\Program Files\\Orvel\\OrvelMouseAssistant.exe"),
              L"C:\\Program Files\\Orvel\\");
    EXPECT_EQ(ProgramDirFromModulePath(L"C:\\Orvel.exe"), L"C:\\");
    EXPECT_EQ(ProgramDirFromModulePath(L"\\\\server\\share\\a.b\\Orvel.exe"), L"\\\\server\\share\\a.b\\");
    // Forward slashes are no separators in a module name.
    EXPECT_EQ(ProgramDirFromModulePath(L"C:\\x/y/Orvel.exe"), L"C:\\");
}

TEST(ShellProgramDir, NoBackslashKeepsTheWholeName) {
    EXPECT_EQ(ProgramDirFromModulePath(L"Orvel.exe"), L"Orvel.exe\\");
    EXPECT_EQ(ProgramDirFromModulePath(L""), L"\\");
}

TEST(ShellProgramDir, TrailingBackslash) {
    EXPECT_EQ(ProgramDirFromModulePath(L"C:\\Orvel\\"), L"C:\\Orvel\\");
    EXPECT_EQ(ProgramDirFromModulePath(L"\\"), L"\\");
}

TEST(ShellProgramDir, VeryLongPathsKeepTheirWholeDirectory) {
    std::wstring dir = L"\\\\?\\C:";
    while (dir.size() < 1200) dir += L"\\" + std::wstring(60, L'd');
    dir += L"\\";
    ASSERT_GT(dir.size(), 510u);
    std::wstring result = ProgramDirFromModulePath(dir + L"OrvelMouseAssistant.exe");
    EXPECT_EQ(result, dir);
    // A name of more than 510 characters after the last backslash is cut away just the same.
    EXPECT_EQ(ProgramDirFromModulePath(L"C:\\a\\" + std::wstring(700, L'n') + L".exe"), L"C:\\a\\");
}

}  // namespace
