#include "editing/restore.h"

#include "catalogue/lists.h"
#include "catalogue/masters.h"
#include "catalogue/scan.h"
#include "editing/backup.h"
#include "editing/reorder.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <string>
#include <vector>

namespace {

// Gives the files the backup names their saved times, in the data folder. False when the folder
// cannot be entered or the player would rather not go on without saving the order first.
bool RestoreFileTimes(HWND dialog, const std::string &folder, const Backup &backup) {
    CurrentDirectoryKept kept;
    if (!SetCurrentDirectoryA(folder.c_str())) {
        SetStatus(dialog, "Cannot set current dir", 1);
        return false;
    }
    // The files listed and those the backup names, each once: the order saved first holds the
    // times of all of them, so that this restore can itself be undone. A name of the backup is
    // opened only as the folder's listing spells it: no other name of the file system (a short
    // name, "LONGNA~1.ESP", a device's) is ever opened for it.
    std::vector<PluginFile> listed;
    AppendListFiles(dialog, IDC_MASTER_LIST, listed);
    AppendListFiles(dialog, IDC_PLUGIN_LIST, listed);
    std::vector<std::string> names, saved, missing, unwritten;
    names.reserve(listed.size() + backup.files.size());
    for (PluginFile &file : listed)
        names.push_back(std::move(file.name));
    for (const SavedTime &file : backup.files)
        saved.push_back(file.name);
    const std::vector<std::string> inFolder = ListPluginNames(".");
    const std::vector<size_t> found = FindNames(inFolder, saved);
    for (size_t place : found)
        if (place != kNoName)
            names.push_back(inFolder[place]);
    const std::vector<size_t> first = FindNames(names, names);
    std::vector<OrderFile> opened(names.size());
    std::vector<SavedTime> now;
    for (size_t place = 0; place < names.size(); ++place)
        if (first[place] == place) {
            opened[place] = OpenOrderFile(names[place]);
            if (opened[place].handle)
                now.push_back(SavedTime{names[place], ToTicks(opened[place].written)});
        }
    if (!BackUpOrder(dialog, folder, now, "Restore Order", "Restore", backup.path))
        return false;
    std::vector<bool> restored(names.size());
    for (size_t index = 0, added = listed.size(); index < backup.files.size(); ++index) {
        const SavedTime &file = backup.files[index];
        if (found[index] == kNoName) {
            missing.push_back(file.name);
            continue;
        }
        const size_t place = first[added++];
        if (restored[place])
            continue; // named twice: the first time counts
        restored[place] = true;
        OrderFile &target = opened[place];
        ULARGE_INTEGER ticks;
        ticks.QuadPart = file.written;
        const FILETIME written{ticks.LowPart, ticks.HighPart};
        // The last-access time is given back with it; the creation time stays the file's.
        if (!target.handle)
            (target.error == ERROR_FILE_NOT_FOUND ? missing : unwritten).push_back(file.name);
        else if (IsReadOnly(target.handle.Get()) ||
                 !SetFileTime(target.handle.Get(), nullptr, &target.accessed, &written))
            unwritten.push_back(file.name);
    }
    if (!unwritten.empty())
        SetStatus(dialog, DescribeFiles("kept their old time", unwritten).c_str(), 1);
    if (!missing.empty())
        SetStatus(dialog,
                  DescribeFiles("of the saved order are not in the folder", missing).c_str(), 0);
    return true;
}

} // namespace

void OnRestoreOrder(HWND dialog, size_t index) {
    std::string path;
    if (!ReadPathField(dialog, path)) {
        SetStatus(dialog, "No Data Files path", 1);
        return;
    }
    const std::string folder = ResolveFolder(path.c_str());
    const std::vector<Backup> backups = FindBackups(folder);
    if (index >= backups.size()) {
        SetStatus(dialog, "No saved order to restore", 0);
        return;
    }
    SetStatus(dialog, ("Restoring the order of " + backups[index].taken + "...").c_str(), 0);
    if (!RestoreFileTimes(dialog, folder, backups[index]))
        return;
    SetStatus(dialog, "Order restored", 0);
    LoadPluginLists(dialog);
}
