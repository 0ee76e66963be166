#include "catalogue/scan.h"

#include "catalogue/classify.h"
#include "win32/handles.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <tuple>

namespace {

// The listing pattern is folder + "\*" in a buffer of the platform's path limit, terminator
// included. A folder of 258 characters leaves room for the backslash only; the platform refuses
// that pattern, so such a folder cannot be listed. Beyond 258 the path is too long outright.
constexpr size_t kPatternSize = MAX_PATH;
constexpr size_t kLongestFolder = 258;

using SearchPattern = std::array<char, kPatternSize>;

bool IsFolderPathTooLong(const char *folder) {
    size_t length = strnlen(folder, kPatternSize);
    return length == kPatternSize || length > kLongestFolder;
}

SearchPattern MakeSearchPattern(const char *folder) {
    SearchPattern pattern{};
    size_t length = strnlen(folder, kPatternSize - 1);
    std::memcpy(pattern.data(), folder, length);
    const char suffix[] = "\\*";
    size_t room = kPatternSize - 1 - length;
    std::memcpy(pattern.data() + length, suffix, std::min(room, sizeof suffix - 1));
    return pattern;
}

// A name in the ANSI code page; false when that code page cannot spell it exactly, and name is
// only its spelling with "?" for what it lacks. Its best-fit spelling ("A.esp" for "\uFF21.esp"
// or "\u0100.esp") would open another file, or none. Where the code page is UTF-8, every valid
// name is spelt.
bool SpellName(const wchar_t *wide, std::string &name) {
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL *used = utf8 ? nullptr : &defaulted;
    int size = WideCharToMultiByte(CP_ACP, flags, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        // Not even spelt with "?" (a lone surrogate under a UTF-8 code page): spelt so for its
        // suffix, to be counted among the files left out.
        size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
        name.resize(static_cast<size_t>(std::max(size, 1)));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, &name[0], size, nullptr, nullptr);
        name.resize(name.size() - 1);
        return false;
    }
    name.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_ACP, flags, wide, -1, &name[0], size, nullptr, used);
    name.resize(static_cast<size_t>(size) - 1);
    return !defaulted;
}

// Calls visit(name) for every entry whose name passes either test, the attributes unread: a
// sub-folder named like a plug-in is a candidate too. The names are listed as the file system
// holds them, and one that the ANSI code page cannot spell is only counted in leftOut: every other
// call takes the names in ANSI. False when the folder cannot be listed, which includes a listing
// that ends in any error but "no more files".
template <typename Visit>
bool ForEachCandidate(const char *folder, Visit visit, int *leftOut = nullptr) {
    if (IsFolderPathTooLong(folder))
        return false;
    SearchPattern pattern = MakeSearchPattern(folder);
    std::array<wchar_t, kPatternSize> widePattern{};
    if (!MultiByteToWideChar(CP_ACP, 0, pattern.data(), -1, widePattern.data(),
                             static_cast<int>(widePattern.size())))
        return false;
    WIN32_FIND_DATAW entry;
    UniqueFind find(FindFirstFileW(widePattern.data(), &entry));
    if (!find)
        return false;
    do {
        std::string name;
        const bool spelt = SpellName(entry.cFileName, name);
        if (!IsPluginFile(name) && !IsMasterFile(name))
            continue;
        if (spelt)
            visit(name);
        else if (leftOut)
            ++*leftOut;
    } while (FindNextFileW(find.Get(), &entry));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

} // namespace

std::string ResolveFolder(const char *folder) {
    std::array<char, MAX_PATH> full{};
    DWORD length = GetFullPathNameA(folder, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size())
        return folder;
    // The current directory is reported without a trailing backslash (but for a drive's root):
    // written the same way, the folder is recognised as current and not entered again.
    if (length > 3 && full[length - 1] == '\\')
        full[length - 1] = '\0';
    return full.data();
}

namespace {

bool IsCurrentDirectory(const char *folder) {
    std::array<char, MAX_PATH> current{};
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(current.size()), current.data());
    return length > 0 && length < current.size() && std::strcmp(current.data(), folder) == 0;
}

