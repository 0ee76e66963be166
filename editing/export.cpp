#include "editing/export.h"

#include "catalogue/scan.h"
#include "config/folders.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/handles.h"

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
    // Text mode: each line feed is stored as CR LF.
    UniqueStream file(fopen(exportPath.c_str(), "w"));
    for (size_t index = 0; file && index < files.size(); ++index)
        fprintf(file.get(), "%sPlugin%u = %s", index > 0 ? "\n" : "", static_cast<unsigned>(index),
                files[index].name.c_str());
    // An older list left in place, or a list cut short, must not pass for this one. The buffered
    // lines are written at the flush, where a full disk shows: Wine's runtime does not report it
    // from fclose.
    if (!file || fflush(file.get()) != 0 || ferror(file.get()) || fclose(file.release()) != 0) {
        SetStatus(dialog, ("Cannot write " + exportPath).c_str(), 1);
        return;
    }
    SetStatus(dialog, "Opening File...", 0);
    ShellExecuteA(nullptr, "open", exportPath.c_str(), nullptr, nullptr, SW_SHOW);
    SetStatus(dialog, "Done", 0);
}
