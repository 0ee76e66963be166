#pragma once

#include "catalogue/masters.h"

#include <windows.h>

#include <vector>

// Rescans the folder named in the path field and refills the plug-in and master lists, each in
// load order, reporting in the status list.
void LoadPluginLists(HWND dialog);

// Appends the entries of one of the two lists to files, top to bottom, naming no masters.
void AppendListFiles(HWND dialog, int listId, std::vector<PluginFile> &files);

// Makes the folder of the path field current (the caller keeps the folder it had), or says in the
// status list why it cannot.
bool EnterDataFolder(HWND dialog);

// Checks the order the lists show (the master list, then the plug-in list) as after a list
// population, with the masters each header names now, read in the data folder.
void CheckShownOrder(HWND dialog);
