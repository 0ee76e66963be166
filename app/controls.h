#pragma once

#include <windows.h>

#include <string>

// Reads the path field afresh. False when the field is empty: there is no data folder path.
bool ReadPathField(HWND dialog, std::string &path);

// The text of one list box entry.
std::string ReadListEntry(HWND list, int index);
