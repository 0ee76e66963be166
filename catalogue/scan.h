#pragma once

#include "catalogue/masters.h"

#include <string>
#include <vector>

// The last-write time of one file as local calendar fields, to the second.
struct FileStamp {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// Failures of the folder scan.
constexpr int kScanCannotList = -1;  // the listing could not be started or ended in an error
constexpr int kScanPathTooLong = -3; // the folder path leaves no room for the search pattern

// The names of the folder's entries that pass IsPluginFile or IsMasterFile and that the ANSI code
// page spells, as the scan lists them; none when the folder cannot be listed.
std::vector<std::string> ListPluginNames(const char *folder);

// Counts the folder's entries whose names pass IsPluginFile or IsMasterFile, or kScanCannotList.
int CountPluginFiles(const char *folder);

// The masters that the header of a file of the current directory names, read as the scan reads
// them: none when the file does not open as the scan opens it, or has no header that adds up.
std::vector<std::string> ReadNamedMasters(const std::string &name);

// Reads the last-write time of folder\name and, unless masters is null, the masters its header
// names, making folder current. False when the folder cannot be entered, the file cannot be
// opened for reading, or its time cannot be read or converted.
bool ReadFileStamp(const char *folder, const std::string &name, FileStamp &stamp,
                   std::vector<std::string> *masters);

// Lists the folder's master and plug-in files in load order, oldest first, into files (which
// it replaces), with the masters their headers name unless told not to read them. Returns how
// many, or kScanCannotList / kScanPathTooLong. Files whose time cannot be read are left out, and
// so are files whose names the ANSI code page cannot spell, which are counted in leftOut when it
// is given (it is not reset). The current directory is the same afterwards.
int ScanDataFolder(const char *folder, std::vector<PluginFile> &files, bool readHeaders = true,
                   int *leftOut = nullptr);

// The full path of a folder, as GetFullPathNameA makes it from the current directory, without a
// trailing backslash but for a drive's root; the path as given when it cannot be made.
std::string ResolveFolder(const char *folder);

// Orders files by their stamps, oldest first; files stamped the same keep their order.
void SortByStamp(std::vector<PluginFile> &files, std::vector<FileStamp> &stamps);
