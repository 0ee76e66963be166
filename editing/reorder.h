#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Writes the order shown (masters top to bottom, then plug-ins) into the files' last-write times.
void OnReorder(HWND dialog);

// Stamps the named files of folder one after another with rising last-write times, adding those
// that cannot be written (and so keep their time) to unwritten. False, with no file touched, when
// the folder cannot be made current: the bare names would otherwise be taken from whatever folder
// happens to be current. The current directory is the same afterwards.
bool SetLoadOrderTimes(const std::vector<std::string> &names, const char *folder,
                       std::vector<std::string> &unwritten);

// The warning for files that kept their old time: how many, and the first few names.
std::string DescribeUnwritten(const std::vector<std::string> &unwritten);

// The stamp clock at its base time, 2002-05-03 00:00:00 UTC, carrying the day of the week and
// the milliseconds of the current time.
SYSTEMTIME StartStampClock();

// One step of the stamp clock, made before each stamp.
void AdvanceStampClock(SYSTEMTIME &clock);
