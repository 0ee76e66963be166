#include "tests/harness.h"

#include "config/folders.h"
#include "editing/reorder.h"
#include "ui/status.h"
#include "win32/handles.h"

#include <algorithm>

using EditingTest = TalvessaTest;

// Each row clicks an entry of a list with the mouse (the row's count is the entry's index) with
// keys held, or presses a button (the count is how often), on the lists as the row before left
// them or, if it says, filled anew. Lists show the plug-ins, a blank, then the masters. A click
// in one list clears the other's selection and the status list keeps none; a move leaves the moved
// entries selected and reports nothing.
TEST_F(EditingTest, clicksKeepTheListsSelectionsApartAndMovesGiveTheWorkedExamples) {
    const std::tuple<int, int, WPARAM, std::string, std::string> rows[] = {
        {IDC_MASTER_LIST, 0, 0, "D|E|F| A|B|C|", "D|E|F| A*|B|C|"},
        {IDC_MASTER_LIST, 2, MK_CONTROL, "", "D|E|F| A*|B|C*|"},
        {IDC_PLUGIN_LIST, 1, 0, "", "D|E*|F| A|B|C|"},
        {IDC_PLUGIN_LIST, 2, MK_SHIFT, "", "D|E*|F*| A|B|C|"},
        {IDC_MASTER_LIST, 1, 0, "", "D|E|F| A|B*|C|"},
        {IDC_STATUS, 0, 0, "", "D|E|F| A|B*|C|"},
        {IDC_MOVE_UP, 1, 0, "A*|B*|C|D|E*|F| X|Y|Z|", "A*|B*|C|E*|D|F| X|Y|Z|"},
        {IDC_MOVE_DOWN, 1, 0, " A|B*|C|D|E*|F*|", " A|C|B*|D|E*|F*|"},
        {IDC_MOVE_TOP, 1, 0, "A|B|C*|D|E|F*|G|H*| X|", "C*|F*|H*|A|B|D|E|G| X|"},
        {IDC_MOVE_BOTTOM, 1, 0, "X|Y| A*|B|C|D*|E|", "X|Y| B|C|E|A*|D*|"},
        {IDC_MOVE_UP, 1, 0, "A*|B|C*| X|", "A*|C*|B| X|"},
        {IDC_MOVE_UP, 3, 0, "A|B|C*|D| X|", "C*|A|B|D| X|"},
        {IDC_MOVE_DOWN, 2, 0, "A|B*|C|D| X|", "A|C|D|B*| X|"},
        // Both lists hold a selection: the plug-in list alone moves.
        {IDC_MOVE_UP, 1, 0, "A|B|C*|D| X|Y|Z*|", "A|C*|B|D| X|Y|Z*|"},
        {IDC_MOVE_BOTTOM, 1, 0, "A|B|C| X|Y|", "A|B|C| X|Y|"}};
    for (const auto &[id, count, keys, before, after] : rows) {
        if (!before.empty()) {
            Fill(IDC_PLUGIN_LIST, before.substr(0, before.find(' ')));
            Fill(IDC_MASTER_LIST, before.substr(before.find(' ') + 1));
        }
        if (id >= IDC_MOVE_TOP) {
            for (int press = 0; press < count; ++press)
                Click(id);
        } else {
            RECT item{};
            Send(id, LB_GETITEMRECT, count, LPARAM(&item));
            const LPARAM at =
                MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
            Send(id, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
            Send(id, WM_LBUTTONUP, keys, at);
        }
        EXPECT_EQ(Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST), after) << before;
        EXPECT_EQ(NewStatus(), after.find('*') == after.npos ? "No items selected|" : "") << before;
    }
    // Escape and Enter do nothing, wherever the focus is.
    for (int control : {IDC_PATH_EDIT, IDC_PLUGIN_LIST})
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            SetFocus(GetDlgItem(dialog_, control));
            MSG press{GetFocus(), WM_KEYDOWN, key, 0, 0, {0, 0}};
            IsDialogMessageA(dialog_, &press);
        }
    EXPECT_EQ(NewStatus() + Boxes(), "");
    EXPECT_TRUE(IsWindowVisible(dialog_));
}

