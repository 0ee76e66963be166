#pragma once

#include "res/resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

// Lists in tests are one text: each entry followed by '|', a selected entry of a list box marked
// with '*' before its '|'. "A*|B|" is A, selected, then B.
std::vector<std::string> Split(const std::string &entries);

// Every test has a fresh folder, made current and removed afterwards with all it holds, and the
// main dialog from the real template, opened and shown there: start-up finds no settings file.
// Every message box is answered with OK, so that no test waits for a click, and recorded as
// "Caption: text|", marked " (unowned)" when it has no owner window. Other dialogs go to
// onOtherDialog_.
class TalvessaTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    void Reopen(); // closes the dialog without saving and runs start-up again, its lines unread
    std::string Path(const std::string &name) const { return folder_ + "\\" + name; }
    std::string Boxes() { return std::exchange(boxes_, ""); } // the boxes since the last call
    std::string NewStatus(); // the status lines since the last call

    LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageA(dialog_, id, message, wParam, lParam);
    }
    void SetPath(const std::string &path) { SetDlgItemTextA(dialog_, IDC_PATH_EDIT, path.c_str()); }
    std::string PathText() const;
    void Click(int id) { SendMessageA(dialog_, WM_COMMAND, id, LPARAM(GetDlgItem(dialog_, id))); }
    std::string Show(int listId) const;
    void Fill(int listId, const std::string &entries) const;

    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam);
    std::string folder_, start_, boxes_;
    std::function<void(HWND)> onOtherDialog_;
    HWND dialog_ = nullptr;
    HHOOK hook_ = nullptr;
    size_t statusSeen_ = 0; // how much of the status list's text has been read
};

inline void WriteBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
std::string ReadBytes(const std::string &path); // "<missing>" when it cannot be read
ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second, int ms = 0);
ULONGLONG Ticks(SYSTEMTIME time);
// The file's last-write time, after setting it to set when that is not 0.
ULONGLONG WriteTime(const std::string &path, ULONGLONG set = 0);
// Creates the files with last-write times one minute apart, in the order given.
void MakeFilesInOrder(const std::string &folder, const std::string &names);
std::string ListFolder(const std::string &folder); // in the platform's order, without "." and ".."
void RemoveTree(const std::string &path);          // read-only files too
