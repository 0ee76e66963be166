#pragma once

#include <windows.h>

// Writes the load order that the files' times give now to ModList.txt beside the executable and
// opens it with the application associated with text files.
void OnExportLoadOrder(HWND dialog);
