#include "tests/harness.h"

#include "catalogue/classify.h"
#include "catalogue/scan.h"

#include <random>

namespace {

struct ClassifyCase {
    const char *name;
    bool plugin;
    bool master;
};

TEST(Classify, decidesByExactLowerCaseSuffixOnLongerNames) {
    const ClassifyCase cases[] = {
        {"a.esp", true, false},
        {"a.esm", false, true},
        {"Morrowind.esm", false, true},
        {"Better Bodies 2.2.esp", true, false},
        {".esp", false, false},
        {".esm", false, false},
        {"", false, false},
        {"esp", false, false},
        {"A.ESP", false, false},
        {"A.Esm", false, false},
        {"a.esP", false, false},
        {"a.esp.bak", false, false},
        {"a.esp~", false, false},
        {"a.esm.txt", false, false},
        {"my.esp.files", false, false},
        {"aesp", false, false},
        {"a.ess", false, false},
    };
    for (const ClassifyCase &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsPluginFile(row.name), row.plugin);
        EXPECT_EQ(IsMasterFile(row.name), row.master);
    }
}

// The order the games and the original procedure give: one bubble pass per field, least
// significant first, each exchanging neighbours only when the later one is strictly smaller.
void SortFieldByField(std::vector<std::string> &names, std::vector<FileStamp> &stamps) {
    int FileStamp::*fields[] = {&FileStamp::second, &FileStamp::minute, &FileStamp::hour,
                                &FileStamp::day,    &FileStamp::month,  &FileStamp::year};
    const int count = static_cast<int>(names.size());
    for (int FileStamp::*field : fields) {
        bool swapped = true;
        for (int sweep = 0; sweep <= count && swapped; ++sweep) {
            swapped = false;
            for (int k = 0; k + 1 < count; ++k) {
                if (stamps[k + 1].*field < stamps[k].*field) {
                    std::swap(stamps[k], stamps[k + 1]);
                    std::swap(names[k], names[k + 1]);
                    swapped = true;
                }
            }
        }
    }
}

TEST(Scan, stableSortOrdersLikeTheFieldByFieldPasses) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        // Few distinct values per field, so that ties on some or all fields are common.
        std::uniform_int_distribution<int> pick(0, 2), size(0, 40);
        int count = size(random);
        std::vector<std::string> names;
        std::vector<FileStamp> stamps;
        for (int i = 0; i < count; ++i) {
            names.push_back("file" + std::to_string(i));
            stamps.push_back(FileStamp{2000 + pick(random), 1 + pick(random), 1 + pick(random),
                                       pick(random), pick(random), pick(random)});
        }
        std::vector<std::string> expectedNames = names, actualNames = names;
        std::vector<FileStamp> expectedStamps = stamps, actualStamps = stamps;
        SortFieldByField(expectedNames, expectedStamps);
        SortByStamp(actualNames, actualStamps);
        EXPECT_EQ(actualNames, expectedNames);
    }
}

class ScanTest : public FolderTest {};

TEST_F(ScanTest, listsOldestFirstAcrossMastersAndPlugins) {
    WriteBytes(Path("Newest.esp"), "x");
    WriteBytes(Path("Base.esm"), "x");
    WriteBytes(Path("Middle.esp"), "x");
    WriteBytes(Path("Later.esm"), "x");
    WriteBytes(Path("Oldest.esp"), "x");
    WriteBytes(Path("Readme.txt"), "x");
    WriteBytes(Path("Upper.ESM"), "x");
    SetWriteTime(Path("Oldest.esp"), Utc(2001, 12, 31, 23, 59, 58));
    SetWriteTime(Path("Base.esm"), Utc(2002, 1, 1, 0, 0, 0));
    SetWriteTime(Path("Middle.esp"), Utc(2002, 1, 1, 0, 0, 1));
    // Same month, day and time of day as Middle, a year later: the year decides.
    SetWriteTime(Path("Later.esm"), Utc(2003, 1, 1, 0, 0, 1));
    SetWriteTime(Path("Newest.esp"), Utc(2003, 1, 1, 0, 1, 0));

    std::vector<std::string> names;
    ASSERT_EQ(ScanDataFolder(folder_.c_str(), names), 5);
    EXPECT_EQ(names, (std::vector<std::string>{"Oldest.esp", "Base.esm", "Middle.esp", "Later.esm",
                                               "Newest.esp"}));
    EXPECT_EQ(CountPluginFiles(folder_.c_str()), 5);

    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STRCASEEQ(current, folder_.c_str()) << "the scan leaves the data folder current";
}