TEST(StampClock, countsUpFromTheBaseTimeAndCarriesOneShortOfEachCalendarLimit) {
    const std::pair<int, ULONGLONG> rows[] = {
        {1, Utc(2002, 5, 3, 0, 0, 1)},    {58, Utc(2002, 5, 3, 0, 0, 58)},
        {59, Utc(2002, 5, 3, 0, 1, 0)},   {118, Utc(2002, 5, 3, 0, 2, 0)},
        {3481, Utc(2002, 5, 3, 1, 0, 0)}, {80063, Utc(2002, 5, 4, 0, 0, 0)}};
    const ULONGLONG second = 10000000;
    // The milliseconds are those of the moment the clock starts, chosen to be far from 0.
    SYSTEMTIME now, clock;
    do
        GetSystemTime(&now);
    while (now.wMilliseconds < 200 || now.wMilliseconds > 800);
    clock = StartStampClock();
    EXPECT_NEAR(clock.wMilliseconds, now.wMilliseconds, 100);
    int stamps = 0;
    for (const auto &[stamp, time] : rows) {
        for (; stamps < stamp; ++stamps)
            AdvanceStampClock(clock);
        EXPECT_EQ(Ticks(clock) / second, time / second) << stamp;
    }
    // The last stamp of a clock year carries day, month and year at once.
    SYSTEMTIME late{2002, 11, 0, 27, 22, 58, 58, 0};
    AdvanceStampClock(late);
    EXPECT_EQ(Ticks(late), Utc(2003, 1, 1, 0, 0, 0));
    EXPECT_EQ(DescribeFiles("kept their old time", std::vector<std::string>(7, "a.esp")),
              "7 file(s) kept their old time: a.esp, a.esp, a.esp, a.esp, a.esp, ...");
}

