#pragma once

#include <windows.h>

// Fills the path field at start-up: from talvessa.dat in the current directory when it opens,
// else from the Morrowind or Oblivion installation in the registry, else empty after a warning.
void LoadDataFolderPath(HWND dialog);

// Writes the path field to talvessa.dat beside the executable, which it makes the current
// directory. An empty field writes nothing, so the path saved earlier survives.
void SaveDataFolderPath(HWND dialog);
