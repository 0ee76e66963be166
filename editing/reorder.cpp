#include "editing/reorder.h"

#include "catalogue/lists.h"
#include "catalogue/scan.h"
#include "editing/backup.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <algorithm>

namespace {

// Reading a file moves its last-access time: the time it had is given back afterwards.
std::vector<std::string> ReadMastersKeepingAccess(HANDLE file, const FILETIME &accessed) {
    std::vector<std::string> masters = ReadFileMasters(file);
    SetFileTime(file, nullptr, &accessed, nullptr);
    return masters;
}

// Gives the file the clock's next time and reads its masters. False, with the clock as it was,
// when the file cannot take the time: it then keeps its old one, and the next file takes this.
bool StampFile(const OrderFile &file, SYSTEMTIME &clock, std::vector<std::string> &masters) {
    SYSTEMTIME next = clock;
    AdvanceStampClock(next);
    FILETIME written;
    // Only the last-write time decides the load order; the other two times stay the file's.
    if (!file.handle || IsReadOnly(file.handle.Get()) || !SystemTimeToFileTime(&next, &written) ||
        !SetFileTime(file.handle.Get(), nullptr, nullptr, &written))
        return false;
    clock = next;
    masters = ReadMastersKeepingAccess(file.handle.Get(), file.accessed);
    return true;
}

// The masters of a file that kept its time, read only where its last-access time can be given
// back: a file whose times cannot be set is left unread.
std::vector<std::string> ReadMastersLeavingTimes(const std::string &name) {
    UniqueFile file(CreateFileA(name.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    FILETIME accessed;
    if (!file || !GetFileTime(file.Get(), nullptr, &accessed, nullptr) ||
        !SetFileTime(file.Get(), nullptr, &accessed, nullptr))
        return {};
    return ReadMastersKeepingAccess(file.Get(), accessed);
}

// The order that the files' times now give, as the next Reload shows it, with the masters just
// read: where a file kept its time, that time places it, and files stamped the same second keep
// the folder's listing order. The scan places the listed files and nothing more: a file that is
// not listed is not in the order the games were given, even when it opens now; and a listed file
// the scan cannot open (gone, held open by another program) is left out, as the next Reload leaves
// it out. The headers are not read again, so that no file's last-access time moves.
std::vector<PluginFile> ReadOrderOnDisk(const std::string &folder, std::vector<PluginFile> &files) {
    std::vector<PluginFile> onDisk, listed;
    if (ScanDataFolder(folder.c_str(), onDisk, false) <= 0)
        return onDisk;
    const auto byName = [](const PluginFile &a, const PluginFile &b) { return a.name < b.name; };
    std::sort(files.begin(), files.end(), byName);
    for (PluginFile &file : onDisk) {
        auto found = std::lower_bound(files.begin(), files.end(), file, byName);
        if (found != files.end() && found->name == file.name)
            listed.push_back(PluginFile{std::move(file.name), std::move(found->masters)});
    }
    PutMastersFirst(listed);
    return listed;
}

} // namespace

void OnReorder(HWND dialog) {
    SetStatus(dialog, "Reording...", 0);
    // Masters first: the games need every master loaded before any plug-in that depends on it.
    std::vector<PluginFile> files;
    AppendListFiles(dialog, IDC_MASTER_LIST, files);
    AppendListFiles(dialog, IDC_PLUGIN_LIST, files);
    std::string folder;
    if (!ReadPathField(dialog, folder)) {
        SetStatus(dialog, "No Data Files path", 1);
        return;
    }
    std::vector<std::string> unwritten;
    if (!SetLoadOrderTimes(dialog, files, folder.c_str(), unwritten))
        return;
    // A file that kept its old time loads elsewhere than the lists show, usually last: say which.
    if (!unwritten.empty())
        SetStatus(dialog, DescribeFiles("kept their old time", unwritten).c_str(), 1);
    SetStatus(dialog, "Reording done", 0);
    // The order the games now load: as written, unless some file kept its time.
    if (!unwritten.empty())
        files = ReadOrderOnDisk(folder, files);
    ReportMasterProblems(dialog, files);
}

bool SetLoadOrderTimes(HWND dialog, std::vector<PluginFile> &files, const char *folder,
                       std::vector<std::string> &unwritten) {
    CurrentDirectoryKept kept;
    const std::string fullFolder = ResolveFolder(folder);
    if (!SetCurrentDirectoryA(fullFolder.c_str())) {
        MessageBoxA(nullptr, "Cannot set current dir", "Note", MB_OK);
        return false;
    }
    // Every file is opened, and its time saved, before any is stamped; the handles stay open
    // between, so that a file is opened once.
    std::vector<OrderFile> opened;
    std::vector<SavedTime> saved;
    opened.reserve(files.size());
    for (const PluginFile &file : files) {
        opened.push_back(OpenOrderFile(file.name));
        if (opened.back().handle)
            saved.push_back(SavedTime{file.name, ToTicks(opened.back().written)});
    }
    if (!BackUpOrder(dialog, fullFolder, saved, "Reorder", "Reorder"))
        return false;
    SYSTEMTIME clock = StartStampClock();
    for (size_t index = 0; index < files.size(); ++index) {
        PluginFile &file = files[index];
        if (!StampFile(opened[index], clock, file.masters)) {
            unwritten.push_back(file.name);
            opened[index].handle.Reset();
            file.masters = ReadMastersLeavingTimes(file.name);
        }
        opened[index].handle.Reset();
    }
    return true;
}

OrderFile OpenOrderFile(const std::string &name) {
    // Reading too, for the header, and the read-only check needs the attributes.
    OrderFile file{
        UniqueFile(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
        ERROR_SUCCESS,
        {},
        {}};
    if (!file.handle)
        file.error = GetLastError();
    else if (!GetFileTime(file.handle.Get(), nullptr, &file.accessed, &file.written)) {
        file.error = GetLastError();
        file.handle.Reset();
    }
    return file;
}

bool IsReadOnly(HANDLE file) {
    // The basic information alone: the full record costs a volume query per file.
    FILE_BASIC_INFO information;
    return GetFileInformationByHandleEx(file, FileBasicInfo, &information, sizeof information) &&
           (information.FileAttributes & FILE_ATTRIBUTE_READONLY);
}

ULONGLONG ToTicks(const FILETIME &time) {
    return ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

SYSTEMTIME StartStampClock() {
    SYSTEMTIME clock;
    GetSystemTime(&clock);
    // A fixed date in the past, so that two rewrites of one order give the same times. The
    // milliseconds stay as read: the order is taken from whole seconds only.
    clock.wYear = 2002;
    clock.wMonth = 5;
    clock.wDay = 3;
    clock.wHour = 0;
    clock.wMinute = 0;
    clock.wSecond = 0;
    return clock;
}

void AdvanceStampClock(SYSTEMTIME &clock) {
    // Every field carries one short of its calendar limit (second and minute 59, hour 23, day 28,
    // month 12 never occur). That wastes a few values, but every stamp is a valid date in any
    // month of any year with no calendar arithmetic, and each is later than the one before.
    if (++clock.wSecond >= 59) {
        clock.wSecond = 0;
        ++clock.wMinute;
    }
    if (clock.wMinute >= 59) {
        clock.wMinute = 0;
        ++clock.wHour;
    }
    if (clock.wHour >= 23) {
        clock.wHour = 0;
        ++clock.wDay;
    }
    if (clock.wDay >= 28) {
        clock.wDay = 1;
        ++clock.wMonth;
    }
    if (clock.wMonth >= 12) {
        clock.wMonth = 1;
        ++clock.wYear;
    }
}
