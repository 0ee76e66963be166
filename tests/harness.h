#pragma once

#include "app/dialog.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Lists in tests are one text: each entry followed by '|', a selected entry of a list box marked
// with '*' before its '|'. "A*|B|" is A, selected, then B.
inline std::vector<std::string> Split(const std::string &entries) {
    std::vector<std::string> split;
    for (size_t at = 0, bar; (bar = entries.find('|', at)) != std::string::npos; at = bar + 1)
        split.push_back(entries.substr(at, bar - at));
    return split;
}

inline std::string TextOf(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
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

inline ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return Ticks(
        {WORD(year), WORD(month), 0, WORD(day), WORD(hour), WORD(minute), WORD(second), WORD(ms)});
}

// The file's last-write time, after setting it to set when that is not 0.
inline ULONGLONG WriteTime(const std::string &path, ULONGLONG set = 0) {
    HANDLE file =
        CreateFileA(path.c_str(), set ? GENERIC_WRITE : FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ULARGE_INTEGER time{{DWORD(set), DWORD(set >> 32)}};
    set ? SetFileTime(file, nullptr, nullptr, reinterpret_cast<FILETIME *>(&time))
        : GetFileTime(file, nullptr, nullptr, reinterpret_cast<FILETIME *>(&time));
    CloseHandle(file);
    return time.QuadPart;
}

// Creates the files with last-write times one minute apart, in the order given.
inline void MakeFilesInOrder(const std::string &folder, const std::string &names) {
    int minute = 0;
    for (const std::string &name : Split(names)) {
        WriteBytes(folder + "\\" + name, "content of " + name);
        WriteTime(folder + "\\" + name, Utc(2010, 1, 1, 12, minute++, 0));
    }
}

// The folder's entries in the platform's order, without "." and "..".
inline std::string ListFolder(const std::string &folder) {
    std::string names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry))
        if (strcmp(entry.cFileName, ".") && strcmp(entry.cFileName, ".."))
            names += entry.cFileName + std::string("|");
    FindClose(find);
    return names;
}

// A file held open as another program would hold it.
inline UniqueFile Hold(const std::string &path, DWORD access, DWORD sharing) {
    return UniqueFile(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

inline void RemoveTree(const std::string &path) { // read-only files too
    for (const std::string &name : Split(ListFolder(path)))
        RemoveTree(path + "\\" + name);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str()) || DeleteFileA(path.c_str());
}

// Every test has a fresh folder, made current and removed afterwards with all it holds, and the
// main dialog from the real template, opened and shown there: start-up finds no settings file.
// Every message box is answered with OK, so that no test waits for a click, and recorded as
// "Caption: text|", marked " (unowned)" when it has no owner window.
class TalvessaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char path[MAX_PATH];
        start_.assign(path, GetCurrentDirectoryA(MAX_PATH, path));
        folder_.assign(path, GetTempPathA(MAX_PATH, path));
        folder_ +=
            "talvessa-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++tests_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
        SetCurrentDirectoryA(folder_.c_str());
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
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Bethesda Softworks"); // the tests' game keys
    }
    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
        // A box is a dialog with the message text's control; each is answered once, the mark
        // going with it.
        HWND box = reinterpret_cast<HWND>(wParam), text = GetDlgItem(box, 0xFFFF);
        if (code == HCBT_ACTIVATE && text && !GetPropA(box, "Seen")) {
            SetPropA(box, "Seen", box);
            running_->boxes_ += TextOf(box) + (GetWindow(box, GW_OWNER) ? "" : " (unowned)") +
                                ": " + TextOf(text) + "|";
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
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
    std::string Show(int listId) const {
        std::string shown;
        char text[MAX_PATH + 1];
        for (int i = 0; Send(listId, LB_GETTEXT, i, LPARAM(text)) >= 0; ++i)
            shown += text + std::string(Send(listId, LB_GETSEL, i) ? "*|" : "|");
        return shown;
    }
    void Fill(int listId, const std::string &entries) const {
        Send(listId, LB_RESETCONTENT);
        for (std::string entry : Split(entries)) {
            bool selected = !entry.empty() && entry.back() == '*';
            entry.resize(entry.size() - selected);
            Send(listId, LB_SETSEL, selected, Send(listId, LB_ADDSTRING, 0, LPARAM(entry.c_str())));
        }
    }

    inline static TalvessaTest *running_ = nullptr;
    inline static int tests_ = 0;
    std::string folder_, start_, boxes_;
    HWND dialog_ = nullptr;
    HHOOK hook_ = nullptr;
    size_t statusSeen_ = 0; // how much of the status list's text has been read
};
