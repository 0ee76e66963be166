#include "tests/harness.h"

#include "config/folders.h"
#include "editing/reorder.h"
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
        Fill(before.empty() ? Lists() : before);
        for (int press = 0; id >= IDC_MOVE_TOP && press < count; ++press)
            Click(id);
        if (id < IDC_MOVE_TOP) { // a click on the entry
            const LPARAM at = MAKELPARAM(4, 4 + count * Send(id, LB_GETITEMHEIGHT));
            Send(id, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
            Send(id, WM_LBUTTONUP, keys, at);
        }
        EXPECT_EQ(Lists(), after) << before;
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

// Each row right-clicks an entry of a list on the lists given (the row's count is the entry; -1
// is below the last, -2 the keyboard's menu key at the focused entry) and chooses the menu item
// with the id given, if any. The moves are greyed when no list holds a selection, and so is
// "Restore Order" when the folder has no saved order. A right-click gives the list the focus.
TEST_F(EditingTest, theListsRightClickMenuSelectsAsAClickDoesAndCarriesOutTheChoice) {
    const std::string menu = "Move to Top 2011|Move Up 2012|Move Down 2013|Move to Bottom 2014|-|"
                             "Sort by Masters 2120|Apply Order from List... 2140|-|"
                             "Restore Order grey[]|",
                      grey = std::regex_replace(menu, std::regex("Move [^|]+"), "$& grey"),
                      unsorted = "Sorting by masters...|No Data Files path|";
    // The list and entry, the item chosen, the lists before and after, the status lines.
    const std::tuple<int, int, int, std::string, std::string, std::string> rows[] = {
        {IDC_MASTER_LIST, -1, 0, "A|B*|C| X|Y|Z|", "A|B*|C| X|Y|Z|", ""},
        {IDC_MASTER_LIST, 1, IDC_MOVE_UP, "A|B*|C| X*|Y|Z|", "A|B|C| Y*|X|Z|", ""},
        {IDC_PLUGIN_LIST, 2, IDC_MOVE_TOP, "A*|B|C*| X|", "A*|C*|B| X|", ""},
        {IDC_PLUGIN_LIST, -1, 0, "A|B|C| X|", "A|B|C| X|", ""},
        {IDC_PLUGIN_LIST, -2, IDM_SORT_BY_MASTERS, "A|B|C| X|", "A|B|C| X|", unsorted}};
    for (const auto &[id, entry, choice, before, after, status] : rows) {
        Fill(before);
        Send(id, LB_SETCARETINDEX, 2);
        SetFocus(GetDlgItem(dialog_, entry == -2 ? id : IDC_PATH_EDIT));
        EXPECT_EQ(ContextMenu(id, entry, choice), before.find('*') == before.npos ? grey : menu)
            << before << entry;
        EXPECT_EQ(Lists(), after) << entry;
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog_, id)) << entry;
        EXPECT_EQ(NewStatus() + Boxes(), status + Warnings(status)) << entry;
    }
    // Beyond entry 65,535 too, which LB_ITEMFROMPOINT's 16 bits cannot count.
    Fill(" A*|");
    Send(IDC_MASTER_LIST, WM_SETREDRAW, FALSE);
    for (int entry = 0; entry < 65600; ++entry)
        Send(IDC_MASTER_LIST, LB_ADDSTRING, 0, LPARAM("M.esm"));
    Send(IDC_MASTER_LIST, WM_SETREDRAW, TRUE);
    Send(IDC_MASTER_LIST, LB_SETTOPINDEX, 65590);
    ContextMenu(IDC_MASTER_LIST, 65591);
    ContextMenu(IDC_MASTER_LIST, -3); // on the scroll bar, level with an entry not selected
    EXPECT_EQ(Send(IDC_MASTER_LIST, LB_GETSELCOUNT) * 100000 +
                  Send(IDC_MASTER_LIST, LB_GETCARETINDEX),
              165591);
}

// The allocation allocationsLeft counts down to fails, as one does when memory runs out.
static int allocationsLeft = -1;
void *operator new(size_t size) {
    void *memory = allocationsLeft >= 0 && allocationsLeft-- == 0
                       ? nullptr
                       : HeapAlloc(GetProcessHeap(), 0, size + 1);
    return memory ? memory : throw std::bad_alloc();
}
void operator delete(void *memory) noexcept {
    HeapFree(GetProcessHeap(), 0, memory);
}
void operator delete(void *memory, size_t) noexcept {
    HeapFree(GetProcessHeap(), 0, memory);
}