// Each row runs Reload, maybe moves a file or gets in the way, then Reorder. No file may lose a
// byte or its last-access time; the listed files that can be written get stamps one second apart
// from 2002-05-03 00:00:01 UTC, masters first, with one millisecond part; the others keep their
// times. The next Reload shows what Reorder wrote.
TEST_F(EditingTest, reorderStampsTheWritableListedFilesAndNamesTheOthers) {
    const std::string files = "Base.esm|Sm\xf6rg\xe5s.esp|Upper.ESP|Pinned.esp:Gone.esm|"
                              "Busy.esp:Lost.esm|Late.esm|Last.esp|Read.esp:Last.esp|",
                      kept = "3 file(s) kept their old time: Pinned.esp, Busy.esp, Last.esp|",
                      missing = "2 file(s) need a master that is not listed: Pinned.esp "
                                "(Gone.esm), Busy.esp (Lost.esm)|",
                      data = Path("Data Files");
    // The file moved to the top; whether to pin one file read-only, hold one open for writing and
    // delete one (and hold one open for reading, which shares); the path; the files stamped, in
    // order; the status lines after "Reording...".
    const std::tuple<std::string, bool, std::string, std::string, std::string> rows[] = {
        {"Read.esp", false, "Data Files",
         "Base.esm|Late.esm|Read.esp|Sm\xf6rg\xe5s.esp|Pinned.esp|Busy.esp|Last.esp|",
         "Reording done|" + missing +
             "1 file(s) load before a master they need: Read.esp (Last.esp)|"},
        {"", true, "Data Files", "Base.esm|Late.esm|Sm\xf6rg\xe5s.esp|Read.esp|",
         kept + "Reording done|" + missing},
        {"", false, "", "", "No Data Files path|"},
        {"", false, "Gone", "", ""}};
    for (const auto &[moved, obstruct, path, stamped, status] : rows) {
        RemoveTree(data);
        CreateDirectoryA(data.c_str(), nullptr);
        MakeFilesInOrder(data, files);
        SetPath("Data Files");
        Click(IDC_RELOAD);
        Send(IDC_PLUGIN_LIST, LB_SETSEL, TRUE,
             Send(IDC_PLUGIN_LIST, LB_FINDSTRINGEXACT, -1, LPARAM(moved.c_str())));
        Click(moved.empty() ? IDC_RELOAD : IDC_MOVE_TOP);
        Send(IDC_PLUGIN_LIST, LB_SETSEL, FALSE, -1);
        const std::string shown = Show(IDC_PLUGIN_LIST);
        std::vector<std::string> all, contents;
        const ULONGLONG accessed =
            Utc(2005, 1, 1, 0, 0, 0); // earlier than written: reading moves it
        for (const std::string &file : Split(files)) {
            all.push_back(file.substr(0, file.find(':')));
            contents.push_back(ReadBytes(data + "\\" + all.back()));
            TimeOf(data + "\\" + all.back(), accessed, true);
        }
        UniqueFile busy, reading;
        if (obstruct) {
            SetFileAttributesA((data + "\\Pinned.esp").c_str(), FILE_ATTRIBUTE_READONLY);
            busy = Hold(data + "\\Busy.esp", GENERIC_READ, FILE_SHARE_READ);
            reading = Hold(data + "\\Read.esp", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
            DeleteFileA((data + "\\Last.esp").c_str());
        }
        NewStatus();
        Boxes();
        SetPath(path);
        Click(IDC_REORDER);
        EXPECT_EQ(NewStatus(), "Reording...|" + status) << path;
        EXPECT_EQ(Boxes(), Warnings(status) +
                               (path == "Gone" ? "Note (unowned): Cannot set current dir|" : ""))
            << path;
        const std::vector<std::string> order = Split(stamped);
        const ULONGLONG second = 10000000, old = Utc(2010, 1, 1, 12, 0, 0),
                        base = Utc(2002, 5, 3, 0, 0, 0) + TimeOf(data + "\\Base.esm") % second;
        for (size_t i = 0; i < all.size(); ++i) {
            const size_t place = std::find(order.begin(), order.end(), all[i]) - order.begin();
            const std::string file = data + "\\" + all[i];
            if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
                continue; // deleted
            EXPECT_EQ(TimeOf(file, 0, true), accessed) << all[i];
            EXPECT_EQ(ReadBytes(file), contents[i]);
            EXPECT_EQ(TimeOf(file),
                      place < order.size() ? base + second * (place + 1) : old + 600000000ull * i)
                << all[i];
        }
        // Nothing holds the data folder: it can be renamed while the program is open.
        EXPECT_TRUE(MoveFileA(data.c_str(), Path("Moved").c_str()));
        MoveFileA(Path("Moved").c_str(), data.c_str());
        SetPath("Data Files");
        Click(IDC_RELOAD);
        EXPECT_EQ(Show(IDC_PLUGIN_LIST) == shown, !obstruct) << path;
    }
}

// ModList.txt lives beside the test executable, shared by every test: put back what was there.
// Text files open with a command that writes down the file it was given.
TEST_F(EditingTest, exportWritesTheScannedOrderOrSaysWhyItWroteNothing) {
    const std::string exported = GetExecutableFolder() + "\\ModList.txt",
                      kept = ReadBytes(exported), cannot = "Cannot write " + exported + "|",
                      open = "cmd /c echo %1>\"" + Path("opened") + "\"";
    MoveKey("SOFTWARE\\Classes\\.txt", "SOFTWARE\\Talvessa tests\\.txt");
    RegSetKeyValueA(HKEY_CLASSES_ROOT, ".txt", nullptr, REG_SZ, "Talvessa.txt", 13);
    RegSetKeyValueA(HKEY_CLASSES_ROOT, "Talvessa.txt\\shell\\open\\command", nullptr, REG_SZ,
                    open.c_str(), DWORD(open.size() + 1));
    WriteBytes(exported, std::string(500, 'x')); // truncated, not appended to
    MakeFilesInOrder(folder_, "Zeta.esp|Base.esm|Alpha.esp|Mid.esm|Nine.esp|Ten.esp|Eight.esp|"
                              "Seven.esp|Six.esp|Later.esm|Omega.esp|");
    CreateDirectoryA(Path("empty").c_str(), nullptr);
    // Moves not yet written by "Reorder" are not the games' order and are not exported.
    Fill(IDC_PLUGIN_LIST, "Omega.esp|Zeta.esp|");
    // The path, whether the file is held open, the status lines after the first.
    const std::tuple<std::string, bool, std::string> rows[] = {
        {folder_, false, "Opening File...|Done|"},
        {Path("empty"), false, "Error loading mod files|"},
        {folder_, true, cannot}};
    for (const auto &[path, locked, status] : rows) {
        UniqueFile held = locked ? Hold(exported, GENERIC_READ, FILE_SHARE_READ) : UniqueFile();
        SetPath(path);
        Click(IDC_EXPORT);
        EXPECT_EQ(NewStatus(), "Loading Mod Files...|" + status) << path;
        EXPECT_EQ(Boxes(), Warnings(status)) << path;
        EXPECT_EQ(ReadBytes(exported),
                  "Plugin0 = Zeta.esp\r\nPlugin1 = Base.esm\r\nPlugin2 = Alpha.esp\r\n"
                  "Plugin3 = Mid.esm\r\nPlugin4 = Nine.esp\r\nPlugin5 = Ten.esp\r\n"
                  "Plugin6 = Eight.esp\r\nPlugin7 = Seven.esp\r\nPlugin8 = Six.esp\r\n"
                  "Plugin9 = Later.esm\r\nPlugin10 = Omega.esp")
            << path;
    }
    // Opened once, by the application for text files.
    for (int wait = 0; wait < 100 && ReadBytes(Path("opened")).find('\n') == std::string::npos;
         ++wait)
        Sleep(100);
    EXPECT_EQ(ReadBytes(Path("opened")), exported + "\r\n");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".txt");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "Talvessa.txt");
    MoveKey("SOFTWARE\\Talvessa tests\\.txt", "SOFTWARE\\Classes\\.txt");
    kept == "<missing>" ? (void)DeleteFileA(exported.c_str()) : WriteBytes(exported, kept);
}
