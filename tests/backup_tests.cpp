#include "tests/harness.h"

#include "editing/backup.h"

#include <algorithm>
#include <numeric>

using BackupTest = TalvessaTest;

// The times of the files of a folder, in the order named ("0" for a file that is not there).
static std::string TimesOf(const std::string &folder, const std::string &names) {
    std::string times;
    for (const std::string &name : Split(names))
        times += std::to_string(TimeOf(folder + "\\" + name)) + "|";
    return times;
}

// Reorder saves the times it replaces, and Restore Order gives each back to the 100 ns, after
// saving the times it replaces in turn, so that a restore can be restored. The menu names each
// saved order by the local time it was taken. A read-only file keeps its time; a file gone since
// is named.
TEST_F(BackupTest, restoreOrderGivesBackEveryTimeThatReorderOrARestoreReplaced) {
    const std::string names = "B.esm|A.esm|Z.esp|Pinned.esp|Y.esp|";
    CreateDirectoryA("Data", nullptr);
    MakeFilesInOrder("Data", names);
    for (const std::string &name : Split(names)) // each with a part of a second of its own
        TimeOf("Data\\" + name, TimeOf("Data\\" + name) + 1234567 * name[0]);
    SetFileAttributesA("Data\\Pinned.esp", FILE_ATTRIBUTE_READONLY);
    const std::string made = TimesOf("Data", names);
    SetPath("Data");
    Click(IDC_RELOAD);
    Send(IDC_PLUGIN_LIST, LB_SETSEL, TRUE, 2);
    Click(IDC_MOVE_TOP);
    const auto now = [] {
        SYSTEMTIME t;
        GetLocalTime(&t);
        char text[32];
        wsprintfA(text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
        return std::string(text);
    };
    const std::string before = now();
    Click(IDC_REORDER);
    const std::string after = now(), stamped = TimesOf("Data", names);
    DeleteFileA("Data\\Z.esp");
    NewStatus() + Boxes();
    const std::string pinned = "1 file(s) kept their old time: Pinned.esp|";
    std::smatch taken;
    const std::string menu = ContextMenu(IDC_PLUGIN_LIST, -1, IDM_RESTORE_ORDER);
    ASSERT_TRUE(std::regex_search(menu, taken,
                                  std::regex("Restore Order\\[(.{19}) \\(5 files\\) "
                                             "2130\\|\\]\\|$")))
        << menu;
    EXPECT_TRUE(before <= taken[1] && taken[1] <= after) << taken[1] << " " << after;
    EXPECT_EQ(NewStatus(), "Restoring the order of " + taken[1].str() + "...|" + pinned +
                               "1 file(s) of the saved order are not in the folder: Z.esp|Order "
                               "restored|Loading Mod Files...|Done|");
    EXPECT_EQ(Boxes(), Warnings(pinned));
    const std::regex z("^(\\d+\\|\\d+\\|)\\d+"); // the third time, Z.esp's
    EXPECT_EQ(TimesOf("Data", names), std::regex_replace(made, z, "$010"));
    EXPECT_EQ(Lists(), "Pinned.esp|Y.esp| B.esm|A.esm|");
    // The restore saved the four times it replaced, and is undone as Reorder was.
    const std::string twice = ContextMenu(IDC_PLUGIN_LIST, -1);
    EXPECT_TRUE(
        std::regex_search(twice, std::regex("\\[.{19} \\(4 files\\) 2130\\|" + taken[1].str() +
                                            " \\(5 files\\) 2131\\|\\]\\|$")))
        << twice;
    SendMessageA(dialog_, WM_COMMAND, IDM_RESTORE_ORDER, 0);
    EXPECT_EQ(TimesOf("Data", names), std::regex_replace(stamped, z, "$010"));
    EXPECT_EQ(Lists(), "Y.esp|Pinned.esp| B.esm|A.esm|");
    // A file held open without sharing is there, and keeps its time.
    UniqueFile held = Hold("Data\\Y.esp", GENERIC_READ, 0);
    NewStatus() + Boxes();
    SendMessageA(dialog_, WM_COMMAND, IDM_RESTORE_ORDER + 1, 0);
    EXPECT_TRUE(
        std::regex_match(NewStatus(), std::regex("Restoring[^|]+\\|2 file\\(s\\) kept their "
                                                 "old time: [^|]+\\|Order restored\\|.*")));
}

// The lines of files ended, and their count after them, as a backup ends.
static std::string Counted(std::string files) {
    files += files.empty() || files.back() == '\n' ? "" : "\n";
    return files + "Files saved: " + std::to_string(std::count(files.begin(), files.end(), '\n')) +
           "\n";
}

// A saved order as the program writes it, named by the UTC second and the number given.
static void SaveOrder(const std::string &stamp, const std::string &folder, const std::string &taken,
                      const std::string &files) {
    CreateDirectoryA(Backups().c_str(), nullptr);
    WriteBytes(Backups() + "\\order-" + stamp + ".txt",
               "Talvessa load order backup\nFolder: " + folder + "\nTaken: " + taken + "\n" +
                   Counted(files));
}

// The menu offers the ten newest saved orders of the folder that parse whole, newest first by
// the second they were taken and then by their number, whatever the case of the folder's path;
// never one of another folder, one that names a file outside the folder, or one too long to be
// the program's. Eleven of a folder make the oldest go, and only it.
TEST_F(BackupTest, restoreOrderOffersTheNewestWholeBackupsOfTheFolderAndKeepsTen) {
    CreateDirectoryA("Data", nullptr);
    MakeFilesInOrder("Data", "A.esm|B.esp|");
    WriteBytes("x.esp", "outside");
    const ULONGLONG outside = TimeOf("x.esp");
    const std::string data = folder_ + "\\Data", old = "2003-04-05T06:07:08.1234567Z ",
                      huge = std::string(200, 'h') + ".esp\n";
    SaveOrder("20261207-140403-1", data, "2026-12-07 15:04:03", old + "A.esm\n" + old + "B.esp\n");
    SaveOrder("20261207-140403-2", data, "2026-12-07 15:04:03", old + "B.esp");
    SaveOrder("20261206-000000-1", CharUpperA(&std::string(data)[0]), "2026-12-06 01:00:00",
              old + "A.esm\n" + old + "B.esp\n" + old + "Gone.esp\n");
    SaveOrder("20301231-235959-1", folder_ + "\\Other", "2030-01-01 00:00:00", "");
    SaveOrder("20270101-000000-1", data, "2027-01-01 00:00:00", old + "..\\x.esp\n");
    SaveOrder("20270101-000000-2", data, "2027-01-01 00:00:00", old + "C:\\x.esp\n");
    std::string many;
    for (int line = 0; line < 75000; ++line) // 16 MiB and more
        many += old + huge;
    SaveOrder("20270101-000000-3", data, "2027-01-01 00:00:00", many);
    for (const char *stamp : {"2027010-000000-1", "20270101_000000-1"}) // not names it gives
        SaveOrder(stamp, data, "2027-01-01 00:00:00", "");
    SetPath("Data");
    Click(IDC_RELOAD);
    NewStatus();
    const std::string menu = ContextMenu(IDC_PLUGIN_LIST, -1);
    EXPECT_EQ(menu.substr(menu.find("Restore")),
              "Restore Order[2026-12-07 15:04:03 (1 file) 2130|2026-12-07 15:04:03 (2 files) "
              "2131|2026-12-06 01:00:00 (3 files) 2132|]|");
    SendMessageA(dialog_, WM_COMMAND, IDM_RESTORE_ORDER + 3, 0);
    SendMessageA(dialog_, WM_COMMAND, IDM_RESTORE_ORDER + 2, 0);
    EXPECT_EQ(NewStatus() + Boxes(),
              "No saved order to restore|Restoring the order of 2026-12-06 01:00:00...|1 "
              "file(s) of the saved order are not in the folder: Gone.esp|Order "
              "restored|Loading Mod Files...|Done|");
    const std::string restored = std::to_string(Utc(2003, 4, 5, 6, 7, 8) + 1234567) + "|";
    EXPECT_EQ(TimesOf("Data", "A.esm|B.esp|"), restored + restored);
    EXPECT_EQ(TimeOf("x.esp"), outside);
    // Only the ten newest are looked at, spoilt ones among them: the next save deletes the rest.
    for (char number = '1'; number <= '7'; ++number)
        SaveOrder("20270102-000000-" + std::string(1, number), data, "2027-01-02 00:00:00",
                  old + "..\\x.esp\n");
    EXPECT_EQ(ContextMenu(IDC_PLUGIN_LIST, -1).substr(menu.find("Restore")),
              "Restore Order grey[]|");
    // Ten saved orders of the folder, one of another and files that are not the program's; the
    // eleventh of the folder takes the oldest's place.
    RemoveTree(Backups());
    for (char day = '0'; day <= '9'; ++day)
        SaveOrder("2025010" + std::string(1, day) + "-000000-1", data, "2025-01-01 00:00:00", "");
    SaveOrder("20000101-000000-1", folder_ + "\\Other", "2000-01-01 00:00:00", "");
    WriteBytes(Backups() + "\\order-notes.txt", "");
    WriteBytes(Backups() + "\\notes.txt", "");
    Click(IDC_REORDER);
    std::vector<std::string> kept = Split(ListFolder(Backups()));
    std::sort(kept.begin(), kept.end());
    EXPECT_TRUE(std::regex_match(
        std::accumulate(kept.begin(), kept.end(), std::string(),
                        [](auto a, auto b) { return a + b + "|"; }),
        std::regex(
            "notes.txt\\|order-20000101-000000-1.txt\\|(order-2025010[1-9]-000000-1.txt\\|){9}"
            "order-\\d{8}-\\d{6}-1.txt\\|order-notes.txt\\|")));
    // Restoring the oldest of ten saves an eleventh, but the one restored stays.
    SendMessageA(dialog_, WM_COMMAND, IDM_RESTORE_ORDER + 9, 0);
    EXPECT_EQ(ReadBytes(Backups() + "\\order-20250101-000000-1.txt").substr(0, 8), "Talvessa");
    // Where an order cannot be saved, the player is asked before any time changes.
    const std::string draft =
        Backups() + "\\order-" + std::to_string(GetCurrentProcessId()) + ".new";
    CreateDirectoryA(draft.c_str(), nullptr);
    NewStatus() + Boxes();
    for (const char *verb : {"Reorder", "Restore"}) {
        // Whatever is not Yes is No: a box that cannot be shown gives 0.
        answer_ = verb[2] == 'o' ? IDNO : IDCANCEL;
        TimeOf("Data\\A.esm", Utc(2011, 1, 1, 0, 0, 0));
        SendMessageA(dialog_, WM_COMMAND, verb[2] == 'o' ? IDC_REORDER : IDM_RESTORE_ORDER, 0);
        const std::string command = verb[2] == 'o' ? "Reorder" : "Restore Order";
        EXPECT_EQ(Boxes(), "Warning [Y N* !]: Cannot save the order before " + command +
                               ", so Restore Order could not bring it back. " + verb + " anyway?|");
        EXPECT_EQ(std::regex_replace(NewStatus(), std::regex("^Re[^|]+\\|"), ""),
                  "Cannot save the order before " + command + "|" + verb + " cancelled|");
        EXPECT_EQ(TimeOf("Data\\A.esm"), Utc(2011, 1, 1, 0, 0, 0));
    }
    answer_ = IDYES;
    Click(IDC_REORDER);
    EXPECT_EQ(
        std::to_string(TimeOf("Data\\A.esm") / 10000000) + NewStatus() + Boxes().substr(0, 19),
        std::to_string(Utc(2002, 5, 3, 0, 0, 1) / 10000000) +
            "Reording...|Cannot save the order before Reorder|Reording done|Warning [Y N* !]: C");
    // A restore needs a path, and a folder that can be entered.
    SaveOrder("20200101-000000-1", folder_ + "\\Gone", "2020-01-01 00:00:00", "");
    for (const char *path : {"", "Gone"}) {
        SetPath(path);
        SendMessageA(dialog_, WM_COMMAND, IDM_RESTORE_ORDER, 0);
    }
    const std::string why = "No Data Files path|Restoring the order of 2020-01-01 00:00:00...|"
                            "Cannot set current dir|";
    EXPECT_EQ(NewStatus() + Boxes(), why + Warnings(why));
}

// A saved order is read whole or not at all: it is a file anything may have written or edited.
TEST(Backup, readsBackOnlyWhatItWroteAndNoTimeOrNameItCouldNotHaveWritten) {
    const std::string head =
                          "Talvessa load order backup\nFolder: C:\\D\nTaken: 2026-12-07 15:04:03\n",
                      time = "2002-05-03T00:00:01.1234567Z ", line = time + "A.esm\n";
    std::string most;
    for (int count = 0; count < 100000; ++count)
        most += line;
    // Each text with the count of its lines after them, unless it is cut short or miscounted.
    const std::pair<std::string, bool> rows[] = {
        {head + Counted(line + time + "Foo..Bar.esp"), true},
        {head + Counted(most), true},
        {head + Counted(most + line), false},
        {head + line, false},
        {head + Counted(line) + line, false},
        {head + line + "Files saved: 2\n", false},
        {head.substr(0, 26) + "!" + head.substr(26) + Counted(line), false},
        {head.substr(0, 35) + head.substr(39) + Counted(""), false}, // no folder
        {head.substr(0, 52) + "02-30" + head.substr(57) + Counted(""), false},
        {head.substr(0, 58) + "24" + head.substr(60) + Counted(""), false},
        {head + Counted(time), false},
        {head + Counted("A.esm"), false},
        {head + Counted(line + "\n" + line), false},
        {head + Counted("2002-02-29" + line.substr(10)), false},
        {head + Counted(line.substr(0, 26) + "Z A.esm"), false}};
    for (const auto &[text, whole] : rows) {
        Backup backup;
        EXPECT_EQ(ParseBackup(text, backup), whole) << text.substr(0, 200);
    }
    for (const char *name : {"A.txt", "..\\x.esp", "C:\\y.esm", "a/b.esp", "x.esp:s.esp", "NUL.esp",
                             "com1 .esm", "LPT\xb9.esp", "A\t.esp", "*.esp", ".esp"}) {
        Backup backup;
        std::string text;
        EXPECT_FALSE(ParseBackup(head + Counted(time + name), backup)) << name;
        EXPECT_FALSE(FormatBackup(Backup{"", "C:\\D", "2026-12-07 15:04:03", {{name, 1}}}, text));
    }
    // Every time to the 100 ns, back as written.
    const Backup saved{"",
                       "C:\\D",
                       "2026-12-07 15:04:03",
                       {{"A.esm", Utc(2002, 5, 3, 0, 0, 1) + 1234567}, {"B.esp", 0}}};
    Backup read;
    std::string text;
    ASSERT_TRUE(FormatBackup(saved, text));
    EXPECT_EQ(text, head + Counted(line + "1601-01-01T00:00:00.0000000Z B.esp"));
    ASSERT_TRUE(ParseBackup(text, read));
    EXPECT_EQ(read.folder + read.taken + read.files[1].name, "C:\\D2026-12-07 15:04:03B.esp");
    EXPECT_EQ(read.files[0].written, saved.files[0].written);
    EXPECT_FALSE(
        FormatBackup(Backup{"", "C:\\D", "", {{"A.esm", Utc(10000, 1, 1, 0, 0, 0)}}}, text));
    EXPECT_FALSE(FormatBackup(Backup{"", "C:\\D\n", "", {}}, text));
}
