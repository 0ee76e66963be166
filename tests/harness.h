#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// One message box as the user would have seen it.
struct MessageBoxRecord {
    std::string caption;
    std::string text;
    std::vector<int> buttons; // ids of the visible push buttons
    bool hasIcon = false;
    HWND owner = nullptr;

    // A plain MB_OK box: one OK button and no icon.
    bool IsPlainOk() const { return buttons == std::vector<int>{IDOK} && !hasIcon; }
};

// Records every message box this thread shows and answers it with OK, so that no test waits
// for a click. Other dialogs that come up (the shell's folder browser) go to onOtherDialog.
class MessageBoxRecorder {
  public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    const std::vector<MessageBoxRecord> &Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }

    std::function<void(HWND)> onOtherDialog;

  private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    void OnActivate(HWND window);

    HHOOK hook_ = nullptr;
    std::vector<HWND> seen_;
    std::vector<MessageBoxRecord> boxes_;
};

// A fresh, empty folder per test under the temporary folder, removed afterwards with whatever
// it holds (read-only files included). The process's current directory is restored too, since
// the code under test changes it.
class FolderTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string &name) const { return folder_ + "\\" + name; }

    std::string folder_;
    std::string savedDirectory_;
};

SYSTEMTIME Utc(int year, int month, int day, int hour, int minute, int second,
               int milliseconds = 0);
FILETIME ToFileTime(const SYSTEMTIME &utc);

void WriteBytes(const std::string &path, const std::string &bytes);
std::string ReadBytes(const std::string &path);
void SetWriteTime(const std::string &path, const SYSTEMTIME &utc);
FILETIME GetWriteTime(const std::string &path);

// Creates the files with last-write times one minute apart in the order given.
void MakeFilesInOrder(const std::string &folder, const std::vector<std::string> &names);

// The folder's entries in the platform's listing order.
std::vector<std::string> ListFolder(const std::string &folder);

void RemoveTree(const std::string &path);

// The main dialog from the real template, modeless, destroyed at the end of the scope.
class TestDialog {
  public:
    TestDialog();
    ~TestDialog();
    TestDialog(const TestDialog &) = delete;
    TestDialog &operator=(const TestDialog &) = delete;

    HWND Get() const { return dialog_; }

    void SetPath(const std::string &text) const;
    std::string PathText() const;
    void Click(int id) const;
    std::vector<std::string> Entries(int listId) const;
    std::vector<int> Selected(int listId) const;
    void Select(int listId, const std::vector<int> &indices) const;

  private:
    HWND dialog_ = nullptr;
};

using Names = std::vector<std::string>;

// The main dialog opened, and shown, in a fresh test folder made current: start-up reads its
// settings from there and finds none. What start-up reported in boxes is forgotten.
class MainDialogTest : public FolderTest {
  protected:
    void SetUp() override;

    // Replaces a list's entries, as a scan would have filled it.
    void Fill(int listId, const Names &entries) const;
    // The status lines added after the first count of them.
    Names StatusSince(size_t count) const;

    MessageBoxRecorder boxes_;
    std::optional<TestDialog> dialog_;
};

// Dispatches the thread's pending messages through the dialog manager, as a message loop would.
void PumpMessages(HWND dialog);
