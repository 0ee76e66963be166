#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Before a command changes the last-write times of the data folder's files, it saves the times
// they have in a backup, a text file in the folder Backups beside the executable, so that
// "Restore Order" can give them back: the times are the players' only record of the order the
// games loaded until then. The ten newest backups of each data folder are kept.
constexpr size_t kKeptBackups = 10;

// A file's last-write time exactly as the file system holds it: 100-ns units since 1601, UTC.
struct SavedTime {
    std::string name;
    ULONGLONG written;
};

struct Backup {
    std::string path;             // the backup's file
    std::string folder;           // the data folder's full path
    std::string taken;            // the local time it was taken, "2026-12-07 15:04:03"
    std::vector<SavedTime> files; // unless read without them
    size_t count = 0;             // the files it holds
};

// The text of a backup, as it is saved. False when it cannot be written so that it reads back the
// same: a folder or a name with a control character, or a time after the year 9999.
bool FormatBackup(const Backup &backup, std::string &text);

// A backup's text as read in text mode. False, with backup in any state, unless the whole text is
// a backup: the first line, the folder, the time it was taken, at most 100,000 lines of a time
// that is a date and a bare master or plug-in name (no "\", "/", ":", wildcard, control character
// or device), then the count of those lines, and nothing else. Without names, files stays empty:
// every line is checked, and counted, all the same.
bool ParseBackup(const std::string &text, Backup &backup, bool withNames = true);

// The backups of a data folder (a full path; folders compare as Windows compares paths) that
// parse whole, of its ten newest, newest first by the time they were taken and then by the order
// they were written. A menu that only names them reads them without their files' names.
std::vector<Backup> FindBackups(const std::string &folder, bool withNames = true);

// Saves a backup of the data folder holding the files' times, written whole under another name
// and then put in place, and deletes the folder's backups beyond the ten newest. When it cannot
// be saved, says so after "Cannot save the order before <command>" and asks whether to <verb>
// anyway; false when the answer is No, after "<verb> cancelled". An empty backup is not saved.
// The backup at keep, when given, is not deleted for being old.
bool BackUpOrder(HWND dialog, const std::string &folder, const std::vector<SavedTime> &files,
                 const char *command, const char *verb, const std::string &keep = "");
