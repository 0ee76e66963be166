#include "editing/sort.h"

#include "catalogue/lists.h"
#include "catalogue/masters.h"
#include "catalogue/scan.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <string>
#include <vector>

namespace {

// Fills a list anew in the given order, with the same entries selected, the caret and the anchor
// of a Shift+click on the same entries, and scrolled as far as before.
void ArrangeList(HWND list, const std::vector<PluginFile> &files,
                 const std::vector<size_t> &order) {
    std::vector<bool> selected(files.size());
    for (size_t index = 0; index < files.size(); ++index)
        selected[index] = SendMessageA(list, LB_GETSEL, index, 0) > 0;
    const LRESULT caret = SendMessageA(list, LB_GETCARETINDEX, 0, 0),
                  anchor = SendMessageA(list, LB_GETANCHORINDEX, 0, 0),
                  top = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
    RedrawSuspended quiet(list);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    size_t newCaret = 0, newAnchor = 0;
    for (size_t place = 0; place < order.size(); ++place) {
        const size_t file = order[place];
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(files[file].name.c_str()));
        // Selecting moves the caret and the anchor: they are set once all are selected.
        if (selected[file])
            SendMessageA(list, LB_SETSEL, TRUE, place);
        newCaret = static_cast<LRESULT>(file) == caret ? place : newCaret;
        newAnchor = static_cast<LRESULT>(file) == anchor ? place : newAnchor;
    }
    SendMessageA(list, LB_SETANCHORINDEX, newAnchor, 0);
    SendMessageA(list, LB_SETCARETINDEX, newCaret, FALSE);
    SendMessageA(list, LB_SETTOPINDEX, top, 0);
}

} // namespace

void OnSortByMasters(HWND dialog) {
    SetStatus(dialog, "Sorting by masters...", 0);
    std::string folder;
    if (!ReadPathField(dialog, folder)) {
        SetStatus(dialog, "No Data Files path", 1);
        return;
    }
    // The headers as they are now, opened relative to the data folder: never in whatever folder
    // happens to be current.
    CurrentDirectoryKept kept;
    if (!SetCurrentDirectoryA(folder.c_str())) {
        SetStatus(dialog, "Cannot set current dir", 1);
        return;
    }
    // Each list on its own, masters first: a master file never moves for a plug-in it needs.
    std::vector<PluginFile> shown;
    size_t mended = 0;
    bool moved = false;
    for (int listId : {IDC_MASTER_LIST, IDC_PLUGIN_LIST}) {
        std::vector<PluginFile> files;
        AppendListFiles(dialog, listId, files);
        for (PluginFile &file : files)
            file.masters = ReadNamedMasters(file.name);
        std::vector<size_t> order;
        mended += OrderByMasters(files, order);
        for (size_t place = 0; place < order.size(); ++place)
            if (order[place] != place) {
                moved = true;
                ArrangeList(GetDlgItem(dialog, listId), files, order);
                break;
            }
        for (size_t file : order)
            shown.push_back(std::move(files[file]));
    }
    SetStatus(dialog,
              moved ? (std::to_string(mended) +
                       " file(s) moved after their masters; Reorder writes the new order")
                          .c_str()
                    : "No file had to move",
              0);
    ReportMasterProblems(dialog, shown);
}
