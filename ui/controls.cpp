#include "ui/controls.h"

#include "ui/status.h"
#include "res/resource.h"

#include <algorithm>
#include <numeric>

bool ReadPathField(HWND dialog, std::string &path) {
    int length = GetWindowTextLengthA(GetDlgItem(dialog, IDC_PATH_EDIT));
    if (length <= 0)
        return false;
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    GetDlgItemTextA(dialog, IDC_PATH_EDIT, buffer.data(), length + 1);
    path = buffer.data();
    return true;
}

std::string ReadListEntry(HWND list, int index) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == LB_ERR ? 0 : std::min(static_cast<size_t>(got), text.size() - 1));
    return text;
}

void ClearListSelection(HWND dialog, int listId) {
    SendDlgItemMessageA(dialog, listId, LB_SETSEL, FALSE, -1);
}

namespace {

// What a list shows besides its entries, by the entries' places before an arrangement.
struct ListView {
    std::vector<bool> selected;
    LRESULT caret, anchor, top;
};

ListView ReadListView(HWND list, size_t count) {
    ListView view{std::vector<bool>(count), SendMessageA(list, LB_GETCARETINDEX, 0, 0),
                  SendMessageA(list, LB_GETANCHORINDEX, 0, 0),
                  SendMessageA(list, LB_GETTOPINDEX, 0, 0)};
    // One message for all: thousands of entries asked one by one cost as much as the arrangement.
    std::vector<int> selected(
        static_cast<size_t>(std::max<LRESULT>(SendMessageA(list, LB_GETSELCOUNT, 0, 0), 0)));
    const LRESULT got = SendMessageA(list, LB_GETSELITEMS, selected.size(),
                                     reinterpret_cast<LPARAM>(selected.data()));
    for (LRESULT index = 0; index < got; ++index)
        if (static_cast<size_t>(selected[index]) < count)
            view.selected[static_cast<size_t>(selected[index])] = true;
    return view;
}

bool FillList(HWND list, const std::vector<std::string> &entries, const std::vector<size_t> &order,
              const ListView &view) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    size_t caret = 0, anchor = 0;
    for (size_t place = 0; place < order.size(); ++place) {
        const size_t entry = order[place];
        if (SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries[entry].c_str())) <
            0)
            return false;
        // Selecting moves the caret and the anchor: they are set once all are selected.
        if (view.selected[entry])
            SendMessageA(list, LB_SETSEL, TRUE, place);
        caret = static_cast<LRESULT>(entry) == view.caret ? place : caret;
        anchor = static_cast<LRESULT>(entry) == view.anchor ? place : anchor;
    }
    SendMessageA(list, LB_SETANCHORINDEX, anchor, 0);
    SendMessageA(list, LB_SETCARETINDEX, caret, FALSE);
    SendMessageA(list, LB_SETTOPINDEX, view.top, 0);
    return true;
}

bool IsInOrder(const std::vector<size_t> &order) {
    for (size_t place = 0; place < order.size(); ++place)
        if (order[place] != place)
            return false;
    return true;
}

} // namespace

bool ArrangeLists(HWND dialog, const std::vector<ListOrder> &lists) {
    // Everything the way back needs is had before the first list is emptied: running out of
    // memory half-way must not cost an entry.
    std::vector<ListView> views;
    std::vector<std::vector<size_t>> asBefore;
    for (const ListOrder &list : lists) {
        views.push_back(ReadListView(GetDlgItem(dialog, list.listId), list.entries.size()));
        asBefore.emplace_back(list.entries.size());
        std::iota(asBefore.back().begin(), asBefore.back().end(), size_t{0});
    }
    for (size_t done = 0; done < lists.size(); ++done) {
        HWND list = GetDlgItem(dialog, lists[done].listId);
        if (IsInOrder(lists[done].order))
            continue;
        RedrawSuspended quiet(list);
        if (FillList(list, lists[done].entries, lists[done].order, views[done]))
            continue;
        // The lists arranged so far, and this one, take their entries back as they were: the
        // memory they took before was freed with them, so they most likely fit again. Where even
        // that fails, both are emptied, as a list population that cannot fill them leaves them.
        bool whole = true;
        for (size_t back = 0; back <= done; ++back) {
            HWND other = GetDlgItem(dialog, lists[back].listId);
            RedrawSuspended quietOther(other);
            whole = (IsInOrder(lists[back].order) ||
                     FillList(other, lists[back].entries, asBefore[back], views[back])) &&
                    whole;
        }
        for (size_t back = 0; !whole && back < lists.size(); ++back)
            SendDlgItemMessageA(dialog, lists[back].listId, LB_RESETCONTENT, 0, 0);
        SetStatus(dialog, "Cannot arrange the lists: not enough memory", 1);
        return false;
    }
    return true;
}
