#include "tests/harness.h"

#include "config/folders.h"
#include "editing/reorder.h"
#include "win32/handles.h"

#include <algorithm>
#include <cstdio>

using EditingTest = TalvessaTest;

// Each row fills both lists, presses a button and reads both lists back: the moved entries are
// still selected, and a move reports nothing.
TEST_F(EditingTest, movesGiveTheWorkedExamples) {
    const std::tuple<int, int, std::string, std::string> rows[] = {
        {IDC_MOVE_UP, 1, "A*|B*|C|D|E*|F| X|Y|Z|", "A*|B*|C|E*|D|F| X|Y|Z|"},
        {IDC_MOVE_DOWN, 1, " A|B*|C|D|E*|F*|", " A|C|B*|D|E*|F*|"},
        {IDC_MOVE_TOP, 1, "A|B|C*|D|E|F*|G|H*| X|", "C*|F*|H*|A|B|D|E|G| X|"},
        {IDC_MOVE_BOTTOM, 1, "X|Y| A*|B|C|D*|E|", "X|Y| B|C|E|A*|D*|"},
        {IDC_MOVE_UP, 1, "A*|B|C*| X|", "A*|C*|B| X|"},
        {IDC_MOVE_UP, 3, "A|B|C*|D| X|", "C*|A|B|D| X|"},
        {IDC_MOVE_DOWN, 2, "A|B*|C|D| X|", "A|C|D|B*| X|"},
        {IDC_MOVE_TOP, 1, "X| A*|B|C|", "X| A*|B|C|"},
        {IDC_MOVE_BOTTOM, 1, "A|B|C*| X|", "A|B|C*| X|"},
        // Both lists hold a selection: the plug-in list alone moves.
        {IDC_MOVE_UP, 1, "A|B|C*|D| X|Y|Z*|", "A|C*|B|D| X|Y|Z*|"},
        {IDC_MOVE_BOTTOM, 1, "A|B|C| X|Y|", "A|B|C| X|Y|"},
    };
    for (const auto &[command, presses, before, after] : rows) {
        SCOPED_TRACE(before);
        const size_t split = before.find(' ');
        Fill(IDC_PLUGIN_LIST, before.substr(0, split));
        Fill(IDC_MASTER_LIST, before.substr(split + 1));
        for (int press = 0; press < presses; ++press)
            Click(command);
        EXPECT_EQ(Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST), after);
        EXPECT_EQ(NewStatus(), before.find('*') == before.npos ? "No items selected|" : "");
    }
    EXPECT_EQ(Boxes(), "");
}

static std::string Text(const SYSTEMTIME &t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

TEST(StampClock, countsUpFromTheBaseTimeAndCarriesOneShortOfEachCalendarLimit) {
    const std::pair<int, const char *> rows[] = {
        {1, "2002-05-03 00:00:01"},    {58, "2002-05-03 00:00:58"},
        {59, "2002-05-03 00:01:00"},   {118, "2002-05-03 00:02:00"},
        {3481, "2002-05-03 01:00:00"}, {80063, "2002-05-04 00:00:00"}};
    SYSTEMTIME now, clock = StartStampClock();
    GetSystemTime(&now);
    EXPECT_EQ(Text(clock), "2002-05-03 00:00:00");
    int stamps = 0;
    for (const auto &[stamp, time] : rows) {
        for (; stamps < stamp; ++stamps)
            AdvanceStampClock(clock);
        EXPECT_EQ(Text(clock), time) << stamp;
    }
    EXPECT_NEAR(clock.wMilliseconds, now.wMilliseconds, 100); // those of the moment it started
    // The last stamp of a clock year carries day, month and year at once.
    SYSTEMTIME late{2002, 11, 0, 27, 22, 58, 58, 0};
    AdvanceStampClock(late);
    EXPECT_EQ(Text(late), "2003-01-01 00:00:00");
    EXPECT_EQ(DescribeUnwritten(std::vector<std::string>(7, "a.esp")),
              "7 file(s) kept their old time: a.esp, a.esp, a.esp, a.esp, a.esp, ...");
}

// A file's bytes and last-access time, and its last-write time.
static std::pair<std::string, ULONGLONG> State(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d);
    return {ReadBytes(path) + std::to_string(d.ftLastAccessTime.dwLowDateTime), WriteTime(path)};
}

