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

LRESULT CALLBACK TalvessaTest::Record(int code, WPARAM wParam, LPARAM lParam) {
    HWND box = reinterpret_cast<HWND>(wParam), text = GetDlgItem(box, 0xFFFF);
    char type[16] = "";
    GetClassNameA(box, type, sizeof type);
    // Each window once: the mark goes with it.
    if (code == HCBT_ACTIVATE && !strcmp(type, "#32770") && !GetPropA(box, "Seen")) {
        SetPropA(box, "Seen", box);
        if (text) {
            running->boxes_ += TextOf(box) + (GetWindow(box, GW_OWNER) ? "" : " (unowned)") + ": " +
                               TextOf(text) + "|";
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
    statusSeen_ = Show(IDC_STATUS).size();
}

std::string TalvessaTest::NewStatus() {
    std::string lines = Show(IDC_STATUS);
    return lines.erase(0, std::exchange(statusSeen_, lines.size()));
}

std::string TalvessaTest::PathText() const {
    return TextOf(GetDlgItem(dialog_, IDC_PATH_EDIT));
}

std::string TalvessaTest::Show(int listId) const {
    std::string shown;
    char text[MAX_PATH + 1];
    for (int i = 0; Send(listId, LB_GETTEXT, i, LPARAM(text)) >= 0; ++i)
        shown += text + std::string(Send(listId, LB_GETSEL, i) ? "*|" : "|");
    return shown;
}

void TalvessaTest::Fill(int listId, const std::string &entries) const {
    Send(listId, LB_RESETCONTENT);
    for (std::string entry : Split(entries)) {
        bool selected = !entry.empty() && entry.back() == '*';
        entry.resize(entry.size() - selected);
        Send(listId, LB_SETSEL, selected, Send(listId, LB_ADDSTRING, 0, LPARAM(entry.c_str())));
    }
}

std::string ReadBytes(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return file ? bytes.str() : "<missing>";
}

ULONGLONG Ticks(SYSTEMTIME time) {
    ULARGE_INTEGER ticks{};
    SystemTimeToFileTime(&time, reinterpret_cast<FILETIME *>(&ticks));
    return ticks.QuadPart;
}

ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second, int ms) {
    return Ticks(
        {WORD(year), WORD(month), 0, WORD(day), WORD(hour), WORD(minute), WORD(second), WORD(ms)});
}

ULONGLONG WriteTime(const std::string &path, ULONGLONG set) {
    HANDLE file =
        CreateFileA(path.c_str(), set ? GENERIC_WRITE : FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ULARGE_INTEGER time{{DWORD(set), DWORD(set >> 32)}};
    set ? SetFileTime(file, nullptr, nullptr, reinterpret_cast<FILETIME *>(&time))
        : GetFileTime(file, nullptr, nullptr, reinterpret_cast<FILETIME *>(&time));
    CloseHandle(file);
    return time.QuadPart;
}

void MakeFilesInOrder(const std::string &folder, const std::string &names) {
    int minute = 0;
    for (const std::string &name : Split(names)) {
        WriteBytes(folder + "\\" + name, "content of " + name);
        WriteTime(folder + "\\" + name, Utc(2010, 1, 1, 12, minute++, 0));
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
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str()) || DeleteFileA(path.c_str());
}