// A list that fails to take the n-th entry added to it from now on, as a list out of memory does.
static WNDPROC listProc = nullptr;
static int addsLeft = -1;
static LRESULT CALLBACK FailOneAdd(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == LB_ADDSTRING && addsLeft-- == 0
               ? LB_ERRSPACE
               : CallWindowProcA(listProc, list, message, wParam, lParam);
}

// Sort by Masters on a folder whose headers name masters (after ":"): each file moves after those
// it needs in its own list, the topmost first of those free to go, the topmost left when none is.
// Files that need each other, one that needs itself, and a master that needs a plug-in stay and
// are warned about; the master list is sorted on its own, so Loop.esm stays before Zeta.esm.
// Masters are looked up as the check looks them up (case beyond ASCII, trailing dots and spaces).
// W.esp, gone since the lists were filled, and B.esp, held open without sharing, name nothing.
// The selection stays on the same entries; a second sort moves nothing. Lists that cannot take
// the new order stay as they were.
TEST_F(EditingTest, sortByMastersPutsEachFileAfterTheMastersItNeedsInItsOwnList) {
    CreateDirectoryA("Sorted", nullptr);
    MakeFilesInOrder("Sorted",
                     "Dawn.esm:Base.esm|Base.esm|Loop.esm:Plug.esp|Zeta.esm|Patch.esp:MOD.ESP. "
                     ":mod.esp|Other.esp|S.esp:S.esp|Mod.esp:Base.esm|C.esp:B.esp|B.esp:A.esp|"
                     "A.esp|X.esp:Y.esp|Y.esp:X.esp|V.esp:W.esp|W.esp|Plug.esp:Y.esp|"
                     "Fjord.esp:\xc5SGARD.ESP|\xe5sgard.esp|");
    SetPath("Sorted");
    Click(IDC_RELOAD);
    DeleteFileA("Sorted\\W.esp");
    UniqueFile held = Hold("Sorted\\B.esp", GENERIC_READ, 0);
    Send(IDC_PLUGIN_LIST, LB_SETSEL, TRUE, 4);
    Send(IDC_PLUGIN_LIST, LB_SETSEL, TRUE, 0); // the caret, and the anchor of a Shift+click
    NewStatus() + Boxes();
    const std::string unsorted = Lists(), full = "Cannot arrange the lists: not enough memory|";
    listProc = WNDPROC(SetWindowLongPtrA(GetDlgItem(dialog_, IDC_PLUGIN_LIST), GWLP_WNDPROC,
                                         LONG_PTR(FailOneAdd)));
    addsLeft = 5; // the master list is arranged by then
    SendMessageA(dialog_, WM_COMMAND, IDM_SORT_BY_MASTERS, 0);
    EXPECT_EQ(Lists(), unsorted);
    EXPECT_EQ(Send(IDC_PLUGIN_LIST, LB_GETCARETINDEX) + Send(IDC_PLUGIN_LIST, LB_GETANCHORINDEX),
              0);
    NewStatus();
    EXPECT_EQ(Boxes(), "Warning: " + full);
    const std::string late = "3 file(s) load before a master they need: Loop.esm (Plug.esp), S.esp "
                             "(S.esp), X.esp (Y.esp)|";
    for (std::string moved : {"5 file(s) moved after their masters; Reorder writes the new order|",
                              "No file had to move|"}) {
        SendMessageA(dialog_, WM_COMMAND, IDM_SORT_BY_MASTERS, 0);
        EXPECT_EQ(Lists(), "Other.esp|S.esp|Mod.esp|Patch.esp*|B.esp|C.esp*|A.esp|W.esp|V.esp|"
                           "\xe5sgard.esp|Fjord.esp|X.esp|Y.esp|Plug.esp| Base.esm|Dawn.esm|"
                           "Loop.esm|Zeta.esm|");
        EXPECT_EQ(NewStatus(), "Sorting by masters...|" + moved + late);
        EXPECT_EQ(Boxes(), Warnings(late));
        EXPECT_EQ(Send(IDC_PLUGIN_LIST, LB_GETCARETINDEX), 3); // on Patch.esp, as the anchor
        EXPECT_EQ(Send(IDC_PLUGIN_LIST, LB_GETANCHORINDEX), 3);
    }
    // Entries may move although no file stood before a master it needs: masters that need each
    // other, with a file free to go below them.
    Fill("X.esp|Y.esp|Other.esp| ");
    SendMessageA(dialog_, WM_COMMAND, IDM_SORT_BY_MASTERS, 0);
    EXPECT_EQ(Lists(), "Other.esp|X.esp|Y.esp| ");
    const std::string cycle = "1 file(s) load before a master they need: X.esp (Y.esp)|";
    EXPECT_EQ(NewStatus() + Boxes(), "Sorting by masters...|0 file(s) moved after their masters; "
                                     "Reorder writes the new order|" +
                                         cycle + Warnings(cycle));
    // A list population that cannot fill a list leaves both empty, not one short.
    addsLeft = 3;
    Click(IDC_RELOAD);
    EXPECT_EQ(Lists() + NewStatus() + Boxes(), " Loading Mod Files...|" + full + Warnings(full));
    // A command that runs out of memory stops there, says so, and leaves the dialog alive.
    allocationsLeft = 10;
    Click(IDC_RELOAD);
    const std::string memory = "Not enough memory to finish; nothing more was changed|";
    EXPECT_EQ(NewStatus() + Boxes(), "Loading Mod Files...|" + memory + Warnings(memory));
    // Where the data folder cannot be entered, no header is looked for anywhere else.
    SetPath("Gone");
    SendMessageA(dialog_, WM_COMMAND, IDM_SORT_BY_MASTERS, 0);
    EXPECT_EQ(NewStatus() + Boxes(),
              "Sorting by masters...|Cannot set current dir|Warning: Cannot set current dir|");
}

