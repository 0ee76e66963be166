#pragma once

#include "catalogue/masters.h"
#include "win32/handles.h"

#include <windows.h>

#include <string>
#include <vector>

// Writes the order shown (masters top to bottom, then plug-ins) into the files' last-write times,
// after saving the times they had.
void OnReorder(HWND dialog);

// Stamps the named files of folder one after another with rising last-write times, adding those
// that cannot take one (and so keep their time) to unwritten, and reads the masters each names.
// Saves the times of the files first, and asks whether to go on when they cannot be saved. False,
// with no file touched, when the player says No or the folder cannot be made current: the bare
// names would otherwise be taken from whatever folder happens to be current. The current directory
// is the same afterwards.
bool SetLoadOrderTimes(HWND dialog, std::vector<PluginFile> &files, const char *folder,
                       std::vector<std::string> &unwritten);

// A file of the current directory open to take a new last-write time, with the times it had;
// without a handle, and with the reason in error, when it cannot be opened as Reorder opens it.
struct OrderFile {
    UniqueFile handle;
    DWORD error;
    FILETIME accessed, written;
};

// Opens a file for reading and writing, letting others only read meanwhile: a file that the game
// or an editor holds open for writing keeps its time.
OrderFile OpenOrderFile(const std::string &name);

// Players mark a file read-only to pin it in the load order. Windows refuses to open such a file
// for writing; Wine running as root does not, and must not override the player's pin either.
bool IsReadOnly(HANDLE file);

ULONGLONG ToTicks(const FILETIME &time);

// The stamp clock at its base time, 2002-05-03 00:00:00 UTC, carrying the day of the week and
// the milliseconds of the current time.
SYSTEMTIME StartStampClock();

// One step of the stamp clock, made before each stamp.
void AdvanceStampClock(SYSTEMTIME &clock);
