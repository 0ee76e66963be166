#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Appends text to the status list and keeps it in view; a nonzero warning flag also shows the
// text in a "Warning" box owned by the dialog.
void SetStatus(HWND dialog, const char *text, int warning);

// "N file(s) <what>: " and the first few items: a box has room for no more, and the count says
// how many there are.
std::string DescribeFiles(const char *what, const std::vector<std::string> &items);

// The first five items joined by ", ", then ", ..." when there are more.
std::string JoinFirstItems(const std::vector<std::string> &items);

// A name as a warning shows it: no longer than the longest path Windows opens, 259 characters. A
// header may name a master of any length, which would only stretch the box off the screen.
std::string ShortenName(const std::string &name);