TEST(StampClock, countsUpFromTheBaseTimeAndCarriesOneShortOfEachCalendarLimit) {
    // The last row: the last stamp of a clock year carries day, month and year at once.
    const std::pair<int, ULONGLONG> rows[] = {
        {1, Utc(2002, 5, 3, 0, 0, 1)},       {58, Utc(2002, 5, 3, 0, 0, 58)},
        {59, Utc(2002, 5, 3, 0, 1, 0)},      {118, Utc(2002, 5, 3, 0, 2, 0)},
        {3481, Utc(2002, 5, 3, 1, 0, 0)},    {80063, Utc(2002, 5, 4, 0, 0, 0)},
        {14971781, Utc(2003, 1, 1, 0, 0, 0)}};
    // The milliseconds are those of the moment the clock starts, chosen to be far from 0.
    SYSTEMTIME now, clock;
    for (GetSystemTime(&now); now.wMilliseconds < 200 || now.wMilliseconds > 800;)
        GetSystemTime(&now);
    clock = StartStampClock();
    EXPECT_NEAR(clock.wMilliseconds, now.wMilliseconds, 100);
    int stamps = 0;
    for (const auto &[stamp, time] : rows) {
        for (; stamps < stamp; ++stamps)
            AdvanceStampClock(clock);
        EXPECT_EQ(Ticks(clock) / 10000000, time / 10000000) << stamp;
    }
}

