#include "tests/harness.h"

#include "app/dialog.h"
#include "res/resource.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

BoxRecorder *recorder = nullptr;
int folders = 0;

std::string TextOf(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A box is not shown yet when it activates: its controls' own visible bits tell what it shows.
BOOL CALLBACK CountExtras(HWND child, LPARAM extras) {
    char type[16] = "";
    GetClassNameA(child, type, sizeof type);
    bool button = _stricmp(type, "Button") == 0 && GetDlgCtrlID(child) != IDOK;
    bool icon = _stricmp(type, "Static") == 0 && SendMessageA(child, STM_GETICON, 0, 0);
    *reinterpret_cast<int *>(extras) +=
        (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) && (button || icon);
    return TRUE;
}

LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
    HWND box = reinterpret_cast<HWND>(wParam), text = GetDlgItem(box, 0xFFFF);
    char type[16] = "";
    GetClassNameA(box, type, sizeof type);
    // Each window once: the mark goes with it.
    if (code == HCBT_ACTIVATE && recorder && !strcmp(type, "#32770") && !GetPropA(box, "Seen")) {
        SetPropA(box, "Seen", box);
        int extras = 0;
        EnumChildWindows(box, CountExtras, reinterpret_cast<LPARAM>(&extras));
        if (text) {
            recorder->seen += TextOf(box) + (GetWindow(box, GW_OWNER) ? "" : " (unowned)") +
                              (extras ? " (not OK)" : "") + ": " + TextOf(text) + "|";
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        } else if (recorder->onOtherDialog) {
            recorder->onOtherDialog(box);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

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

BoxRecorder::BoxRecorder()
    : hook(SetWindowsHookExA(WH_CBT, Record, nullptr, GetCurrentThreadId())) {
    recorder = this;
}

BoxRecorder::~BoxRecorder() {
    UnhookWindowsHookEx(hook);
    recorder = nullptr;
}

std::string BoxRecorder::Take() {
    return std::exchange(seen, "");
}

void TalvessaTest::SetUp() {
    char path[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, path);
    start_ = path;
    GetTempPathA(MAX_PATH, path);
    folder_ = std::string(path) + "talvessa-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++folders);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    SetCurrentDirectoryA(folder_.c_str());
    Reopen();
    boxes_.Take();
}

void TalvessaTest::TearDown() {
    DestroyWindow(dialog_);
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

void TalvessaTest::SetPath(const std::string &path) const {
    SetDlgItemTextA(dialog_, IDC_PATH_EDIT, path.c_str());
}

std::string TalvessaTest::PathText() const {
    return TextOf(GetDlgItem(dialog_, IDC_PATH_EDIT));
}

void TalvessaTest::Click(int id) const {
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog_, id)));
}

std::string TalvessaTest::Show(int listId) const {
    std::string shown;
    for (int i = 0; i < SendDlgItemMessageA(dialog_, listId, LB_GETCOUNT, 0, 0); ++i) {
        char text[MAX_PATH + 1] = "";
        SendDlgItemMessageA(dialog_, listId, LB_GETTEXT, i, LPARAM(text));
        shown += text + std::string(
                            SendDlgItemMessageA(dialog_, listId, LB_GETSEL, i, 0) > 0 ? "*|" : "|");
    }
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

std::string TalvessaTest::NewStatus() {
    std::vector<std::string> lines = Split(Show(IDC_STATUS));
    lines.erase(lines.begin(), lines.begin() + std::min(statusSeen_, lines.size()));
    statusSeen_ += lines.size();
    return Join(lines);
}

void WriteBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
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

void RemoveTree(const std::string &path) {
    for (const std::string &name : Split(ListFolder(path)))
        RemoveTree(path + "\\" + name);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); // read-only files too
    RemoveDirectoryA(path.c_str()) || DeleteFileA(path.c_str());
}

std::string ExecutableFolder() {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    return std::string(module, strrchr(module, '\\'));
}
