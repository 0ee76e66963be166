#include "editing/reorder.h"

#include "ui/controls.h"
#include "ui/status.h"
#include "win32/handles.h"
#include "res/resource.h"

namespace {

void AppendListEntries(HWND dialog, int listId, std::vector<std::string> &names) {
    HWND list = GetDlgItem(dialog, listId);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index)
        names.push_back(ReadListEntry(list, index));
}

// Players mark a file read-only to pin it in the load order. Windows refuses to open such a file
// for writing; Wine running as root does not, and must not override the player's pin either.
bool IsReadOnly(HANDLE file) {
    // The basic information alone: the full record costs a volume query per file.
    FILE_BASIC_INFO information;
    return GetFileInformationByHandleEx(file, FileBasicInfo, &information, sizeof information) &&
           (information.FileAttributes & FILE_ATTRIBUTE_READONLY);
}

} // namespace

void OnReorder(HWND dialog) {
    SetStatus(dialog, "Reording...", 0);
    // Masters first: the games need every master loaded before any plug-in that depends on it.
    std::vector<std::string> names;
    AppendListEntries(dialog, IDC_MASTER_LIST, names);
    AppendListEntries(dialog, IDC_PLUGIN_LIST, names);
    std::string folder;
    if (!ReadPathField(dialog, folder)) {
        SetStatus(dialog, "No Data Files path", 1);
        return;
    }
    std::vector<std::string> unwritten;
    if (!SetLoadOrderTimes(names, folder.c_str(), unwritten))
        return;
    // A file that kept its old time loads elsewhere than the lists show, usually last: say which.
    if (!unwritten.empty())
        SetStatus(dialog, DescribeUnwritten(unwritten).c_str(), 1);
    SetStatus(dialog, "Reording done", 0);
}

bool SetLoadOrderTimes(const std::vector<std::string> &names, const char *folder,
                       std::vector<std::string> &unwritten) {
    CurrentDirectoryKept kept;
    if (!SetCurrentDirectoryA(folder)) {
        MessageBoxA(nullptr, "Cannot set current dir", "Note", MB_OK);
        return false;
    }
    SYSTEMTIME clock = StartStampClock();
    for (const std::string &name : names) {
        // Read-attributes access too, which the read-only check needs.
        UniqueFile file(CreateFileA(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        // A file that cannot be written keeps its time and takes no stamp, so that the files
        // that are written still get consecutive times with no gap where it would have been.
        if (!file || IsReadOnly(file.Get())) {
            unwritten.push_back(name);
            continue;
        }
        AdvanceStampClock(clock);
        FILETIME written;
        SystemTimeToFileTime(&clock, &written);
        // Only the last-write time decides the load order; the other two times stay the file's.
        SetFileTime(file.Get(), nullptr, nullptr, &written);
    }
    return true;
}

std::string DescribeUnwritten(const std::vector<std::string> &unwritten) {
    // The first few names fit a message box; the count says how many more there are.
    constexpr size_t kNamed = 5;
    std::string text = std::to_string(unwritten.size()) + " file(s) kept their old time: ";
    for (size_t index = 0; index < unwritten.size() && index < kNamed; ++index)
        text += (index > 0 ? ", " : "") + unwritten[index];
    return unwritten.size() > kNamed ? text + ", ..." : text;
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