TEST_F(ScanTest, filesStampedTheSameSecondKeepTheListingOrder) {
    const char *tied[] = {"Zeta.esp", "alpha.esp", "Mid.esm", "beta.esp", "Omega.esm"};
    for (int i = 0; i < 5; ++i) {
        WriteBytes(Path(tied[i]), "x");
        // Milliseconds differ, and are ignored: only whole seconds count.
        SetWriteTime(Path(tied[i]), Utc(2005, 6, 1, 10, 0, 0, 900 - 200 * i));
    }
    WriteBytes(Path("First.esp"), "x");
    SetWriteTime(Path("First.esp"), Utc(2005, 6, 1, 9, 59, 59, 999));

    std::vector<std::string> expected{"First.esp"};
    for (const std::string &name : ListFolder(folder_))
        if (name != "First.esp" && name != "." && name != "..")
            expected.push_back(name);

    std::vector<std::string> names;
    ASSERT_EQ(ScanDataFolder(folder_.c_str(), names), 6);
    EXPECT_EQ(names, expected);
}

TEST_F(ScanTest, leavesOutWhatCannotBeOpenedForReadingAndStillSucceeds) {
    MakeFilesInOrder(folder_, {"Base.esm", "Locked.esp", "Free.esp"});
    ASSERT_TRUE(CreateDirectoryA(Path("Folder.esp").c_str(), nullptr));
    // Another program holds the file open for writing, sharing nothing.
    HANDLE locked = CreateFileA(Path("Locked.esp").c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);

    std::vector<std::string> names;
    int count = ScanDataFolder(folder_.c_str(), names);
    CloseHandle(locked);

    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, (std::vector<std::string>{"Base.esm", "Free.esp"}));
    // The counting pass reads names only: the locked file and the folder are both counted.
    EXPECT_EQ(CountPluginFiles(folder_.c_str()), 4);
}

TEST_F(ScanTest, pathLengthBoundaryOfTheSearchPattern) {
    struct Row {
        size_t length;
        int scan;
        int count;
    };
    // 257 leaves room for "\*"; 258 for the backslash only, which cannot be listed; 259 and
    // beyond are refused before anything is looked at.
    const Row rows[] = {{257, 0, 0},
                        {258, kScanCannotList, kScanCannotList},
                        {259, kScanPathTooLong, kScanCannotList},
                        {260, kScanPathTooLong, kScanCannotList},
                        {2000, kScanPathTooLong, kScanCannotList}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.length);
        // A path of the wanted length naming an empty folder: "s" or "ss" to get the parity
        // right, then as many "\." as it takes.
        std::string sub = (row.length - folder_.size()) % 2 ? "ss" : "s";
        CreateDirectoryA(Path(sub).c_str(), nullptr);
        std::string path = Path(sub);
        while (path.size() < row.length)
            path += "\\.";
        ASSERT_EQ(path.size(), row.length);
        std::vector<std::string> names;
        EXPECT_EQ(ScanDataFolder(path.c_str(), names), row.scan);
        EXPECT_EQ(CountPluginFiles(path.c_str()), row.count);
    }
}

TEST_F(ScanTest, relativePathReadsEveryFileOfTheFolderItNamesAtTheStart) {
    ASSERT_TRUE(CreateDirectoryA(Path("Data Files").c_str(), nullptr));
    MakeFilesInOrder(Path("Data Files"), {"One.esm", "Two.esp", "Three.esp"});
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));

    std::vector<std::string> names;
    EXPECT_EQ(ScanDataFolder("Data Files", names), 3);
    EXPECT_EQ(names, (std::vector<std::string>{"One.esm", "Two.esp", "Three.esp"}));
}

TEST_F(ScanTest, stampsAreLocalCalendarFieldsOnBothSidesOfDaylightSaving) {
    // Berlin (TZ of the test run) is UTC+1 in winter and UTC+2 in summer; the clocks went
    // forward at 01:00 UTC on 2026-03-29.
    struct Row {
        SYSTEMTIME utc;
        FileStamp local;
    };
    const Row rows[] = {
        {Utc(2026, 1, 15, 12, 0, 0), {2026, 1, 15, 13, 0, 0}},
        {Utc(2026, 3, 29, 0, 59, 59), {2026, 3, 29, 1, 59, 59}},
        {Utc(2026, 3, 29, 1, 0, 0), {2026, 3, 29, 3, 0, 0}},
        {Utc(2026, 7, 15, 12, 0, 0), {2026, 7, 15, 14, 0, 0}},
        {Utc(2026, 12, 31, 23, 30, 0), {2027, 1, 1, 0, 30, 0}},
    };
    WriteBytes(Path("a.esp"), "x");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.local.month * 100 + row.local.day);
        SetWriteTime(Path("a.esp"), row.utc);
        FileStamp stamp{};
        ASSERT_TRUE(ReadFileStamp(folder_.c_str(), "a.esp", stamp));
        EXPECT_EQ(stamp.year, row.local.year);
        EXPECT_EQ(stamp.month, row.local.month);
        EXPECT_EQ(stamp.day, row.local.day);
        EXPECT_EQ(stamp.hour, row.local.hour);
        EXPECT_EQ(stamp.minute, row.local.minute);
        EXPECT_EQ(stamp.second, row.local.second);
    }
}

} // namespace
