#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The "Apply Order from List..." command: lets the player choose a list of names with the Open
// dialog (an exported ModList.txt, lines copied from Morrowind.ini, a guide's order) and arranges
// each list by it, then checks the order shown. Nothing is written to disk: "Reorder" writes the
// new order. Cancelling changes nothing.
void OnApplyOrderList(HWND dialog);

// Arranges both lists by the list file at path, reporting in the status list; false when nothing
// was arranged because the file cannot be read or the lists cannot take the new order.
bool ApplyOrderList(HWND dialog, const std::string &path);

// The names a list's text gives (as read in text mode), in its order: one a line at most, blank
// lines and lines beginning with '#' or ';' skipped, what follows the first '=' where there is
// one ("Plugin0 = A.esp", "GameFile0=A.esp"), spaces and tabs around it dropped. A text that
// begins with a UTF-8 byte-order mark is UTF-8, and its names are spelt in the ANSI code page.
// False when a line is longer than 4,096 characters: such a text is no list.
bool ReadOrderList(std::string text, std::vector<std::string> &names);
