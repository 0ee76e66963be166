#pragma once

#include <windows.h>

// The list a move acts on and how many of its entries are selected.
struct SelectionList {
    HWND list;
    int count;
};

// The four move commands. Each moves the selected entries of one list and leaves them selected,
// so that pressing the button again moves the same entries further.
void OnMoveToTop(HWND dialog);
void OnMoveUp(HWND dialog);
void OnMoveDown(HWND dialog);
void OnMoveToBottom(HWND dialog);

// The plug-in list when it has a selection, else the master list when that has one. False after
// reporting "No items selected" or "Error counting items".
bool FindSelectionList(HWND dialog, SelectionList &found);

// Moves the entry at from so that it stands at to (an index counted without the entry itself) and
// selects it there. False, with the list unchanged, when the entry cannot be read or inserted.
bool MoveListEntry(HWND list, int from, int to);
