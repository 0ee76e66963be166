#pragma once

#include "catalogue/masters.h"

#include <windows.h>

#include <string>
#include <vector>

// Writes the order shown (masters top to bottom, then plug-ins) into the files' last-write times.
void OnReorder(HWND dialog);

// Stamps the named files of folder one after another with rising last-write times, adding those
// that cannot take one (and so keep their time) to unwritten, and reads the masters each names.
// False, with no file touched, when the folder cannot be made current: the bare names would
// otherwise be taken from whatever folder happens to be current. The current directory is the
// same afterwards.
bool SetLoadOrderTimes(std::vector<PluginFile> &files, const char *folder,
                       std::vector<std::string> &unwritten);

// The stamp clock at its base time, 2002-05-03 00:00:00 UTC, carrying the day of the week and
// the milliseconds of the current time.
SYSTEMTIME StartStampClock();

// One step of the stamp clock, made before each stamp.
void AdvanceStampClock(SYSTEMTIME &clock);
