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

// The order in which files load after the masters they need among them: repeatedly the topmost
// file not yet placed whose masters among them (other than itself) are all placed, or, when none
// is (masters that need each other), the topmost left. A sound order stays as it is, and files
// keep their order wherever their masters allow. Fills order with the files' places, and returns
// how many stood before a master they need and no longer do.
size_t OrderByMasters(const std::vector<PluginFile> &files, std::vector<size_t> &order);

// Where each wanted name stands among names, compared as the check compares them (as Windows opens
// files): the first place of a name equal to it, or kNoName. The work grows with the names times
// a logarithm.
constexpr size_t kNoName = static_cast<size_t>(-1);
// When found is given, it gets the same the other way round: where each name stands among wanted.
std::vector<size_t> FindNames(const std::vector<std::string> &names,
                              const std::vector<std::string> &wanted,
                              std::vector<size_t> *found = nullptr);

// Whether two names or paths name the same file, compared so.
bool IsSameName(const std::string &a, const std::string &b);

// Orders files as the two lists show them: the masters first, then the plug-ins, each kind in the
// order it had.
void PutMastersFirst(std::vector<PluginFile> &files);

// Reports those lines as warnings.
void ReportMasterProblems(HWND dialog, const std::vector<PluginFile> &order);
