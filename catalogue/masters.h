#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A master or plug-in file and the masters its header names, as the header spells them.
struct PluginFile {
    std::string name;
    std::vector<std::string> masters;
};

// The masters that the first record of an open file names, read from the file's position (its
// start) through the handle; none when the file has no header that adds up or cannot be read.
std::vector<std::string> ReadFileMasters(HANDLE file);

// What cannot load as it was made in this load order: one line for files whose masters are not
// in it, one for files that come before a master they need. Empty when the order is sound.
std::vector<std::string> DescribeMasterProblems(const std::vector<PluginFile> &order);

// Orders files as the two lists show them: the masters first, then the plug-ins, each kind in the
// order it had.
void PutMastersFirst(std::vector<PluginFile> &files);

// Reports those lines as warnings.
void ReportMasterProblems(HWND dialog, const std::vector<PluginFile> &order);
