#pragma once

#include <windows.h>

// Appends text to the status list and keeps it in view; a nonzero warning flag also shows the
// text in a "Warning" box owned by the dialog.
void SetStatus(HWND dialog, const char *text, int warning);
