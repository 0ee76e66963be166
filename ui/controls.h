#pragma once

#include <windows.h>

#include <string>

// Reads the path field afresh. False when the field is empty: there is no data folder path.
bool ReadPathField(HWND dialog, std::string &path);

// The text of one list box entry.
std::string ReadListEntry(HWND list, int index);

// Clears every selection of a list of the dialog. Setting the selection by message sends no
// notification, so this never triggers a selection change of its own.
void ClearListSelection(HWND dialog, int listId);

// Turns a window's drawing off for the life of the owner, then redraws it once: thousands of list
// entries added or moved draw far faster once than once each.
class RedrawSuspended {
  public:
    explicit RedrawSuspended(HWND window) : window_(window) {
        SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawSuspended() {
        SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawSuspended(const RedrawSuspended &) = delete;
    RedrawSuspended &operator=(const RedrawSuspended &) = delete;

  private:
    HWND window_;
};