// Each row runs Reload, maybe moves a file or gets in the way, then Reorder. No file may lose its
// last-access time; the listed files that can be written get stamps one second apart
// from 2002-05-03 00:00:01 UTC, masters first, with one millisecond part; the others keep their
// times.
TEST_F(EditingTest, reorderStampsTheWritableListedFilesAndNamesTheOthers) {
    const std::string files =
                          "Base.esm|Sm\xf6rg\xe5s.esp:Base.esm|Upper.ESP|Pinned.esp:Gone.esm|"
                          "Busy.esp:Lost.esm:Held.esm|Late.esm:Base.esm|Last.esp|Read.esp:Last.esp|"
                          "Held.esm|",
                      missing = "2 file(s) need a master that is not listed: Pinned.esp "
                                "(Gone.esm), Busy.esp (Lost.esm, Held.esm)|",
                      data = Path("Data Files");
    // The plug-in moved to the top (Read.esp, or -1 for none); whether to pin a master and a
    // plug-in read-only, hold one open for writing and delete one; the path; the files stamped,
    // in order; the status lines after "Reording...", whose check takes the files that kept their
    // time where that time puts them on disk, and the file deleted nowhere.
    const std::tuple<int, bool, std::string, std::string, std::string> rows[] = {
        {4, false, "Data Files",
         "Base.esm|Late.esm|Read.esp|Sm\xf6rg\xe5s.esp|Pinned.esp|Busy.esp|Last.esp|",
         "Reording done|" + missing +
             "1 file(s) load before a master they need: Read.esp (Last.esp)|"},
        {-1, true, "Data Files", "Late.esm|Sm\xf6rg\xe5s.esp|Read.esp|",
         "4 file(s) kept their old time: Base.esm, Pinned.esp, Busy.esp, Last.esp|Reording done|"
         "3 file(s) need a master that is not listed: Read.esp (Last.esp), Pinned.esp (Gone.esm), "
         "Busy.esp (Lost.esm, Held.esm)|1 file(s) load before a master they need: Late.esm "
         "(Base.esm)|"},
        {-1, false, "", "", "No Data Files path|"},
        {-1, false, "Gone", "", ""}};
    for (const auto &[moved, obstruct, path, stamped, status] : rows) {
        RemoveTree(data);
        CreateDirectoryA(data.c_str(), nullptr);
        MakeFilesInOrder(data, files);
        SetPath("Data Files");
        // Held.esm, held open without sharing, is not listed: the games are not given it, even
        // when Reorder finds it on disk.
        UniqueFile hidden = Hold(data + "\\Held.esm", GENERIC_READ, 0);
        Click(IDC_RELOAD);
        hidden.Reset();
        Send(IDC_PLUGIN_LIST, LB_SETSEL, TRUE, moved); // all when none: no change
        Click(IDC_MOVE_TOP);
        // Earlier than written: reading moves it.
        const ULONGLONG accessed = Utc(2005, 1, 1, 0, 0, 0);
        const std::vector<std::string> all =
            Split(std::regex_replace(files, std::regex(":[^|]*"), ""));
        for (const std::string &name : all)
            TimeOf(data + "\\" + name, accessed, true);
        // Read.esp is read by another program, which shares; Busy.esp is held without sharing
        // writing when the row gets in the way.
        const DWORD shared = FILE_SHARE_READ | FILE_SHARE_WRITE;
        UniqueFile reading = Hold(data + "\\Read.esp", GENERIC_READ, shared),
                   busy =
                       Hold(data + "\\Busy.esp", GENERIC_READ, obstruct ? FILE_SHARE_READ : shared);
        if (obstruct &&
            SetFileAttributesA((data + "\\Base.esm").c_str(), FILE_ATTRIBUTE_READONLY) &&
            SetFileAttributesA((data + "\\Pinned.esp").c_str(), FILE_ATTRIBUTE_READONLY))
            DeleteFileA((data + "\\Last.esp").c_str());
        NewStatus() + Boxes(); // those of the Reload
        SetPath(path);
        Click(IDC_REORDER);
        EXPECT_EQ(NewStatus(), "Reording...|" + status) << path;
        EXPECT_EQ(Boxes(), Warnings(status) +
                               (path == "Gone" ? "Note (unowned): Cannot set current dir|" : ""));
        const std::vector<std::string> order = Split(stamped);
        const ULONGLONG second = 10000000, old = Utc(2010, 1, 1, 12, 0, 0),
                        base = Utc(2002, 5, 3, 0, 0, 0) + TimeOf(data + "\\Late.esm") % second;
        for (size_t i = 0; i < all.size(); ++i) {
            const size_t place = std::find(order.begin(), order.end(), all[i]) - order.begin();
            const std::string file = data + "\\" + all[i];
            if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
                continue; // deleted
            EXPECT_EQ(TimeOf(file, 0, true), accessed) << all[i];
            EXPECT_EQ(TimeOf(file),
                      place < order.size() ? base + second * (place + 1) : old + 600000000ull * i)
                << all[i];
        }
    }
}

// ModList.txt lives beside the test executable, shared by every test: put back what was there.
// The tests' prefix opens text files with a command that writes their name to C:\opened.txt.
TEST_F(EditingTest, exportWritesTheScannedOrderOrSaysWhyItWroteNothing) {
    const std::string exported = GetExecutableFolder() + "\\ModList.txt",
                      kept = ReadBytes(exported), cannot = "Cannot write " + exported + "|",
                      opened = "C:\\opened.txt";
    DeleteFileA(opened.c_str());
    WriteBytes(exported, std::string(500, 'x')); // truncated, not appended to
    MakeFilesInOrder(folder_, "Zeta.esp|Base.esm|Alpha.esp|Mid.esm|Nine.esp|Ten.esp|Eight.esp|"
                              "Seven.esp|Six.esp|Later.esm|Omega.esp|");
    // Moves not yet written by "Reorder" are not the games' order and are not exported.
    Fill("Omega.esp|Zeta.esp| ");
    // The path, whether the file is held open, the status lines after the first.
    const std::tuple<std::string, bool, std::string> rows[] = {
        {folder_, false, "Opening File...|Done|"},
        {"C:\\windows", false, "Error loading mod files|"}, // a folder without plug-ins
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
    for (int wait = 0; wait < 100 && ReadBytes(opened).find('\n') == opened.npos; ++wait)
        Sleep(100);
    EXPECT_EQ(ReadBytes(opened), exported + "\r\n");
    kept == "<missing>" ? (void)DeleteFileA(exported.c_str()) : WriteBytes(exported, kept);
}
