#include "tests/harness.h"

#include "catalogue/scan.h"

using CatalogueTest = TalvessaTest;

TEST_F(CatalogueTest, scanListsReadableCandidatesOldestFirstInLocalTimeWithTiesInListingOrder) {
    // Each of the first six is later than the next by one field while every less significant field
    // is larger: the fields count from the year down. In Berlin time (the tests') 02:30 summer time
    // comes an hour before 02:10 winter time, yet the local fields put it later. None of the last
    // four is a plug-in or master file that can be read.
    const ULONGLONG old = Utc(2000, 1, 1, 0, 0, 0);
    const std::pair<const char *, ULONGLONG> files[] = {{"Year.esp", Utc(2003, 1, 1, 0, 0, 0)},
                                                        {"Month.esm", Utc(2002, 2, 1, 0, 0, 0)},
                                                        {"Day.esp", Utc(2002, 1, 2, 0, 0, 0)},
                                                        {"Hour.esp", Utc(2002, 1, 1, 1, 0, 0)},
                                                        {"Minute.esm", Utc(2002, 1, 1, 0, 1, 0)},
                                                        {"Second.esp", Utc(2002, 1, 1, 0, 0, 1)},
                                                        {"Summer.esp", Utc(2026, 10, 25, 0, 30, 0)},
                                                        {"Winter.esp", Utc(2026, 10, 25, 1, 10, 0)},
                                                        {"Upper.ESM", old},
                                                        {".esp", old},
                                                        {"a.esp~", old},
                                                        {"Locked.esp", old}};
    for (const auto &[name, time] : files) {
        WriteBytes(Path(name), name);
        WriteTime(Path(name), time);
    }
    ASSERT_TRUE(CreateDirectoryA(Path("Folder.esp").c_str(), nullptr));
    // Files stamped the same second, whatever their milliseconds, keep the listing's order.
    for (int tie = 0; tie < 40; ++tie) {
        WriteBytes(Path("Tie" + std::to_string(tie) + ".esm"), "");
        WriteTime(Path("Tie" + std::to_string(tie) + ".esm"), Utc(2027, 6, 1, 0, 0, 0, tie));
    }
    // Held open by other programs: one reading, which shares, and one writing, which does not.
    UniqueFile reading = Hold(Path("Year.esp"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE),
               locked = Hold(Path("Locked.esp"), GENERIC_WRITE, 0);
    std::string expected = "Second.esp|Minute.esm|Hour.esp|Day.esp|Month.esm|Year.esp|"
                           "Winter.esp|Summer.esp|";
    for (const std::string &name : Split(ListFolder(folder_)))
        expected += name.rfind("Tie", 0) == 0 ? name + "|" : "";
    std::vector<std::string> names;
    EXPECT_EQ(ScanDataFolder(folder_.c_str(), names), 48);
    EXPECT_EQ(names, Split(expected));
    EXPECT_EQ(CountPluginFiles(folder_.c_str()), 50);
}

TEST_F(CatalogueTest, scanPatternFitsFoldersOfUpTo257Characters) {
    // 258 leaves room for the backslash but not the "*", which cannot be listed; longer is refused
    // before anything is looked at.
    const int rows[][3] = {{257, 0, 0},
                           {258, kScanCannotList, kScanCannotList},
                           {259, kScanPathTooLong, kScanCannotList}};
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

TEST_F(CatalogueTest, listPopulationReportsEachOutcomeAndKeepsOrEmptiesTheLists) {
    CreateDirectoryA(Path("Data").c_str(), nullptr);
    CreateDirectoryA(Path("empty").c_str(), nullptr);
    MakeFilesInOrder(Path("Data"), "B.esp|Base.esm|A.esp|Extra.esm|Readme.txt|");
    WriteBytes("C:\\talvessa-root.esp", ""); // a drive's root is the root, not its current folder
    const std::string lists = "B.esp|A.esp| Base.esm|Extra.esm|";
    // The path, then how the list population ends and the lists it leaves.
    const std::string rows[][3] = {
        {Path("Data"), "Done", lists},
        // Relative to the folder the program started in, however often it is used.
        {"Data", "Done", lists},
        {"", "No Data Files path", lists},
        {Path("empty"), "Error loading mod files", " "},
        {"C:\\", "Done", "talvessa-root.esp| "}};
    for (const auto &[path, outcome, shown] : rows) {
        SetPath(path);
        Click(IDC_RELOAD);
        EXPECT_EQ(NewStatus(), "Loading Mod Files...|" + outcome + "|") << path;
        EXPECT_EQ(Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST), shown) << path;
        EXPECT_EQ(Boxes(), outcome == "Done" ? "" : "Warning: " + outcome + "|") << path;
    }
    DeleteFileA("C:\\talvessa-root.esp");
    // The newest line is in view although the status list has no scroll bar.
    RECT client, item;
    GetClientRect(GetDlgItem(dialog_, IDC_STATUS), &client);
    Send(IDC_STATUS, LB_GETITEMRECT, Send(IDC_STATUS, LB_GETCOUNT) - 1, LPARAM(&item));
    EXPECT_TRUE(item.top >= client.top && item.bottom <= client.bottom);
}
