#include "editing/export.h"

#include "catalogue/scan.h"
#include "config/folders.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/textfile.h"

#include <shellapi.h>

#include <string>
#include <vector>

void OnExportLoadOrder(HWND dialog) {
    std::string exportPath = GetExecutableFolder() + "\\ModList.txt";
    SetStatus(dialog, "Loading Mod Files...", 0);
    std::string folder;
    if (!ReadPathField(dialog, folder)) {
        SetStatus(dialog, "No Data Files path", 1);
        return;
    }
    // A fresh scan, not the lists: moves that "Reorder" has not written are not the games' order.
    std::vector<PluginFile> files;
    if (ScanDataFolder(folder.c_str(), files) <= 0) {
        SetStatus(dialog, "Error loading mod files", 1);
        return;
    }
    // One line a file, in load order, the last without a line break.
    std::string list;
    for (size_t index = 0; index < files.size(); ++index)
        list += (index > 0 ? "\n" : "") + ("Plugin" + std::to_string(index)) + " = " +
                files[index].name;
    // An older list left in place, or a list cut short, must not pass for this one.
    if (!WriteTextFile(exportPath.c_str(), list)) {
        SetStatus(dialog, ("Cannot write " + exportPath).c_str(), 1);
        return;
    }
    SetStatus(dialog, "Opening File...", 0);
    ShellExecuteA(nullptr, "open", exportPath.c_str(), nullptr, nullptr, SW_SHOW);
    SetStatus(dialog, "Done", 0);
}
