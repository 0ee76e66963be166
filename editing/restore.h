#pragma once

#include <windows.h>

#include <cstddef>

// The "Restore Order" commands: gives the files of the data folder in the path field the
// last-write times that its backup number index (0 the newest) saved, after saving the times they
// have now, then refills the lists as "Reload" does.
void OnRestoreOrder(HWND dialog, size_t index);
