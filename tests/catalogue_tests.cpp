#include "tests/harness.h"

#include "catalogue/classify.h"
#include "catalogue/scan.h"
#include "win32/handles.h"

TEST(Classify, takesOnlyAnExactLowerCaseSuffixAfterAtLeastOneCharacter) {
    // The kind, P (plug-in), M (master) or - (neither), then the name.
    for (std::string row : {"Pa.esp", "Ma.esm", "PBetter Bodies 2.2.esp", "-.esp", "-.esm", "-",
                            "-A.ESP", "-a.Esm", "-a.esp~", "-a.esm.bak"}) {
        EXPECT_EQ(IsPluginFile(row.substr(1)), row[0] == 'P') << row;
        EXPECT_EQ(IsMasterFile(row.substr(1)), row[0] == 'M') << row;
    }
}

using ScanTest = TalvessaTest;

TEST_F(ScanTest, listsReadableCandidatesOldestFirstInLocalTimeWithTiesInListingOrder) {
    // Each of the first six is later than the next by one field while every less significant field
    // is larger: the fields count from the year down. In Berlin time (the tests') 02:30 summer time
    // comes an hour before 02:10 winter time, yet the local fields put it later. The next three
    // share a second, whatever their milliseconds, and keep the listing's order.
    const std::pair<const char *, ULONGLONG> files[] = {
        {"Year.esp", Utc(2003, 1, 1, 0, 0, 0)},       {"Month.esm", Utc(2002, 2, 1, 0, 0, 0)},
        {"Day.esp", Utc(2002, 1, 2, 0, 0, 0)},        {"Hour.esp", Utc(2002, 1, 1, 1, 0, 0)},
        {"Minute.esm", Utc(2002, 1, 1, 0, 1, 0)},     {"Second.esp", Utc(2002, 1, 1, 0, 0, 1)},
        {"Summer.esp", Utc(2026, 10, 25, 0, 30, 0)},  {"Winter.esp", Utc(2026, 10, 25, 1, 10, 0)},
        {"Zeta.esp", Utc(2027, 6, 1, 10, 0, 0, 900)}, {"alpha.esm", Utc(2027, 6, 1, 10, 0, 0)},
        {"Mid.esp", Utc(2027, 6, 1, 10, 0, 0, 500)},  {"Upper.ESM", Utc(2000, 1, 1, 0, 0, 0)},
        {"Locked.esp", Utc(2000, 1, 1, 0, 0, 0)}};
    for (const auto &[name, time] : files) {
        WriteBytes(Path(name), name);
        WriteTime(Path(name), time);
    }
    ASSERT_TRUE(CreateDirectoryA(Path("Folder.esp").c_str(), nullptr));
    // Held open by other programs: one reading, which shares, and one writing, which does not.
    UniqueFile reading(CreateFileA(Path("Year.esp").c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
    UniqueFile locked(CreateFileA(Path("Locked.esp").c_str(), GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    std::string expected = "Second.esp|Minute.esm|Hour.esp|Day.esp|Month.esm|Year.esp|"
                           "Winter.esp|Summer.esp|";
    for (const std::string &name : Split(ListFolder(folder_)))
        expected +=
            name == "Zeta.esp" || name == "alpha.esm" || name == "Mid.esp" ? name + "|" : "";
    std::vector<std::string> names;
    SetCurrentDirectoryA(start_.c_str()); // which the scan must leave current
    EXPECT_EQ(ScanDataFolder(folder_.c_str(), names), 11);
    EXPECT_EQ(names, Split(expected));
    EXPECT_EQ(CountPluginFiles(folder_.c_str()), 13);
    char current[MAX_PATH] = "";
    EXPECT_EQ(std::string(current, GetCurrentDirectoryA(MAX_PATH, current)), start_);
}

TEST_F(ScanTest, searchPatternFitsFoldersOfUpTo257Characters) {
    // 258 leaves room for the backslash but not the "*", which cannot be listed; longer is refused
    // before anything is looked at.
    const int rows[][3] = {{257, 0, 0},
                           {258, kScanCannotList, kScanCannotList},
                           {259, kScanPathTooLong, kScanCannotList},
                           {2000, kScanPathTooLong, kScanCannotList}};
    for (const auto &[length, scan, count] : rows) {
        // An empty folder named with the wanted length: "s" or "ss" for the parity, then "\.".
        std::string path = Path((length - folder_.size()) % 2 ? "ss" : "s");
        CreateDirectoryA(path.c_str(), nullptr);
        while (path.size() < size_t(length))
            path += "\\.";
        std::vector<std::string> names;
        EXPECT_EQ(ScanDataFolder(path.c_str(), names), scan) << length;
        EXPECT_EQ(CountPluginFiles(path.c_str()), count) << length;
    }
}
