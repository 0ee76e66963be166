#pragma once

#include <windows.h>

// Rescans the folder named in the path field and refills the plug-in and master lists, each in
// load order, reporting in the status list.
void LoadPluginLists(HWND dialog);
