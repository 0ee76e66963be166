#pragma once

#include <windows.h>

// The "Sort by Masters" command: puts each file of a list after the masters it needs in the same
// list, as their headers name them now, keeping the selection on the same entries. Nothing is
// written to disk: "Reorder" writes the new order.
void OnSortByMasters(HWND dialog);
