#include "editing/backup.h"

#include "catalogue/classify.h"
#include "catalogue/masters.h"
#include "config/folders.h"
#include "ui/status.h"
#include "win32/handles.h"
#include "win32/textfile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cwchar>

namespace {

// A backup is a text a player can read in Notepad:
//   Talvessa load order backup
//   Folder: C:\Games\Morrowind\Data Files
//   Taken: 2026-12-07 15:04:03
//   2002-05-03T00:00:01.1230000Z Morrowind.esm
//   Files saved: 1
// one line a file, with its last-write time in UTC to the 100 ns, then its name.
constexpr char kFirstLine[] = "Talvessa load order backup";
constexpr char kFolderLabel[] = "Folder: ";
constexpr char kTakenLabel[] = "Taken: ";
// The last line, with the number of files: a backup cut short (a Ctrl-Z ends a text, a disk or an
// editor may cut it at a line) must not pass for a smaller one.
constexpr char kCountLabel[] = "Files saved: ";
// Shapes of the two times: '0' stands for a digit, anything else for itself.
constexpr char kTakenShape[] = "0000-00-00 00:00:00";
constexpr char kWrittenShape[] = "0000-00-00T00:00:00.0000000Z ";

// No folder holds so many plug-ins, and no backup of one is so long: a file beyond either is not
// one this program wrote, and is not read whole.
constexpr size_t kLargestBackupFiles = 100000;
constexpr size_t kLargestBackup = 16 * 1024 * 1024;

constexpr ULONGLONG kTicksPerSecond = 10000000;

// Backups are named by the UTC second they were taken, and numbered within it in the order they
// were written: order-20261207-140403-1.txt. The name orders them; the text says what they hold.
constexpr char kNamePrefix[] = "order-";
constexpr char kNameShape[] = "order-00000000-000000-";
constexpr unsigned kLastNumber = 999;

template <size_t Size> size_t Length(const char (&)[Size]) {
    return Size - 1;
}

void AppendNumber(std::string &text, unsigned value, size_t width) {
    std::string digits = std::to_string(value);
    text += std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

// "2026-12-07" + between + "15:04:03"
std::string FormatTime(const SYSTEMTIME &time, char between) {
    std::string text;
    AppendNumber(text, time.wYear, 4);
    text += '-';
    AppendNumber(text, time.wMonth, 2);
    text += '-';
    AppendNumber(text, time.wDay, 2);
    text += between;
    AppendNumber(text, time.wHour, 2);
    text += ':';
    AppendNumber(text, time.wMinute, 2);
    text += ':';
    AppendNumber(text, time.wSecond, 2);
    return text;
}

// "20261207-140403", the second a backup's file name holds.
std::string FormatStamp(const SYSTEMTIME &utc) {
    std::string stamp;
    AppendNumber(stamp, utc.wYear, 4);
    AppendNumber(stamp, utc.wMonth, 2);
    AppendNumber(stamp, utc.wDay, 2);
    stamp += '-';
    AppendNumber(stamp, utc.wHour, 2);
    AppendNumber(stamp, utc.wMinute, 2);
    AppendNumber(stamp, utc.wSecond, 2);
    return stamp;
}

bool HasShape(const std::string &text, size_t at, const char *shape) {
    for (; *shape; ++shape, ++at)
        if (at >= text.size() ||
            (*shape == '0' ? text[at] < '0' || text[at] > '9' : text[at] != *shape))
            return false;
    return true;
}

unsigned ReadDigits(const std::string &text, size_t at, size_t count) {
    unsigned value = 0;
    for (size_t end = at + count; at < end; ++at)
        value = value * 10 + static_cast<unsigned>(text[at] - '0');
    return value;
}

// A time of one of the two shapes at the start of text, as a file time; false when the text does
// not have the shape or is no date Windows can turn into one (February 30th, hour 24).
bool ReadTime(const std::string &text, const char *shape, ULONGLONG &ticks) {
    if (!HasShape(text, 0, shape))
        return false;
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(ReadDigits(text, 0, 4));
    time.wMonth = static_cast<WORD>(ReadDigits(text, 5, 2));
    time.wDay = static_cast<WORD>(ReadDigits(text, 8, 2));
    time.wHour = static_cast<WORD>(ReadDigits(text, 11, 2));
    time.wMinute = static_cast<WORD>(ReadDigits(text, 14, 2));
    time.wSecond = static_cast<WORD>(ReadDigits(text, 17, 2));
    // A date is one that comes back as itself: some systems take February 30th for March 2nd.
    ULARGE_INTEGER whole;
    SYSTEMTIME back;
    if (!SystemTimeToFileTime(&time, reinterpret_cast<FILETIME *>(&whole)) ||
        !FileTimeToSystemTime(reinterpret_cast<FILETIME *>(&whole), &back) ||
        back.wYear != time.wYear || back.wMonth != time.wMonth || back.wDay != time.wDay ||
        back.wHour != time.wHour || back.wMinute != time.wMinute || back.wSecond != time.wSecond)
        return false;
    // The 100-ns units of the second, which a SYSTEMTIME cannot hold.
    ticks =
        whole.QuadPart + (std::strlen(shape) > Length(kTakenShape) ? ReadDigits(text, 20, 7) : 0);
    return true;
}

bool HasControlCharacter(const std::string &text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// Windows opens a device for these names, whatever follows them after a dot ("CON.esp", and
// "COM\u00b9.esp" too).
bool IsDeviceName(const std::string &name) {
    // The stem without its trailing spaces ("com1 .esm" is COM1): four characters at most, and
    // none takes more than four bytes in any code page, so most names are known not to be a
    // device's without a conversion.
    size_t bytes = std::min(name.find('.'), name.size());
    while (bytes > 0 && name[bytes - 1] == ' ')
        --bytes;
    if (bytes > 16)
        return false;
    const std::string stem = name.substr(0, bytes);
    std::vector<wchar_t> wide(stem.size() + 1);
    const int length = MultiByteToWideChar(CP_ACP, 0, stem.data(), static_cast<int>(stem.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    std::vector<wchar_t> upper;
    for (int index = 0; index < length; ++index)
        upper.push_back(wide[index] >= L'a' && wide[index] <= L'z' ? wide[index] - 32
                                                                   : wide[index]);
    const auto is = [&upper](const wchar_t *device) {
        return std::equal(upper.begin(), upper.end(), device, device + std::wcslen(device));
    };
    if (is(L"CON") || is(L"PRN") || is(L"AUX") || is(L"NUL"))
        return true;
    const bool port = upper.size() == 4 && (std::equal(upper.begin(), upper.begin() + 3, L"COM") ||
                                            std::equal(upper.begin(), upper.begin() + 3, L"LPT"));
    return port && upper[3] != 0 && std::wcschr(L"0123456789\u00b9\u00b2\u00b3", upper[3]);
}

// The bytes no bare name has: the control bytes, and those that name a folder, a drive, a stream
// or a wildcard. A table: every byte of every name of ten backups is looked up when the menu opens.
constexpr std::array<bool, 256> kRefusedBytes = [] {
    std::array<bool, 256> refused{};
    for (size_t c = 0; c < 0x20; ++c)
        refused[c] = true;
    for (const char *byte = "\\/:*?\"<>|"; *byte; ++byte)
        refused[static_cast<unsigned char>(*byte)] = true;
    return refused;
}();

// A name that can only be a file of the data folder: a master or plug-in name with no folder, no
// drive, no stream, no wildcard and no device in it ("..\x.esp", "C:y.esm", "x.esp:s", "*.esp"
// and "NUL.esp" are refused; "Foo..Bar.esp" is bare). Looked at by character: the second byte of
// a double-byte character may be any of these bytes, as the 0x5C of "\x95\x5c.esp" in code page
// 932.
bool IsBareName(const std::string &name) {
    if (!IsPluginFile(name) && !IsMasterFile(name))
        return false;
    for (size_t at = 0; at < name.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(name[at]);
        // Lead bytes are above 0x7F in every code page; asking the system costs a call a byte.
        if (c > 0x7F && IsDBCSLeadByte(c) && at + 1 < name.size())
            ++at;
        else if (kRefusedBytes[c])
            return false;
    }
    return !IsDeviceName(name);
}

std::string BackupFolder() {
    return GetExecutableFolder() + "\\Backups";
}

struct BackupFile {
    std::string path;
    std::string stamp;
    unsigned long number;
    ULONGLONG size;
};

// The number of a backup's file name, or 0 when the name is not one that this program gives.
unsigned long NumberOf(const std::string &name) {
    const size_t digits = name.size() - Length(kNameShape) - 4;
    if (name.size() <= Length(kNameShape) + 4 || digits > 3 || !HasShape(name, 0, kNameShape) ||
        name.compare(name.size() - 4, 4, ".txt") != 0 ||
        !HasShape(name, Length(kNameShape), std::string(digits, '0').c_str()) ||
        name[Length(kNameShape)] == '0')
        return 0;
    return ReadDigits(name, Length(kNameShape), digits);
}

// Whether a file begins as a backup of folder does.
bool IsBackupOf(const std::string &path, const std::string &folder) {
    UniqueStream file(fopen(path.c_str(), "r"));
    std::array<char, MAX_PATH + 16> line{};
    if (!file || !fgets(line.data(), static_cast<int>(line.size()), file.get()) ||
        std::string(line.data()) != std::string(kFirstLine) + '\n' ||
        !fgets(line.data(), static_cast<int>(line.size()), file.get()))
        return false;
    std::string named(line.data());
    if (named.compare(0, Length(kFolderLabel), kFolderLabel) != 0 || named.back() != '\n')
        return false;
    named = named.substr(Length(kFolderLabel), named.size() - Length(kFolderLabel) - 1);
    return !named.empty() && IsSameName(named, folder);
}

// The files in Backups that this program wrote for folder, newest first; any other file there is
// left alone.
std::vector<BackupFile> ListBackupFiles(const std::string &folder) {
    const std::string backups = BackupFolder();
    std::vector<BackupFile> found;
    WIN32_FIND_DATAA entry;
    UniqueFind find(FindFirstFileA((backups + "\\" + kNamePrefix + "*.txt").c_str(), &entry));
    for (bool more = find.IsValid(); more; more = FindNextFileA(find.Get(), &entry)) {
        const std::string name = entry.cFileName, path = backups + "\\" + name;
        const unsigned long number = NumberOf(name);
        if (number && !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            IsBackupOf(path, folder))
            found.push_back(BackupFile{path, name.substr(Length(kNamePrefix), 15), number,
                                       ULONGLONG{entry.nFileSizeHigh} << 32 | entry.nFileSizeLow});
    }
    std::sort(found.begin(), found.end(), [](const BackupFile &a, const BackupFile &b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.number > b.number;
    });
    return found;
}

// Saves the backup; false when it cannot be saved whole. The one just saved is never deleted for
// being old, even when the clock was put back since the others were taken, and neither is keep,
// the backup a restore is about to bring back.
bool SaveBackup(const std::string &folder, const std::vector<SavedTime> &files,
                const std::string &keep) {
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    std::string text;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !FormatBackup(Backup{"", folder, FormatTime(local, ' '), files}, text))
        return false;
    const std::string backups = BackupFolder(),
                      draft = backups + "\\" + kNamePrefix + std::to_string(GetCurrentProcessId()) +
                              ".new",
                      stamp = FormatStamp(utc);
    CreateDirectoryA(backups.c_str(), nullptr);
    // The draft becomes a backup only when it is whole: a crash or a full disk before then leaves
    // no half backup that would count.
    if (WriteTextFile(draft.c_str(), text)) {
        for (unsigned number = 1; number <= kLastNumber; ++number) {
            const std::string saved =
                backups + "\\" + kNamePrefix + stamp + "-" + std::to_string(number) + ".txt";
            if (MoveFileExA(draft.c_str(), saved.c_str(), MOVEFILE_WRITE_THROUGH)) {
                const std::vector<BackupFile> kept = ListBackupFiles(folder);
                for (size_t old = kKeptBackups; old < kept.size(); ++old)
                    if (kept[old].path != saved && kept[old].path != keep)
                        DeleteFileA(kept[old].path.c_str());
                return true;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
                break;
        }
    }
    DeleteFileA(draft.c_str());
    return false;
}

} // namespace

bool FormatBackup(const Backup &backup, std::string &text) {
    if (backup.folder.empty() || HasControlCharacter(backup.folder) ||
        backup.files.size() > kLargestBackupFiles)
        return false;
    text = std::string(kFirstLine) + "\n" + kFolderLabel + backup.folder + "\n" + kTakenLabel +
           backup.taken + "\n";
    for (const SavedTime &file : backup.files) {
        ULARGE_INTEGER ticks;
        ticks.QuadPart = file.written;
        SYSTEMTIME time;
        if (!IsBareName(file.name) ||
            !FileTimeToSystemTime(reinterpret_cast<const FILETIME *>(&ticks), &time) ||
            time.wYear > 9999)
            return false;
        text += FormatTime(time, 'T') + '.';
        AppendNumber(text, static_cast<unsigned>(file.written % kTicksPerSecond), 7);
        text += "Z " + file.name + "\n";
    }
    text += kCountLabel + std::to_string(backup.files.size()) + "\n";
    // Each line ends in CR LF on the disk, where the limit is measured when it is read.
    return text.size() + backup.files.size() + 4 <= kLargestBackup;
}

bool ParseBackup(const std::string &text, Backup &backup, bool withNames) {
    size_t at = 0;
    std::string line;
    const auto nextLine = [&] {
        if (at >= text.size())
            return false;
        const size_t end = std::min(text.find('\n', at), text.size());
        line.assign(text, at, end - at);
        at = end + 1;
        return true;
    };
    ULONGLONG ticks;
    if (!nextLine() || line != kFirstLine || !nextLine() ||
        line.compare(0, Length(kFolderLabel), kFolderLabel) != 0 ||
        line.size() == Length(kFolderLabel))
        return false;
    backup.folder = line.substr(Length(kFolderLabel));
    if (!nextLine() || line.compare(0, Length(kTakenLabel), kTakenLabel) != 0 ||
        line.size() != Length(kTakenLabel) + Length(kTakenShape) ||
        !ReadTime(line.substr(Length(kTakenLabel)), kTakenShape, ticks))
        return false;
    backup.taken = line.substr(Length(kTakenLabel));
    backup.files.clear();
    backup.count = 0;
    std::string name;
    while (nextLine()) {
        if (line.compare(0, Length(kCountLabel), kCountLabel) == 0)
            return at >= text.size() && line == kCountLabel + std::to_string(backup.count);
        name.assign(line, std::min(line.size(), Length(kWrittenShape)), std::string::npos);
        if (backup.count == kLargestBackupFiles || !ReadTime(line, kWrittenShape, ticks) ||
            !IsBareName(name))
            return false;
        ++backup.count;
        if (withNames)
            backup.files.push_back(SavedTime{name, ticks});
    }
    return false; // no count: cut short
}

std::vector<Backup> FindBackups(const std::string &folder, bool withNames) {
    // The ten newest the program wrote, as the next save keeps them: one that is spoilt is not
    // offered, and one older than the ten is not offered either, for the next save deletes it.
    std::vector<Backup> backups;
    const std::vector<BackupFile> files = ListBackupFiles(folder);
    for (size_t index = 0; index < files.size() && index < kKeptBackups; ++index) {
        const BackupFile &file = files[index];
        Backup backup;
        std::string text;
        if (file.size <= kLargestBackup && ReadTextFile(file.path.c_str(), kLargestBackup, text) &&
            ParseBackup(text, backup, withNames)) {
            backup.path = file.path;
            backups.push_back(std::move(backup));
        }
    }
    return backups;
}

bool BackUpOrder(HWND dialog, const std::string &folder, const std::vector<SavedTime> &files,
                 const char *command, const char *verb, const std::string &keep) {
    if (files.empty() || SaveBackup(folder, files, keep))
        return true;
    const std::string line = std::string("Cannot save the order before ") + command;
    SetStatus(dialog, line.c_str(), 0);
    const std::string question =
        line + ", so Restore Order could not bring it back. " + verb + " anyway?";
    if (MessageBoxA(dialog, question.c_str(), "Warning",
                    MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
        return true;
    SetStatus(dialog, (std::string(verb) + " cancelled").c_str(), 0);
    return false;
}
