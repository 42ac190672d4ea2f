// Where a snap is saved: the folder on the desktop, the date and time in the name, characters a file name
// cannot hold, and a number before ".png" when a snap of the same second is already there.
#include "overlays/SnapFileName.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(SnapFileName, DateAndTimeNameTheFile) {
    const auto none = [](const std::wstring&) { return false; };
    EXPECT_EQ(SnapFilePath(L"C:\\Users\\ann\\Desktop", L"2024-01-31", L"02h05m09s PM", none),
              L"C:\\Users\\ann\\Desktop\\Screen Snap\\screen_2024-01-31_02h05m09s PM.png");
    EXPECT_EQ(SnapFilePath(L"D:\\", L"2024-01-31", L"02h05m09s PM", none),
              L"D:\\Screen Snap\\screen_2024-01-31_02h05m09s PM.png");
    EXPECT_EQ(SnapFolderPath(L"C:\\Users\\ann\\Desktop"), L"C:\\Users\\ann\\Desktop\\Screen Snap");
    EXPECT_EQ(SnapFilePath(L"", L"2024-01-31", L"02h05m09s PM", none), L"") << "no desktop, no file";
}

TEST(SnapFileName, CharactersNoFileNameCanHoldAreReplaced) {
    struct Row {
        const wchar_t* in;
        const wchar_t* out;
    } rows[] = {
        {L"02h05m09s PM", L"02h05m09s PM"},
        {L"02h05m09s a.m.", L"02h05m09s a.m."},
        {L"02h05m09s A/M", L"02h05m09s A_M"},
        {L"02h05m09s <pm>", L"02h05m09s _pm_"},
        {L"02h05m09s p:m|\"?*\\", L"02h05m09s p_m_____"},
        {L"02h05m09s \x00B5\x4E0B\x5348", L"02h05m09s \x00B5\x4E0B\x5348"},  // letters of any script stay
        {L"a\tb\x7F", L"a_b_"},
    };
    for (const Row& row : rows) EXPECT_EQ(FileNameSafe(row.in), row.out);
    EXPECT_EQ(SnapFilePath(L"C:\\d", L"2024/01/31", L"10h00m00s P:M", [](const std::wstring&) { return false; }),
              L"C:\\d\\Screen Snap\\screen_2024_01_31_10h00m00s P_M.png");
}

TEST(SnapFileName, SnapsOfTheSameSecondGetANumber) {
    std::set<std::wstring> files;
    const auto taken = [&files](const std::wstring& path) { return files.count(path) != 0; };
    for (int i = 0; i < 4; ++i) files.insert(SnapFilePath(L"C:\\d", L"2024-01-31", L"02h05m09s PM", taken));
    EXPECT_EQ(files, (std::set<std::wstring>{L"C:\\d\\Screen Snap\\screen_2024-01-31_02h05m09s PM.png",
                                              L"C:\\d\\Screen Snap\\screen_2024-01-31_02h05m09s PM (2).png",
                                              L"C:\\d\\Screen Snap\\screen_2024-01-31_02h05m09s PM (3).png",
                                              L"C:\\d\\Screen Snap\\screen_2024-01-31_02h05m09s PM (4).png"}));
    // The next second starts without a number again.
    EXPECT_EQ(SnapFilePath(L"C:\\d", L"2024-01-31", L"02h05m10s PM", taken),
              L"C:\\d\\Screen Snap\\screen_2024-01-31_02h05m10s PM.png");
    // Every name taken: given up on, never an endless search.
    int asked = 0;
    EXPECT_EQ(SnapFilePath(L"C:\\d", L"x", L"y", [&asked](const std::wstring&) { return ++asked > 0; }), L"");
    EXPECT_EQ(asked, kSnapMaxNumber);
}

// The Windows half claims a name by creating its file in the question itself (CREATE_NEW): the answer must be
// the last name asked, each name asked once, in order, so that the file the question made is the one the
// snap goes to, and one that appeared between two snaps is passed over rather than written over.
TEST(SnapFileName, EachNameIsAskedOnceAndTheAnswerIsTheLastOneAsked) {
    std::set<std::wstring> onDisk{L"C:\\d\\Screen Snap\\screen_x_y.png", L"C:\\d\\Screen Snap\\screen_x_y (2).png"};
    std::vector<std::wstring> asked;
    const auto create = [&](const std::wstring& path) {
        asked.push_back(path);
        return !onDisk.insert(path).second;  // made now: not taken
    };
    const std::wstring first = SnapFilePath(L"C:\\d", L"x", L"y", create);
    EXPECT_EQ(first, L"C:\\d\\Screen Snap\\screen_x_y (3).png");
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"C:\\d\\Screen Snap\\screen_x_y.png",
                                                 L"C:\\d\\Screen Snap\\screen_x_y (2).png", first}));
    // Another program makes (4) before the next snap of the same second: that snap takes (5).
    onDisk.insert(L"C:\\d\\Screen Snap\\screen_x_y (4).png");
    asked.clear();
    EXPECT_EQ(SnapFilePath(L"C:\\d", L"x", L"y", create), L"C:\\d\\Screen Snap\\screen_x_y (5).png");
    EXPECT_EQ(asked.size(), 5u);
    EXPECT_EQ(onDisk.size(), 5u) << "one file made per snap, none written twice";
}

}  // namespace