// Opens a file of the current directory for reading, letting others read it: a file that another
// program holds open for writing, or without sharing reading, does not open.
UniqueFile OpenForScan(const std::string &name) {
    return UniqueFile(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool MakeFileStamp(const FILETIME &written, FileStamp &stamp) {
    SYSTEMTIME utc, local;
    if (!FileTimeToSystemTime(&written, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
        return false;
    stamp =
        FileStamp{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    return true;
}

auto StampKey(const FileStamp &stamp) {
    return std::tie(stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second);
}

} // namespace

std::vector<std::string> ListPluginNames(const char *folder) {
    std::vector<std::string> names;
    ForEachCandidate(folder, [&names](const std::string &name) { names.push_back(name); });
    return names;
}

int CountPluginFiles(const char *folder) {
    int count = 0;
    if (!ForEachCandidate(folder, [&count](const std::string &) { ++count; }))
        return kScanCannotList;
    return count;
}

std::vector<std::string> ReadNamedMasters(const std::string &name) {
    UniqueFile file = OpenForScan(name);
    return file ? ReadFileMasters(file.Get()) : std::vector<std::string>();
}

bool ReadFileStamp(const char *folder, const std::string &name, FileStamp &stamp,
                   std::vector<std::string> *masters) {
    // Entering a folder costs as much as opening a file: a scan enters its folder once.
    if (!IsCurrentDirectory(folder) && !SetCurrentDirectoryA(folder))
        return false;
    UniqueFile file = OpenForScan(name);
    FILETIME created, accessed, written;
    if (!file || !GetFileTime(file.Get(), &created, &accessed, &written) ||
        !MakeFileStamp(written, stamp))
        return false;
    // Through the handle already open: a second open per file would cost as much again.
    if (masters)
        *masters = ReadFileMasters(file.Get());
    return true;
}

void SortByStamp(std::vector<PluginFile> &files, std::vector<FileStamp> &stamps) {
    // Stable: files stamped the same to the second keep the listing's order, as the games do.
    std::vector<size_t> order(files.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&stamps](size_t a, size_t b) {
        return StampKey(stamps[a]) < StampKey(stamps[b]);
    });
    std::vector<PluginFile> sortedFiles;
    std::vector<FileStamp> sortedStamps;
    sortedFiles.reserve(order.size());
    sortedStamps.reserve(order.size());
    for (size_t index : order) {
        sortedFiles.push_back(std::move(files[index]));
        sortedStamps.push_back(stamps[index]);
    }
    files.swap(sortedFiles);
    stamps.swap(sortedStamps);
}

int ScanDataFolder(const char *folder, std::vector<PluginFile> &files, bool readHeaders,
                   int *leftOut) {
    if (IsFolderPathTooLong(folder))
        return kScanPathTooLong;
    CurrentDirectoryKept kept;
    // The count only sizes the storage: the folder may change before the second listing.
    int counted = CountPluginFiles(folder);
    std::vector<PluginFile> found;
    std::vector<FileStamp> stamps;
    if (counted > 0) {
        found.reserve(static_cast<size_t>(counted));
        stamps.reserve(static_cast<size_t>(counted));
    }
    // Reading a file's time makes its folder current. A relative folder path would then name a
    // different folder for every file after the first, so one scan works with the folder that the
    // path names when the scan starts.
    std::string fullFolder = ResolveFolder(folder);
    bool listed = ForEachCandidate(
        folder,
        [&](const std::string &name) {
            FileStamp stamp;
            std::vector<std::string> masters;
            if (ReadFileStamp(fullFolder.c_str(), name, stamp, readHeaders ? &masters : nullptr)) {
                found.push_back(PluginFile{name, std::move(masters)});
                stamps.push_back(stamp);
            }
        },
        leftOut);
    if (!listed)
        return kScanCannotList;
    SortByStamp(found, stamps);
    files.swap(found);
    return static_cast<int>(files.size());
}
