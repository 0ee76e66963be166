#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Reads the path field afresh. False when the field is empty: there is no data folder path.
bool ReadPathField(HWND dialog, std::string &path);

// The text of one list box entry.
std::string ReadListEntry(HWND list, int index);

// Clears every selection of a list of the dialog. Setting the selection by message sends no
// notification, so this never triggers a selection change of its own.
void ClearListSelection(HWND dialog, int listId);

// One of the two lists, its entries top to bottom as read, and the order to show them in: order[i]
// is the entry shown at place i.
struct ListOrder {
    int listId;
    std::vector<std::string> entries;
    std::vector<size_t> order;
};

// Refills the lists whose order differs from the one shown, each with the same entries selected,
// the caret and the anchor of a Shift+click on the same entries, scrolled as far as before. When a
// list cannot take an entry (it is out of memory), both lists are put back as they were (emptied,
// should even that fail), with a warning, and false is returned: an entry dropped would be an
// entry that "Reorder" misses.
bool ArrangeLists(HWND dialog, const std::vector<ListOrder> &lists);

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
