#include "ui/controls.h"

#include "res/resource.h"

#include <vector>

bool ReadPathField(HWND dialog, std::string &path) {
    int length = GetWindowTextLengthA(GetDlgItem(dialog, IDC_PATH_EDIT));
    if (length <= 0)
        return false;
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    GetDlgItemTextA(dialog, IDC_PATH_EDIT, buffer.data(), length + 1);
    path = buffer.data();
    return true;
}

std::string ReadListEntry(HWND list, int index) {
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.data();
}

void ClearListSelection(HWND dialog, int listId) {
    SendDlgItemMessageA(dialog, listId, LB_SETSEL, FALSE, -1);
}
