#include "editing/apply.h"

#include "catalogue/lists.h"
#include "catalogue/masters.h"
#include "config/folders.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/textfile.h"
#include "res/resource.h"

#include <commdlg.h>

#include <algorithm>
#include <array>
#include <numeric>

namespace {

// A list of every plug-in of the largest folder is far shorter; anything longer is not a list.
constexpr size_t kLargestList = 16 * 1024 * 1024;
constexpr size_t kLongestLine = 4096;

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

bool ChooseOrderList(HWND dialog, std::string &path) {
    std::array<char, MAX_PATH> file{};
    lstrcpynA(file.data(), "ModList.txt", static_cast<int>(file.size()));
    const std::string start = GetExecutableFolder();
    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = "Load order lists (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrInitialDir = start.c_str();
    request.lpstrTitle = "Apply Order from List";
    // The program's current directory stays where it started: relative paths depend on it.
    request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetOpenFileNameA(&request)) {
        path = file.data();
        return true;
    }
    // Cancel says nothing; a dialog that could not take the choice (a path longer than a buffer
    // of MAX_PATH) says so, rather than pass for Cancel.
    if (CommDlgExtendedError())
        SetStatus(dialog, "Cannot read the list chosen", 1);
    return false;
}

// UTF-8 spelt in the ANSI code page; a character it has not becomes "?", which names no file.
std::string SpellUtf8(const std::string &text) {
    const int wide =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<wchar_t> characters(static_cast<size_t>(std::max(wide, 0)));
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), characters.data(),
                        wide);
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size =
        WideCharToMultiByte(CP_ACP, flags, characters.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string spelt(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_ACP, flags, characters.data(), wide, &spelt[0], size, nullptr, nullptr);
    return spelt;
}

// A list's entries, top to bottom.
ListOrder ReadList(HWND dialog, int listId) {
    ListOrder list{listId, {}, {}};
    HWND box = GetDlgItem(dialog, listId);
    const int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index)
        list.entries.push_back(ReadListEntry(box, index));
    return list;
}

// The list's entries that the names give, in their order, then the others in the order they had;
// places holds where each entry's name stands first among the names, or kNoName, the largest of
// all. Counts the entries whose place changes in moved.
void ArrangeByNames(ListOrder &list, const size_t *places, size_t &moved) {
    list.order.resize(list.entries.size());
    std::iota(list.order.begin(), list.order.end(), size_t{0});
    std::stable_sort(list.order.begin(), list.order.end(),
                     [places](size_t a, size_t b) { return places[a] < places[b]; });
    for (size_t place = 0; place < list.order.size(); ++place)
        moved += list.order[place] != place;
}

} // namespace

bool ReadOrderList(std::string text, std::vector<std::string> &names) {
    if (text.compare(0, 3, kUtf8Mark) == 0)
        text = SpellUtf8(text.substr(3));
    // Text mode leaves a carriage return that no line feed follows. Each line is taken apart in
    // place: a list names thousands of files.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find('\n', at), text.size()), first = at, last = end;
        at = end + 1;
        if (last - first > kLongestLine)
            return false;
        while (first < last && isBlank(text[first]))
            ++first;
        if (first == last || text[first] == '#' || text[first] == ';')
            continue;
        // Looked for within the line: a text of thousands of lines without one is not searched to
        // its end from each.
        const size_t equals =
            static_cast<size_t>(std::find(text.begin() + static_cast<std::ptrdiff_t>(first),
                                          text.begin() + static_cast<std::ptrdiff_t>(last), '=') -
                                text.begin());
        if (equals < last)
            first = equals + 1;
        while (first < last && isBlank(text[first]))
            ++first;
        while (last > first && isBlank(text[last - 1]))
            --last;
        if (first < last)
            names.emplace_back(text, first, last - first);
    }
    return true;
}

bool ApplyOrderList(HWND dialog, const std::string &path) {
    const std::string file = ShowName(path.substr(path.find_last_of('\\') + 1));
    SetStatus(dialog, ("Applying the order of " + file + "...").c_str(), 0);
    std::string text;
    std::vector<std::string> names;
    if (!ReadTextFile(path.c_str(), kLargestList, text) || !ReadOrderList(std::move(text), names)) {
        SetStatus(dialog, ("Cannot read " + file).c_str(), 1);
        return false;
    }
    std::vector<ListOrder> lists = {ReadList(dialog, IDC_MASTER_LIST),
                                    ReadList(dialog, IDC_PLUGIN_LIST)};
    std::vector<std::string> listed = lists[0].entries;
    listed.insert(listed.end(), lists[1].entries.begin(), lists[1].entries.end());
    std::vector<size_t> found;
    const std::vector<size_t> places = FindNames(names, listed, &found);
    size_t moved = 0;
    ArrangeByNames(lists[0], places.data(), moved);
    ArrangeByNames(lists[1], places.data() + lists[0].entries.size(), moved);
    // The names of the list that neither list holds, each once.
    std::vector<std::string> missing, absent;
    for (size_t place = 0; place < names.size(); ++place)
        if (found[place] == kNoName)
            missing.push_back(names[place]);
    const std::vector<size_t> first = FindNames(missing, missing);
    for (size_t place = 0; place < missing.size(); ++place)
        if (first[place] == place)
            absent.push_back(missing[place]);
    if (!ArrangeLists(dialog, lists))
        return false;
    SetStatus(dialog,
              moved ? (std::to_string(moved) +
                       " file(s) moved to the list's order; Reorder writes the new order")
                          .c_str()
                    : "No file had to move",
              0);
    if (!absent.empty())
        SetStatus(dialog,
                  (std::to_string(absent.size()) +
                   " name(s) of the list are not in the folder: " + JoinFirstNames(absent))
                      .c_str(),
                  0);
    return true;
}

void OnApplyOrderList(HWND dialog) {
    std::string path;
    if (ChooseOrderList(dialog, path) && ApplyOrderList(dialog, path))
        CheckShownOrder(dialog);
}
