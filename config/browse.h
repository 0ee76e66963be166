#pragma once

#include <windows.h>

// The "..." command: lets the user choose the data folder with the shell's folder browser, puts
// the choice into the path field and refills the lists. Cancelling changes nothing.
void OnBrowse(HWND dialog);