// Each row runs Reload, maybe gets in the way, then Reorder. No file may lose a byte or its access
// time; the listed files that can be written get stamps one second apart from 2002-05-03 00:00:01
// UTC, masters first, with one millisecond part; the others keep their times, and the next Reload
// shows the stamped files first, in that order.
TEST_F(EditingTest, reorderStampsTheWritableListedFilesAndNamesTheOthers) {
    const std::vector<std::string> files =
        Split("Base.esm|Sm\xf6rg\xe5s.esp|Upper.ESP|Pinned.esp|Busy.esp|Late.esm|Last.esp|");
    const std::string kept = "3 file(s) kept their old time: Pinned.esp, Busy.esp, Last.esp|";
    // Whether to pin one file read-only, hold one open and delete one; the path; the files in
    // stamping order; the status lines after "Reording..."; the boxes.
    const std::tuple<bool, std::string, std::string, std::string, std::string> rows[] = {
        {false, "Data Files", "Base.esm|Late.esm|Sm\xf6rg\xe5s.esp|Pinned.esp|Busy.esp|Last.esp|",
         "Reording done|", ""},
        {true, "Data Files", "Base.esm|Late.esm|Sm\xf6rg\xe5s.esp|", kept + "Reording done|",
         "Warning: " + kept},
        {false, "", "", "No Data Files path|", "Warning: No Data Files path|"},
        {false, "Gone", "", "", "Note (unowned): Cannot set current dir|"}};
    const std::string data = Path("Data Files");
    for (const auto &[obstruct, path, stampedFiles, status, boxes] : rows) {
        SCOPED_TRACE(path + status);
        RemoveTree(data);
        CreateDirectoryA(data.c_str(), nullptr);
        MakeFilesInOrder(data, Join(files));
        std::vector<std::pair<std::string, ULONGLONG>> before;
        for (const std::string &name : files) {
            State(data + "\\" + name); // the first read of a new file moves its access time
            before.push_back(State(data + "\\" + name));
        }
        SetPath("Data Files");
        Click(IDC_RELOAD);
        UniqueFile busy;
        if (obstruct) {
            SetFileAttributesA((data + "\\Pinned.esp").c_str(), FILE_ATTRIBUTE_READONLY);
            busy.Reset(CreateFileA((data + "\\Busy.esp").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
            DeleteFileA((data + "\\Last.esp").c_str());
        }
        NewStatus();
        SetPath(path);
        Click(IDC_REORDER);
        busy.Reset();
        EXPECT_EQ(NewStatus(), "Reording...|" + status);
        EXPECT_EQ(Boxes(), boxes);
        const std::vector<std::string> stamped = Split(stampedFiles);
        const ULONGLONG second = 10000000,
                        base = Utc(2002, 5, 3, 0, 0, 0) +
                               (stamped.empty() ? 0 : WriteTime(data + "\\" + stamped[0]) % second);
        for (size_t i = 0; i < files.size(); ++i) {
            const auto place =
                std::find(stamped.begin(), stamped.end(), files[i]) - stamped.begin();
            if (GetFileAttributesA((data + "\\" + files[i]).c_str()) == INVALID_FILE_ATTRIBUTES)
                continue; // deleted
            EXPECT_EQ(State(data + "\\" + files[i]),
                      std::make_pair(before[i].first, size_t(place) < stamped.size()
                                                          ? base + second * (place + 1)
                                                          : before[i].second))
                << files[i];
        }
        SetPath(data);
        Click(IDC_RELOAD);
        EXPECT_EQ((Show(IDC_MASTER_LIST) + Show(IDC_PLUGIN_LIST)).substr(0, stampedFiles.size()),
                  stampedFiles);
        // Nothing holds the data folder: it can be renamed while the program is open.
        EXPECT_TRUE(MoveFileA(data.c_str(), Path("Moved").c_str()));
        MoveFileA(Path("Moved").c_str(), data.c_str());
    }
}

// ModList.txt lives beside the test executable, shared by every test: put back what was there.
TEST_F(EditingTest, exportWritesTheScannedOrderOrSaysWhyItWroteNothing) {
    const std::string exported = GetExecutableFolder() + "\\ModList.txt",
                      kept = ReadBytes(exported);
    const std::string order = "Zeta.esp|Base.esm|Alpha.esp|Mid.esm|Nine.esp|Ten.esp|Eight.esp|"
                              "Seven.esp|Six.esp|Later.esm|Omega.esp|";
    MakeFilesInOrder(folder_, order);
    CreateDirectoryA(Path("empty").c_str(), nullptr);
    // Moves not yet written by "Reorder" are not the games' order and are not exported.
    Fill(IDC_PLUGIN_LIST, "Omega.esp|Zeta.esp|");
    const std::string bytes = "Plugin0 = Zeta.esp\r\nPlugin1 = Base.esm\r\nPlugin2 = Alpha.esp\r\n"
                              "Plugin3 = Mid.esm\r\nPlugin4 = Nine.esp\r\nPlugin5 = Ten.esp\r\n"
                              "Plugin6 = Eight.esp\r\nPlugin7 = Seven.esp\r\nPlugin8 = Six.esp\r\n"
                              "Plugin9 = Later.esm\r\nPlugin10 = Omega.esp";
    const std::string cannot = "Cannot write " + exported + "|";
    // The path, whether the file is held open, the status lines after the first, the boxes.
    const std::tuple<std::string, bool, std::string, std::string> rows[] = {
        {folder_, false, "Opening File...|Done|", ""},
        {Path("empty"), false, "Error loading mod files|", "Warning: Error loading mod files|"},
        {"", false, "No Data Files path|", "Warning: No Data Files path|"},
        {folder_, true, cannot, "Warning: " + cannot}};
    for (const auto &[path, locked, status, boxes] : rows) {
        SCOPED_TRACE(path);
        UniqueFile held(locked ? CreateFileA(exported.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE);
        SetPath(path);
        Click(IDC_EXPORT);
        EXPECT_EQ(NewStatus(), "Loading Mod Files...|" + status);
        EXPECT_EQ(Boxes(), boxes);
        EXPECT_EQ(ReadBytes(exported), bytes);
    }
    kept == "<missing>" ? (void)DeleteFileA(exported.c_str()) : WriteBytes(exported, kept);
}
