#include "catalogue/lists.h"

#include "catalogue/classify.h"
#include "catalogue/masters.h"
#include "catalogue/scan.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "res/resource.h"

#include <string>
#include <vector>

void LoadPluginLists(HWND dialog) {
    SetStatus(dialog, "Loading Mod Files...", 0);
    std::string path;
    if (!ReadPathField(dialog, path)) {
        SetStatus(dialog, "No Data Files path", 1);
        return;
    }
    HWND plugins = GetDlgItem(dialog, IDC_PLUGIN_LIST);
    HWND masters = GetDlgItem(dialog, IDC_MASTER_LIST);
    SendMessageA(plugins, LB_RESETCONTENT, 0, 0);
    SendMessageA(masters, LB_RESETCONTENT, 0, 0);

    std::vector<PluginFile> files;
    if (ScanDataFolder(path.c_str(), files) <= 0) {
        SetStatus(dialog, "Error loading mod files", 1);
        return;
    }
    {
        RedrawSuspended quietPlugins(plugins);
        RedrawSuspended quietMasters(masters);
        for (const PluginFile &file : files) {
            // Every name passed one of the two tests, so a name that is no plug-in is a master.
            HWND list = IsPluginFile(file.name) ? plugins : masters;
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.name.c_str()));
        }
    }
    SetStatus(dialog, "Done", 0);
    // The order shown: the master list, then the plug-in list, each as the scan gave it.
    PutMastersFirst(files);
    ReportMasterProblems(dialog, files);
}

void AppendListFiles(HWND dialog, int listId, std::vector<PluginFile> &files) {
    HWND list = GetDlgItem(dialog, listId);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index)
        files.push_back(PluginFile{ReadListEntry(list, index), {}});
}
