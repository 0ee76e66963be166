#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Lists in tests are written as one text: each entry followed by '|', a selected entry of a list
// box marked with '*' before its '|'. "A*|B|" is A, selected, then B.
std::vector<std::string> Split(const std::string &entries);
std::string Join(const std::vector<std::string> &entries);

// Answers every message box this thread shows with OK, so that no test waits for a click, and
// records it as "Caption: text|", marked " (unowned)" when it has no owner window and " (not OK)"
// when it shows more than an OK button, or an icon. Other dialogs go to onOtherDialog.
struct BoxRecorder {
    BoxRecorder();
    ~BoxRecorder();
    std::string Take(); // the boxes since the last call

    std::function<void(HWND)> onOtherDialog;
    std::string seen;
    HHOOK hook;
};

// Every test has a fresh folder, made current and removed afterwards with all it holds, and the
// main dialog from the real template, opened and shown there: start-up finds no settings file.
// What start-up reported is forgotten: its status lines always, its boxes when the test starts.
class TalvessaTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    void Reopen(); // closes the dialog without saving and runs start-up again
    std::string Path(const std::string &name) const { return folder_ + "\\" + name; }

    void SetPath(const std::string &path) const;
    std::string PathText() const;
    void Click(int id) const;
    std::string Show(int listId) const;
    void Fill(int listId, const std::string &entries) const;
    std::string NewStatus(); // the status lines since the last call

    std::string folder_, start_;
    HWND dialog_ = nullptr;
    BoxRecorder boxes_;
    size_t statusSeen_ = 0;
};

void WriteBytes(const std::string &path, const std::string &bytes);
std::string ReadBytes(const std::string &path); // "<missing>" when it cannot be read
ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second, int ms = 0);
void SetWriteTime(const std::string &path, ULONGLONG utc);
ULONGLONG WriteTime(const std::string &path);
// Creates the files with last-write times one minute apart, in the order given.
void MakeFilesInOrder(const std::string &folder, const std::string &names);
std::string ListFolder(const std::string &folder); // in the platform's order, without "." and ".."
void RemoveTree(const std::string &path);
std::string ExecutableFolder();
