#include "tests/harness.h"

#include "app/dialog.h"

#include <cstring>
#include <sstream>

static TalvessaTest *running = nullptr;

static std::string TextOf(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A box is not shown yet when it activates: its controls' own visible bits tell what it shows.
static BOOL CALLBACK CountExtras(HWND child, LPARAM extras) {
    char type[16] = "";
    GetClassNameA(child, type, sizeof type);
    bool shown = GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE;
    *reinterpret_cast<int *>(extras) +=
        shown && (_stricmp(type, "Button") ? SendMessageA(child, STM_GETICON, 0, 0) != 0
                                           : GetDlgCtrlID(child) != IDOK);
    return TRUE;
}

LRESULT CALLBACK TalvessaTest::Record(int code, WPARAM wParam, LPARAM lParam) {
    HWND box = reinterpret_cast<HWND>(wParam), text = GetDlgItem(box, 0xFFFF);
    char type[16] = "";
    GetClassNameA(box, type, sizeof type);
    // Each window once: the mark goes with it.
    if (code == HCBT_ACTIVATE && !strcmp(type, "#32770") && !GetPropA(box, "Seen")) {
        SetPropA(box, "Seen", box);
        int extras = 0;
        EnumChildWindows(box, CountExtras, reinterpret_cast<LPARAM>(&extras));
        if (text) {
            running->boxes_ += TextOf(box) + (GetWindow(box, GW_OWNER) ? "" : " (unowned)") +
                               (extras ? " (not OK)" : "") + ": " + TextOf(text) + "|";
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        } else if (running->onOtherDialog_) {
            running->onOtherDialog_(box);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<std::string> Split(const std::string &entries) {
    std::vector<std::string> split;
    for (size_t at = 0, bar; (bar = entries.find('|', at)) != std::string::npos; at = bar + 1)
        split.push_back(entries.substr(at, bar - at));
    return split;
}

std::string Join(const std::vector<std::string> &entries) {
    std::string joined;
    for (const std::string &entry : entries)
        joined += entry + "|";
    return joined;
}

void TalvessaTest::SetUp() {
    static int tests = 0;
    char path[MAX_PATH];
    start_.assign(path, GetCurrentDirectoryA(MAX_PATH, path));
    folder_.assign(path, GetTempPathA(MAX_PATH, path));
    folder_ += "talvessa-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++tests);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    SetCurrentDirectoryA(folder_.c_str());
    running = this;
    hook_ = SetWindowsHookExA(WH_CBT, Record, nullptr, GetCurrentThreadId());
    Reopen();
    Boxes();
}

void RemoveTree(const std::string &path) {
    for (const std::string &name : Split(ListFolder(path)))
        RemoveTree(path + "\\" + name);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str()) || DeleteFileA(path.c_str());
}

void TalvessaTest::TearDown() {
    DestroyWindow(dialog_);
    UnhookWindowsHookEx(hook_);
    SetCurrentDirectoryA(start_.c_str());
    RemoveTree(folder_);
}

void TalvessaTest::Reopen() {
    DestroyWindow(dialog_);
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                 MainDialogProc, 0);
    ShowWindow(dialog_, SW_SHOW);
    statusSeen_ = 0;
    NewStatus();
}

std::string TalvessaTest::NewStatus() {
    std::string lines = Show(IDC_STATUS);
    std::vector<std::string> all = Split(lines);
    lines =
        Join(std::vector<std::string>(all.begin() + std::min(statusSeen_, all.size()), all.end()));
    statusSeen_ = all.size();
    return lines;
}

std::string TalvessaTest::PathText() const {
    return TextOf(GetDlgItem(dialog_, IDC_PATH_EDIT));
}

std::string TalvessaTest::Show(int listId) const {
    std::string shown;
    char text[MAX_PATH + 1];
    for (int i = 0; SendDlgItemMessageA(dialog_, listId, LB_GETTEXT, i, LPARAM(text)) >= 0; ++i)
        shown +=
            text + std::string(SendDlgItemMessageA(dialog_, listId, LB_GETSEL, i, 0) ? "*|" : "|");
    return shown;
}

void TalvessaTest::Fill(int listId, const std::string &entries) const {
    SendDlgItemMessageA(dialog_, listId, LB_RESETCONTENT, 0, 0);
    for (std::string entry : Split(entries)) {
        bool selected = !entry.empty() && entry.back() == '*';
        entry.resize(entry.size() - selected);
        int at = SendDlgItemMessageA(dialog_, listId, LB_ADDSTRING, 0, LPARAM(entry.c_str()));
        SendDlgItemMessageA(dialog_, listId, LB_SETSEL, selected, at);
    }
}

std::string ReadBytes(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return file ? bytes.str() : "<missing>";
}

ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second, int ms) {
    SYSTEMTIME time{WORD(year),   WORD(month),  0,       WORD(day), WORD(hour),
                    WORD(minute), WORD(second), WORD(ms)};
    ULARGE_INTEGER ticks{};
    SystemTimeToFileTime(&time, reinterpret_cast<FILETIME *>(&ticks));
    return ticks.QuadPart;
}

void SetWriteTime(const std::string &path, ULONGLONG utc) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, reinterpret_cast<FILETIME *>(&utc))) << path;
    CloseHandle(file);
}

ULONGLONG WriteTime(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return ULARGE_INTEGER{{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime}}
        .QuadPart;
}

void MakeFilesInOrder(const std::string &folder, const std::string &names) {
    int minute = 0;
    for (const std::string &name : Split(names)) {
        WriteBytes(folder + "\\" + name, "content of " + name);
        SetWriteTime(folder + "\\" + name, Utc(2010, 1, 1, 12, minute++, 0));
    }
}

std::string ListFolder(const std::string &folder) {
    std::string names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry))
        if (strcmp(entry.cFileName, ".") && strcmp(entry.cFileName, ".."))
            names += entry.cFileName + std::string("|");
    FindClose(find);
    return names;
}
