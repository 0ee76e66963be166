#include "editing/moves.h"

#include "ui/controls.h"
#include "ui/status.h"
#include "res/resource.h"

#include <vector>

namespace {

LRESULT SelectedCount(HWND dialog, int listId) {
    return SendDlgItemMessageA(dialog, listId, LB_GETSELCOUNT, 0, 0);
}

// The selected indices in ascending order, as they stood before the move. Empty when the list
// will not give them.
std::vector<int> ReadSelectedIndices(const SelectionList &selection) {
    std::vector<int> indices(static_cast<size_t>(selection.count));
    LRESULT filled = SendMessageA(selection.list, LB_GETSELITEMS, indices.size(),
                                  reinterpret_cast<LPARAM>(indices.data()));
    indices.resize(filled == LB_ERR ? 0 : static_cast<size_t>(filled));
    return indices;
}

int EntryCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
}

} // namespace

bool FindSelectionList(HWND dialog, SelectionList &found) {
    LRESULT count = SelectedCount(dialog, IDC_PLUGIN_LIST);
    int listId = IDC_PLUGIN_LIST;
    // Only when the plug-in list has no selection does the master list get a say.
    if (count == 0) {
        count = SelectedCount(dialog, IDC_MASTER_LIST);
        listId = IDC_MASTER_LIST;
    }
    if (count == LB_ERR) {
        SetStatus(dialog, "Error counting items", 1);
        return false;
    }
    if (count == 0) {
        SetStatus(dialog, "No items selected", 0);
        return false;
    }
    found = SelectionList{GetDlgItem(dialog, listId), static_cast<int>(count)};
    return true;
}

bool MoveListEntry(HWND list, int from, int to) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(from), 0);
    if (length == LB_ERR)
        return false;
    std::vector<char> text(static_cast<size_t>(length) + 1);
    if (SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(from),
                     reinterpret_cast<LPARAM>(text.data())) == LB_ERR)
        return false;
    // The copy goes in before the original comes out, so that a list box out of memory leaves
    // the entry where it was rather than losing it. While the original is still there, a place
    // below it is one further down.
    int insertAt = to > from ? to + 1 : to;
    LRESULT inserted = SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(insertAt),
                                    reinterpret_cast<LPARAM>(text.data()));
    if (inserted == LB_ERR || inserted == LB_ERRSPACE)
        return false;
    int original = to > from ? from : from + 1;
    if (SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(original), 0) == LB_ERR) {
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(inserted), 0);
        return false;
    }
    SendMessageA(list, LB_SETSEL, TRUE, to);
    return true;
}

// The frame of every move: the list with the selection, its selected indices as they stood
// before the move, and one redraw at the end. A move that fails half-way stops there: the later
// indices assume the earlier moves were made. An allocation failure stops it the same way,
// unwinding to the dialog procedure; each entry is read before the list changes, so the list is
// whole either way.
namespace {

template <typename Move> void MoveSelection(HWND dialog, Move move) {
    SelectionList selection;
    if (!FindSelectionList(dialog, selection))
        return;
    std::vector<int> selected = ReadSelectedIndices(selection);
    RedrawSuspended quiet(selection.list);
    move(selection.list, selected);
}

} // namespace

void OnMoveToTop(HWND dialog) {
    MoveSelection(dialog, [](HWND list, const std::vector<int> &selected) {
        // Ascending indices moved to ascending targets: every entry still to come lies below the
        // targets already filled, so its index has not shifted.
        int target = 0;
        for (int index : selected)
            if (!MoveListEntry(list, index, target++))
                return;
    });
}

void OnMoveToBottom(HWND dialog) {
    MoveSelection(dialog, [](HWND list, const std::vector<int> &selected) {
        int target = EntryCount(list) - 1;
        for (auto index = selected.rbegin(); index != selected.rend(); ++index)
            if (!MoveListEntry(list, *index, target--))
                return;
    });
}

void OnMoveUp(HWND dialog) {
    MoveSelection(dialog, [](HWND list, const std::vector<int> &selected) {
        // Entries at or above the floor form a selected block touching the top: there is nowhere
        // for them to go, and swapping one with a selected neighbour would only reorder the
        // selection.
        int floor = 0;
        for (int index : selected) {
            if (index <= floor)
                ++floor;
            else if (!MoveListEntry(list, index, index - 1))
                return;
        }
    });
}

void OnMoveDown(HWND dialog) {
    MoveSelection(dialog, [](HWND list, const std::vector<int> &selected) {
        // The mirror of the floor in OnMoveUp: a selected block touching the bottom stays.
        int ceiling = EntryCount(list) - 1;
        for (auto index = selected.rbegin(); index != selected.rend(); ++index) {
            if (*index >= ceiling)
                --ceiling;
            else if (!MoveListEntry(list, *index, *index + 1))
                return;
        }
    });
}
