#include "app/dialog.h"

#include "app/menu.h"
#include "catalogue/lists.h"
#include "config/browse.h"
#include "config/settings.h"
#include "editing/apply.h"
#include "editing/backup.h"
#include "editing/export.h"
#include "editing/moves.h"
#include "editing/reorder.h"
#include "editing/restore.h"
#include "editing/sort.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "res/resource.h"

#include <new>

namespace {

void OnSelectionChange(HWND dialog, int listId, int notification) {
    if (notification != LBN_SELCHANGE)
        return;
    switch (listId) {
    case IDC_PLUGIN_LIST: ClearListSelection(dialog, IDC_MASTER_LIST); break;
    case IDC_MASTER_LIST: ClearListSelection(dialog, IDC_PLUGIN_LIST); break;
    case IDC_STATUS: ClearListSelection(dialog, IDC_STATUS); break;
    }
}

void OnInitDialog(HWND dialog) {
    LoadDataFolderPath(dialog);
    LoadPluginLists(dialog);
}

void OnClose(HWND dialog) {
    // The dialog ends whatever the save did, even when it ran out of memory.
    try {
        SaveDataFolderPath(dialog);
    } catch (...) {
    }
    EndDialog(dialog, 0);
}

} // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    // Nothing may be thrown across the dialog manager: a failed command leaves the dialog alive.
    try {
        switch (message) {
        case WM_INITDIALOG: OnInitDialog(dialog); return TRUE;
        case WM_CLOSE: OnClose(dialog); return TRUE;
        case WM_CONTEXTMENU: return OnContextMenu(dialog, reinterpret_cast<HWND>(wParam), lParam);
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDC_PLUGIN_LIST:
            case IDC_MASTER_LIST:
            case IDC_STATUS: OnSelectionChange(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
            case IDC_RELOAD: LoadPluginLists(dialog); return TRUE;
            case IDC_BROWSE: OnBrowse(dialog); return TRUE;
            case IDC_MOVE_TOP: OnMoveToTop(dialog); return TRUE;
            case IDC_MOVE_UP: OnMoveUp(dialog); return TRUE;
            case IDC_MOVE_DOWN: OnMoveDown(dialog); return TRUE;
            case IDC_MOVE_BOTTOM: OnMoveToBottom(dialog); return TRUE;
            case IDC_REORDER: OnReorder(dialog); return TRUE;
            case IDC_EXPORT: OnExportLoadOrder(dialog); return TRUE;
            case IDM_SORT_BY_MASTERS: OnSortByMasters(dialog); return TRUE;
            case IDM_APPLY_ORDER_LIST: OnApplyOrderList(dialog); return TRUE;
            }
            if (LOWORD(wParam) >= IDM_RESTORE_ORDER &&
                LOWORD(wParam) < IDM_RESTORE_ORDER + kKeptBackups)
                OnRestoreOrder(dialog, LOWORD(wParam) - IDM_RESTORE_ORDER);
            return TRUE; // every other command, Escape and Enter included, does nothing
        }
    } catch (const std::bad_alloc &) {
        // The command stopped where it ran out; the line and its box may find no memory either.
        SetStatus(dialog, "Not enough memory to finish; nothing more was changed", 1);
        return TRUE;
    } catch (...) {
        return TRUE;
    }
    return FALSE;
}
