#pragma once

#include <windows.h>

// The right-click menu of the two lists (also Shift+F10 and the menu key): the four moves, "Sort
// by Masters", "Apply Order from List..." and the saved orders that "Restore Order" brings back.
// where is the point in screen coordinates that WM_CONTEXTMENU carries, or -1, -1 from the
// keyboard. False for any other window, which has no menu here.
bool OnContextMenu(HWND dialog, HWND window, LPARAM where);
