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

void OnSortByMasters(HWND dialog) {
    SetStatus(dialog, "Sorting by masters...", 0);
    // The headers as they are now, opened relative to the data folder: never in whatever folder
    // happens to be current.
    CurrentDirectoryKept kept;
    if (!EnterDataFolder(dialog))
        return;
    // Each list on its own, masters first: a master file never moves for a plug-in it needs.
    std::vector<ListOrder> lists;
    std::vector<PluginFile> shown;
    size_t mended = 0;
    bool moved = false;
    for (int listId : {IDC_MASTER_LIST, IDC_PLUGIN_LIST}) {
        std::vector<PluginFile> files;
        AppendListFiles(dialog, listId, files);
        for (PluginFile &file : files)
            file.masters = ReadNamedMasters(file.name);
        ListOrder list{listId, {}, {}};
        mended += OrderByMasters(files, list.order);
        for (size_t place = 0; place < list.order.size(); ++place)
            moved = moved || list.order[place] != place;
        for (size_t file : list.order)
            shown.push_back(files[file]);
        for (PluginFile &file : files)
            list.entries.push_back(std::move(file.name));
        lists.push_back(std::move(list));
    }
    if (!ArrangeLists(dialog, lists))
        return;
    SetStatus(dialog,
              moved ? (std::to_string(mended) +
                       " file(s) moved after their masters; Reorder writes the new order")
                          .c_str()
                    : "No file had to move",
              0);
    ReportMasterProblems(dialog, shown);
}
