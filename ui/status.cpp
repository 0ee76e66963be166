#include "ui/status.h"

#include "res/resource.h"

void SetStatus(HWND dialog, const char *text, int warning) {
    HWND status = GetDlgItem(dialog, IDC_STATUS);
    LRESULT count = SendMessageA(status, LB_GETCOUNT, 0, 0);
    SendMessageA(status, LB_INSERTSTRING, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(text));
    // The list has no scroll bar; moving the caret is what brings the newest line into view.
    SendMessageA(status, LB_SETCARETINDEX, static_cast<WPARAM>(count), FALSE);
    if (warning)
        MessageBoxA(dialog, text, "Warning", MB_OK);
}

std::string DescribeFiles(const char *what, const std::vector<std::string> &items) {
    return std::to_string(items.size()) + " file(s) " + what + ": " + JoinFirstItems(items);
}

std::string JoinFirstItems(const std::vector<std::string> &items) {
    constexpr size_t kNamed = 5;
    std::string text;
    for (size_t index = 0; index < items.size() && index < kNamed; ++index)
        text += (index > 0 ? ", " : "") + items[index];
    return items.size() > kNamed ? text + ", ..." : text;
}

std::string ShortenName(const std::string &name) {
    constexpr size_t kLongestName = MAX_PATH - 1;
    constexpr size_t kKept = kLongestName - 3; // room for "..."
    return name.size() > kLongestName ? name.substr(0, kKept) + "..." : name;
}
