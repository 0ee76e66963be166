#include "catalogue/lists.h"

#include "catalogue/classify.h"
#include "catalogue/masters.h"
#include "catalogue/scan.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <string>
#include <vector>

namespace {

// False when a list cannot take an entry: it is out of memory.
bool FillLists(HWND plugins, HWND masters, const std::vector<PluginFile> &files) {
    RedrawSuspended quietPlugins(plugins);
    RedrawSuspended quietMasters(masters);
    for (const PluginFile &file : files) {
        // Every name passed one of the two tests, so a name that is no plug-in is a master.
        HWND list = IsPluginFile(file.name) ? plugins : masters;
        if (SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.name.c_str())) < 0)
            return false;
    }
    return true;
}

} // namespace

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
    int leftOut = 0;
    const int found = ScanDataFolder(path.c_str(), files, true, &leftOut);
    const bool filled = found > 0 && FillLists(plugins, masters, files);
    if (found <= 0)
        SetStatus(dialog, "Error loading mod files", 1);
    else if (!filled) {
        // Lists that miss a file would have "Reorder" stamp the others and leave it where its
        // time puts it: none at all is safer.
        SendMessageA(plugins, LB_RESETCONTENT, 0, 0);
        SendMessageA(masters, LB_RESETCONTENT, 0, 0);
        SetStatus(dialog, "Cannot arrange the lists: not enough memory", 1);
    } else
        SetStatus(dialog, "Done", 0);
    if (leftOut > 0)
        SetStatus(dialog,
                  (std::to_string(leftOut) +
                   " file(s) left out: their names cannot be written in this system's code page")
                      .c_str(),
                  0);
    if (found > 0 && !filled)
        return;
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

bool EnterDataFolder(HWND dialog) {
    std::string folder;
    if (!ReadPathField(dialog, folder)) {
        SetStatus(dialog, "No Data Files path", 1);
        return false;
    }
    if (!SetCurrentDirectoryA(folder.c_str())) {
        SetStatus(dialog, "Cannot set current dir", 1);
        return false;
    }
    return true;
}

void CheckShownOrder(HWND dialog) {
    // The headers as they are now, in the data folder: never in whatever folder is current.
    CurrentDirectoryKept kept;
    if (!EnterDataFolder(dialog))
        return;
    std::vector<PluginFile> shown;
    AppendListFiles(dialog, IDC_MASTER_LIST, shown);
    AppendListFiles(dialog, IDC_PLUGIN_LIST, shown);
    for (PluginFile &file : shown)
        file.masters = ReadNamedMasters(file.name);
    ReportMasterProblems(dialog, shown);
}
