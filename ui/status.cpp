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

namespace {

constexpr size_t kNamed = 5;

template <typename Show> std::string JoinFirst(const std::vector<std::string> &items, Show show) {
    std::string text;
    for (size_t index = 0; index < items.size() && index < kNamed; ++index)
        text += (index > 0 ? ", " : "") + show(items[index]);
    return items.size() > kNamed ? text + ", ..." : text;
}

} // namespace

std::string JoinFirstItems(const std::vector<std::string> &items) {
    return JoinFirst(items, [](const std::string &item) { return item; });
}

std::string JoinFirstNames(const std::vector<std::string> &names) {
    return JoinFirst(names, ShowName);
}

std::string DescribeFiles(const char *what, const std::vector<std::string> &names) {
    return std::to_string(names.size()) + " file(s) " + what + ": " + JoinFirstNames(names);
}

std::string ShowName(const std::string &name) {
    constexpr size_t kLongestName = 64;
    constexpr size_t kKept = kLongestName - 3; // room for "..."
    std::string shown;
    size_t characters = 0, kept = 0;
    for (size_t at = 0; at < name.size(); ++characters) {
        if (characters == kKept)
            kept = shown.size();
        if (characters == kLongestName)
            return shown.substr(0, kept) + "...";
        // Characters, not bytes: a double-byte code page's character is never split. Its second
        // byte is 0x40 or more and never 0x7F: a lead byte before any other is a byte alone.
        const unsigned char c = static_cast<unsigned char>(name[at]),
                            next =
                                at + 1 < name.size() ? static_cast<unsigned char>(name[at + 1]) : 0;
        if (IsDBCSLeadByte(c) && next >= 0x40 && next != 0x7F) {
            shown.append(name, at, 2);
            at += 2;
        } else {
            shown += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
            ++at;
        }
    }
    return shown;
}
