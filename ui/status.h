#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Appends text to the status list and keeps it in view; a nonzero warning flag also shows the
// text in a "Warning" box owned by the dialog.
void SetStatus(HWND dialog, const char *text, int warning);

// The first five items joined by ", ", then ", ..." when there are more: a box has room for no
// more, and a count before them says how many there are.
std::string JoinFirstItems(const std::vector<std::string> &items);

// The same for names, each as ShowName shows it.
std::string JoinFirstNames(const std::vector<std::string> &names);

// "N file(s) <what>: " and the first five names.
std::string DescribeFiles(const char *what, const std::vector<std::string> &names);

// A file's or a master's name as every text of the program shows it. A header may name a master
// of any length and of any bytes: control bytes become "?", which would otherwise break lines or
// stretch a box (a line feed, a tab), and a name of more than 64 characters is cut to 61 and
// "...", so that thirty names still make a box that fits the screen.
std::string ShowName(const std::string &name);
