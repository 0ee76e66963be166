#include "app/menu.h"

#include "catalogue/scan.h"
#include "editing/backup.h"
#include "ui/controls.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct MenuItem {
    int id;
    const char *text;
};

// The moves, as their buttons stand and with their captions: each sends its button's command.
constexpr MenuItem kMoves[] = {{IDC_MOVE_TOP, "Move to Top"},
                               {IDC_MOVE_UP, "Move Up"},
                               {IDC_MOVE_DOWN, "Move Down"},
                               {IDC_MOVE_BOTTOM, "Move to Bottom"}};

bool HasSelection(HWND dialog) {
    return SendDlgItemMessageA(dialog, IDC_PLUGIN_LIST, LB_GETSELCOUNT, 0, 0) > 0 ||
           SendDlgItemMessageA(dialog, IDC_MASTER_LIST, LB_GETSELCOUNT, 0, 0) > 0;
}

// The entry under a point of the list's client area, or -1 where there is none: counted from the
// top entry and checked against the entry's rectangle, as LB_ITEMFROMPOINT gives the index in 16
// bits, which cannot count beyond entry 65,535.
int FindEntryAt(HWND list, POINT point) {
    const LRESULT height = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
    if (height <= 0 || point.y < 0)
        return -1;
    const LRESULT index = SendMessageA(list, LB_GETTOPINDEX, 0, 0) + point.y / height;
    RECT entry;
    return index < SendMessageA(list, LB_GETCOUNT, 0, 0) &&
                   SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&entry)) !=
                       LB_ERR &&
                   PtInRect(&entry, point)
               ? static_cast<int>(index)
               : -1;
}

// A right-click gives the list the focus, and on an entry that is not selected selects it alone,
// as a left click does, and so clears the other list's selection. On a selected entry, or where
// there is none, the selection stays.
void SelectClickedEntry(HWND dialog, HWND list, POINT point) {
    SetFocus(list);
    ScreenToClient(list, &point);
    const int index = FindEntryAt(list, point);
    if (index < 0 || SendMessageA(list, LB_GETSEL, index, 0) > 0)
        return;
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    SendMessageA(list, LB_SETSEL, TRUE, index);
    SendMessageA(list, LB_SETANCHORINDEX, index, 0);
    SendMessageA(list, LB_SETCARETINDEX, index, FALSE);
    ClearListSelection(dialog,
                       GetDlgCtrlID(list) == IDC_PLUGIN_LIST ? IDC_MASTER_LIST : IDC_PLUGIN_LIST);
}

// From the keyboard the menu opens below the focused entry, kept within the list.
POINT FocusedEntryCorner(HWND list) {
    RECT entry{}, inside;
    GetClientRect(list, &inside);
    const LRESULT caret = SendMessageA(list, LB_GETCARETINDEX, 0, 0);
    if (SendMessageA(list, LB_GETITEMRECT, caret, reinterpret_cast<LPARAM>(&entry)) == LB_ERR)
        entry = RECT{};
    POINT corner{entry.left, std::clamp(entry.bottom, inside.top, inside.bottom)};
    ClientToScreen(list, &corner);
    return corner;
}

// The saved orders of the data folder in the path field, newest first, as "2026-12-07 15:04:03
// (312 files)"; greyed when there is none.
void AppendRestoreMenu(HWND dialog, HMENU menu) {
    std::string folder;
    std::vector<Backup> backups;
    if (ReadPathField(dialog, folder))
        backups = FindBackups(ResolveFolder(folder.c_str()), false);
    UniqueMenu saved(CreatePopupMenu());
    for (size_t index = 0; index < backups.size(); ++index) {
        const size_t files = backups[index].count;
        const std::string label = backups[index].taken + " (" + std::to_string(files) +
                                  (files == 1 ? " file)" : " files)");
        AppendMenuA(saved.Get(), MF_STRING, IDM_RESTORE_ORDER + index, label.c_str());
    }
    // The menu destroys the submenu with itself.
    AppendMenuA(menu, MF_POPUP | (backups.empty() ? MF_GRAYED : MF_ENABLED),
                reinterpret_cast<UINT_PTR>(saved.Release()), "Restore Order");
}

} // namespace

bool OnContextMenu(HWND dialog, HWND window, LPARAM where) {
    const int id = GetDlgCtrlID(window);
    if (id != IDC_PLUGIN_LIST && id != IDC_MASTER_LIST)
        return false;
    POINT point{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (point.x == -1 && point.y == -1)
        point = FocusedEntryCorner(window);
    else
        SelectClickedEntry(dialog, window, point);
    UniqueMenu menu(CreatePopupMenu());
    const UINT moves = HasSelection(dialog) ? MF_STRING : MF_STRING | MF_GRAYED;
    for (const MenuItem &item : kMoves)
        AppendMenuA(menu.Get(), moves, item.id, item.text);
    AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.Get(), MF_STRING, IDM_SORT_BY_MASTERS, "Sort by Masters");
    AppendMenuA(menu.Get(), MF_STRING, IDM_APPLY_ORDER_LIST, "Apply Order from List...");
    AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendRestoreMenu(dialog, menu.Get());
    // The choice is carried out at once, as if its button had been pressed.
    const UINT command = TrackPopupMenu(menu.Get(), TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x,
                                        point.y, 0, dialog, nullptr);
    if (command)
        SendMessageA(dialog, WM_COMMAND, command, 0);
    return true;
}
