#pragma once

#include "app/dialog.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

// Lists in tests are one text: each entry followed by '|', a selected entry of a list box marked
// with '*' before its '|'. "A*|B|" is A, selected, then B.
inline std::vector<std::string> Split(const std::string &entries, char bar = '|') {
    std::vector<std::string> split;
    for (size_t at = 0, end; (end = entries.find(bar, at)) != std::string::npos; at = end + 1)
        split.push_back(entries.substr(at, end - at));
    return split;
}

inline std::string TextOf(HWND window) {
    std::string text(GetWindowTextLengthA(window) + 1, '\0');
    return text.substr(0, GetWindowTextA(window, &text[0], int(text.size())));
}

inline void WriteBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string &path) { // "<missing>" when it cannot be read
    std::ifstream file(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), {}};
    return file.is_open() ? bytes : "<missing>";
}

inline ULONGLONG Ticks(SYSTEMTIME time) {
    ULARGE_INTEGER ticks{};
    SystemTimeToFileTime(&time, reinterpret_cast<FILETIME *>(&ticks));
    return ticks.QuadPart;
}

inline ULONGLONG Utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return Ticks({WORD(y), WORD(mo), 0, WORD(d), WORD(h), WORD(mi), WORD(s), WORD(ms)});
}

// A file held open as another program would hold it.
inline UniqueFile Hold(const std::string &path, DWORD access, DWORD sharing) {
    return UniqueFile(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The file's last-write time, or its last-access time, after setting it to set when that is not 0.
inline ULONGLONG TimeOf(const std::string &path, ULONGLONG set = 0, bool access = false) {
    UniqueFile file = Hold(path, set ? FILE_WRITE_ATTRIBUTES : FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE);
    ULARGE_INTEGER time{{DWORD(set), DWORD(set >> 32)}};
    FILETIME *at = reinterpret_cast<FILETIME *>(&time);
    set ? SetFileTime(file.Get(), nullptr, access ? at : nullptr, access ? nullptr : at)
        : GetFileTime(file.Get(), nullptr, access ? at : nullptr, access ? nullptr : at);
    return time.QuadPart;
}

// The folder's entries in the platform's order, without "." and "..".
inline std::string ListFolder(const std::string &folder) {
    std::string names;
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    for (BOOL more = find.IsValid(); more; more = FindNextFileA(find.Get(), &entry))
        names += strcmp(entry.cFileName, ".") && strcmp(entry.cFileName, "..")
                     ? entry.cFileName + std::string("|")
                     : "";
    return names;
}

inline void RemoveTree(const std::wstring &path) { // read-only files too, names of any spelling
    {
        WIN32_FIND_DATAW entry;
        UniqueFind find(FindFirstFileW((path + L"\\*").c_str(), &entry));
        for (BOOL more = find.IsValid(); more; more = FindNextFileW(find.Get(), &entry))
            if (wcscmp(entry.cFileName, L".") && wcscmp(entry.cFileName, L".."))
                RemoveTree(path + L"\\" + entry.cFileName);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(path.c_str()) || DeleteFileW(path.c_str());
}
inline void RemoveTree(const std::string &path) {
    std::vector<wchar_t> wide(path.size() + 1);
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), int(wide.size()));
    RemoveTree(std::wstring(wide.data()));
}

// The boxes that the warnings among the status lines raise: every line but a progress report.
inline std::string Warnings(const std::string &lines) {
    const std::regex progress(
        "(Done|Reording done|Opening File\\.\\.\\.|Sorting by masters\\.\\.\\.|Order restored|"
        "No file had to move|No saved order to restore|(Restoring|Applying) [^|]+|"
        "Cannot save the order before [^|]+|Re(order|store) cancelled|"
        "\\d+ (file\\(s\\) (moved|left out|of the saved order)|name\\(s\\))[^|]*)\\|"),
        line("[^|]+\\|");
    return std::regex_replace(std::regex_replace(lines, progress, ""), line, "Warning: $&");
}

inline std::string Backups() { // where the saved orders go, beside the test executable
    char path[MAX_PATH];
    std::string exe(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return exe.substr(0, exe.rfind('\\')) + "\\Backups";
}

// Moves a key of HKEY_LOCAL_MACHINE with all it holds, unless the target is there already.
inline void MoveKey(const char *from, const char *to) {
    HKEY key;
    DWORD made = 0;
    if (!RegOpenKeyExA(HKEY_LOCAL_MACHINE, from, 0, KEY_READ, &key) && !RegCloseKey(key) &&
        !RegCreateKeyExA(HKEY_LOCAL_MACHINE, to, 0, nullptr, 0, KEY_WRITE, nullptr, &key, &made)) {
        made == REG_CREATED_NEW_KEY ? RegCopyTreeA(HKEY_LOCAL_MACHINE, from, key) : 0;
        RegCloseKey(key);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, from);
    }
}

// Every test has a fresh folder, made current and removed afterwards with all it holds, and the
// main dialog from the real template, opened and shown there: start-up finds no settings file,
// no saved orders and no game key, for the games' keys of the machine are put aside until the test
// ends. Every message box is answered with OK, or with answer_ when it asks Yes or No, so that no
// test waits for a click, and recorded as "Caption: text|", marked " (unowned)" when it has no
// owner window, with its form when it is not one OK button alone (its buttons, the default one
// with "*", "!" for an icon), and " [off screen]" when it is not inside the work area. The folder
// browser is recorded as "Browser" with its title, marked when it disables the dialog, and
// chooses browseTo_, or is cancelled when that is empty. The Open dialog is recorded as "Open:"
// with its title, its folder, its file name and its types, and opens openFile_, or is cancelled.
class TalvessaTest : public ::testing::Test {
  protected:
    static constexpr const char *kGames = "SOFTWARE\\Bethesda Softworks",
                                *kSaved = "SOFTWARE\\Talvessa tests\\Bethesda Softworks";
    void SetUp() override {
        MoveKey(kGames, kSaved);
        char path[MAX_PATH];
        start_.assign(path, GetCurrentDirectoryA(MAX_PATH, path));
        folder_.assign(path, GetTempPathA(MAX_PATH, path));
        folder_ += "talvessa-" + std::to_string(++tests_); // tests run one at a time
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
        SetCurrentDirectoryA(folder_.c_str());
        RemoveTree(Backups());
        running_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, Record, nullptr, GetCurrentThreadId());
        Reopen();
        Boxes();
    }
    void TearDown() override {
        DestroyWindow(dialog_);
        UnhookWindowsHookEx(hook_);
        SetCurrentDirectoryA(start_.c_str());
        RemoveTree(folder_);
        RemoveTree(Backups());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kGames); // the tests' own
        MoveKey(kSaved, kGames);
    }
    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
        // Each is read once it is laid out, its default button chosen and, for the Open dialog,
        // gone to its folder.
        if (code == HCBT_ACTIVATE)
            SetTimer(HWND(wParam), 1, 30, GetDlgItem(HWND(wParam), cmb13) ? Open : Answer);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static void CALLBACK Answer(HWND box, UINT, UINT_PTR timer, DWORD) {
        KillTimer(box, timer);
        // A box is a dialog with the message text's control, the browser one with a tree and its
        // title's.
        HWND tree = FindWindowExA(box, nullptr, WC_TREEVIEWA, nullptr),
             text = GetDlgItem(box, tree ? 0x3742 : 0xFFFF);
        TalvessaTest &test = *running_;
        if (!text)
            return;
        // Wine's boxes hold only the buttons they show, and their icon in control 1088. A box
        // must fit the work area, or its button cannot be reached.
        RECT at, area;
        GetWindowRect(box, &at);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        std::string form;
        for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) // O, Y, N and C
            if (HWND button = GetDlgItem(box, id))
                form += std::string(" ") + " OC   YN"[id] +
                        ((GetWindowLongA(button, GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON ? "*" : "");
        form += SendDlgItemMessageA(box, 1088, STM_GETICON, 0, 0) ? " !" : "";
        const bool off = at.left < area.left || at.top < area.top || at.right > area.right ||
                         at.bottom > area.bottom;
        test.boxes_ += (tree ? IsWindowEnabled(test.dialog_) ? "Browser" : "Browser (disabling)"
                             : TextOf(box) + (form != " O*" ? " [" + form.substr(1) + "]" : "") +
                                   (off ? " [off screen]" : "")) +
                       (GetWindow(box, GW_OWNER) ? "" : " (unowned)") + ": " + TextOf(text) + "|";
        tree && !test.browseTo_.empty() ? SetTimer(box, 1, 50, Choose)
                                        : PostMessageA(box, WM_COMMAND,
                                                       tree                    ? IDCANCEL
                                                       : GetDlgItem(box, IDNO) ? test.answer_
                                                                               : IDOK,
                                                       0);
    }
    static void CALLBACK Open(HWND open, UINT, UINT_PTR timer, DWORD) {
        KillTimer(open, timer);
        TalvessaTest &test = *running_;
        char folder[MAX_PATH] = "", name[MAX_PATH] = "", type[64];
        SendMessageA(open, CDM_GETFOLDERPATH, MAX_PATH, LPARAM(folder));
        SendMessageA(open, CDM_GETSPEC, MAX_PATH, LPARAM(name));
        test.boxes_ += "Open" + std::string(GetWindow(open, GW_OWNER) ? "" : " (unowned)") + ": " +
                       TextOf(open) + " in " + folder + " with " + name;
        for (int i = 0; SendDlgItemMessageA(open, cmb1, CB_GETLBTEXT, i, LPARAM(type)) > 0; ++i)
            test.boxes_ += std::string(i ? ", " : " (") + type;
        test.boxes_ += ")|";
        SetDlgItemTextA(open, cmb13, test.openFile_.c_str());
        PostMessageA(open, WM_COMMAND, test.openFile_.empty() ? IDCANCEL : IDOK, 0);
    }
    // The browser fills its tree as it goes and may lose a choice sent too early: the choice is
    // sent again until the tree shows it, and then taken.
    static void CALLBACK Choose(HWND browser, UINT, UINT_PTR, DWORD) {
        const std::string &choice = running_->browseTo_;
        char name[MAX_PATH] = "";
        HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
        TVITEMA item{TVIF_TEXT, TreeView_GetSelection(tree), 0, 0, name, MAX_PATH, 0, 0, 0, 0};
        TreeView_GetItem(tree, &item);
        choice.substr(choice.rfind('\\') + 1) == name
            ? (void)PostMessageA(browser, WM_COMMAND, IDOK, 0)
            : (void)SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, LPARAM(choice.c_str()));
    }
    // A menu is recorded as "text id|" an item ("-|" a separator, "text[items]|" a submenu),
    // marked " grey" when greyed and, first of all, "[elsewhere] " when it does not open at
    // menuAt_. It is then closed, or the item with the id menuChoice_ chosen with the keys, as a
    // user would choose it.
    static std::string MenuItems(HMENU menu, std::vector<WPARAM> &keys) {
        std::string items;
        for (int item = 0, reached = 0; item < GetMenuItemCount(menu); ++item) {
            char text[64] = "";
            GetMenuStringA(menu, item, text, sizeof text, MF_BYPOSITION);
            const UINT id = GetMenuItemID(menu, item),
                       state = GetMenuState(menu, item, MF_BYPOSITION);
            const HMENU sub = GetSubMenu(menu, item);
            const bool separator = state & MF_SEPARATOR;
            std::vector<WPARAM> inside;
            items += separator ? "-|"
                               : text + (sub ? "" : " " + std::to_string(id)) +
                                     (state & MF_GRAYED ? " grey" : "") +
                                     (sub ? "[" + MenuItems(sub, inside) + "]|" : "|");
            // The item chosen takes one press of Down more than the items before it, greyed or
            // not; Right opens a submenu at its first item.
            if (!separator && (int(id) == running_->menuChoice_ || !inside.empty())) {
                keys.assign(reached, VK_DOWN);
                keys.push_back(sub ? VK_RIGHT : VK_RETURN);
                keys.insert(keys.end(), inside.begin(), inside.end());
            }
            reached += !separator;
        }
        return items;
    }
    static void CALLBACK ReadMenu(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND window = nullptr; // of the class of a menu's window, and shown: Wine keeps others
        while ((window = FindWindowExA(nullptr, window, "#32768", nullptr)) &&
               !IsWindowVisible(window))
            ;
        HMENU menu = HMENU(SendMessageA(window, MN_GETHMENU, 0, 0));
        if (!window || !menu)
            return;
        KillTimer(nullptr, timer);
        TalvessaTest &test = *running_;
        RECT at;
        GetWindowRect(window, &at);
        std::vector<WPARAM> keys;
        test.menu_ = (at.left == test.menuAt_.x && at.top == test.menuAt_.y ? "" : "[elsewhere] ") +
                     MenuItems(menu, keys);
        keys.insert(keys.begin(), keys.empty() ? VK_ESCAPE : VK_DOWN);
        for (WPARAM key : keys) // each to the menu window open at the time
            PostMessageA(window, WM_KEYDOWN, key, 0);
    }
    // The right-click menu of a list: a right-click at an entry (or below the last, -1), the menu
    // key (-2) or a right-click on the scroll bar level with the top entry shown (-3), which the
    // list passes on to the dialog; chooses the item with the id choice.
    std::string ContextMenu(int listId, int entry, int choice = 0) {
        HWND list = GetDlgItem(dialog_, listId);
        RECT rect;
        Send(listId, LB_GETITEMRECT, entry == -2 ? Send(listId, LB_GETCARETINDEX) : 0,
             LPARAM(&rect));
        const int height = rect.bottom - rect.top;
        RECT client;
        GetClientRect(list, &client);
        const POINT at =
            entry == -2 ? POINT{rect.left, rect.bottom}
            : entry == -3
                ? POINT{client.right + 2,
                        rect.top + height / 2 + height * int(Send(listId, LB_GETTOPINDEX))}
                : POINT{4, rect.top + height / 2 +
                               height * (entry < 0 ? int(Send(listId, LB_GETCOUNT)) : entry)};
        ClientToScreen(list, &(menuAt_ = at));
        menuChoice_ = choice;
        // What an earlier menu left to do first: Wine refuses a menu while the last is not gone.
        for (MSG left; PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageA(&left);
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, ReadMenu);
        if (entry <= -2) { // the list passes a key's or its scroll bar's on to the dialog
            SendMessageA(list, WM_CONTEXTMENU, WPARAM(list),
                         entry == -2 ? MAKELPARAM(-1, -1) : MAKELPARAM(menuAt_.x, menuAt_.y));
        } else { // the list answers the button's release with WM_CONTEXTMENU
            SendMessageA(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
            SendMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        }
        KillTimer(nullptr, timer);
        return std::exchange(menu_, "");
    }

    // Little-endian, as x86 holds it.
    static std::string Number(uint64_t n, int width) { return std::string((char *)&n, width); }

    // A header record as the games write it, of subrecords given as type and data: Morrowind's with
    // 32-bit subrecord sizes and a 16-byte record header, Oblivion's with 16-bit sizes and 20
    // bytes. The record's size is off by the last argument.
    static std::string Header(bool oblivion, const std::vector<std::string> &subrecords,
                              int off = 0) {
        std::string data;
        for (const std::string &subrecord : subrecords)
            data += subrecord.substr(0, 4) +
                    Number(uint32_t(subrecord.size() - 4), oblivion ? 2 : 4) + subrecord.substr(4);
        return (oblivion ? "TES4" : "TES3") + Number(uint32_t(data.size() + off), 4) +
               std::string(oblivion ? 12 : 8, '\0') + data;
    }

    // Creates the files with last-write times one minute apart, in the order given. "A.esp:B.esm:C"
    // is A.esp with a Morrowind header naming the masters B.esm and C; a name alone has no header.
    static void MakeFilesInOrder(const std::string &folder, const std::string &files) {
        int minute = 0;
        for (const std::string &file : Split(files)) {
            const std::vector<std::string> parts = Split(file + ":", ':');
            std::vector<std::string> subrecords{"HEDR" + std::string(300, 'h')};
            for (size_t master = 1; master < parts.size(); ++master) // no DATA: it is not read
                subrecords.push_back("MAST" + parts[master] + '\0');
            WriteBytes(folder + "\\" + parts[0],
                       parts.size() == 1 ? "content of " + parts[0] : Header(false, subrecords));
            TimeOf(folder + "\\" + parts[0], Utc(2010, 1, 1, 12, minute++, 0));
        }
    }

    void Reopen() { // closes the dialog without saving and runs start-up again, its lines unread
        DestroyWindow(dialog_);
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     MainDialogProc, 0);
        ShowWindow(dialog_, SW_SHOW);
        statusSeen_ = Show(IDC_STATUS).size();
    }
    std::string Path(const std::string &name) const { return folder_ + "\\" + name; }
    std::string Boxes() { return std::exchange(boxes_, ""); } // the boxes since the last call
    std::string NewStatus() { // the status lines since the last call
        std::string lines = Show(IDC_STATUS);
        return lines.erase(0, std::exchange(statusSeen_, lines.size()));
    }
    LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageA(dialog_, id, message, wParam, lParam);
    }
    void SetPath(const std::string &path) { SetDlgItemTextA(dialog_, IDC_PATH_EDIT, path.c_str()); }
    std::string PathText() const { return TextOf(GetDlgItem(dialog_, IDC_PATH_EDIT)); }
    void Click(int id) { SendMessageA(dialog_, WM_COMMAND, id, LPARAM(GetDlgItem(dialog_, id))); }
    // Wine's ANSI LB_GETTEXT passes through a buffer of 512 wide characters, and a longer entry
    // overruns it: the entries are read wide and converted.
    std::string Show(int listId) const {
        std::string shown;
        HWND list = GetDlgItem(dialog_, listId);
        for (int i = 0, length; (length = int(SendMessageW(list, LB_GETTEXTLEN, i, 0))) >= 0; ++i) {
            std::vector<wchar_t> text(length + 1);
            std::vector<char> ansi(2 * length + 1);
            SendMessageW(list, LB_GETTEXT, i, LPARAM(text.data()));
            WideCharToMultiByte(CP_ACP, 0, text.data(), -1, ansi.data(), int(ansi.size()), 0, 0);
            shown += ansi.data() + std::string(Send(listId, LB_GETSEL, i) ? "*|" : "|");
        }
        return shown;
    }
    std::string Lists() const { return Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST); }
    void Fill(const std::string &lists) const { // as Lists() shows them
        int id = IDC_PLUGIN_LIST;
        for (int list : {IDC_PLUGIN_LIST, IDC_MASTER_LIST})
            Send(list, LB_RESETCONTENT);
        for (std::string entry : Split(lists)) {
            id = entry[0] == ' ' ? IDC_MASTER_LIST : id; // the blank begins the masters
            const bool selected = entry.back() == '*';
            entry = entry.substr(entry[0] == ' ', entry.size() - (entry[0] == ' ') - selected);
            Send(id, LB_SETSEL, selected, Send(id, LB_ADDSTRING, 0, LPARAM(entry.c_str())));
        }
    }

    inline static TalvessaTest *running_ = nullptr;
    inline static int tests_ = 0;
    std::string folder_, start_, boxes_, browseTo_, menu_, openFile_;
    int answer_ = IDNO;
    POINT menuAt_{};
    int menuChoice_ = 0;
    HWND dialog_ = nullptr;
    HHOOK hook_ = nullptr;
    size_t statusSeen_ = 0; // how much of the status list's text has been read
};
