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
    if (!GetOpenFileNameA(&request))
        return false;
    path = file.data();
    return true;
}

std::string Trim(const std::string &text) {
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \t") + 1 - first);
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

// Each list's entries that the names give, in their order, then the others in the order they had.
ListOrder ArrangeByNames(HWND dialog, int listId, const std::vector<std::string> &names,
                         size_t &moved) {
    ListOrder list{listId, {}, {}};
    HWND box = GetDlgItem(dialog, listId);
    const int count = static_cast<int>(SendMessageA(box, LB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index)
        list.entries.push_back(ReadListEntry(box, index));
    // kNoName is the largest place of all: the entries not named go last.
    const std::vector<size_t> places = FindNames(names, list.entries);
    list.order.resize(list.entries.size());
    std::iota(list.order.begin(), list.order.end(), size_t{0});
    std::stable_sort(list.order.begin(), list.order.end(),
                     [&places](size_t a, size_t b) { return places[a] < places[b]; });
    for (size_t place = 0; place < list.order.size(); ++place)
        moved += list.order[place] != place;
    return list;
}

} // namespace

bool ReadOrderList(std::string text, std::vector<std::string> &names) {
    if (text.compare(0, 3, kUtf8Mark) == 0)
        text = SpellUtf8(text.substr(3));
    // Text mode leaves a carriage return that no line feed follows.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size());
        if (end - at > kLongestLine)
            return false;
        std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        const size_t equals = line.find('=');
        line = Trim(equals == std::string::npos ? line : line.substr(equals + 1));
        if (!line.empty())
            names.push_back(std::move(line));
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
    size_t moved = 0;
    const std::vector<ListOrder> lists = {ArrangeByNames(dialog, IDC_MASTER_LIST, names, moved),
                                          ArrangeByNames(dialog, IDC_PLUGIN_LIST, names, moved)};
    // The names of the list that neither list holds, each once.
    std::vector<std::string> listed = lists[0].entries;
    listed.insert(listed.end(), lists[1].entries.begin(), lists[1].entries.end());
    const std::vector<size_t> found = FindNames(listed, names), first = FindNames(names, names);
    std::vector<std::string> absent;
    for (size_t place = 0; place < names.size(); ++place)
        if (found[place] == kNoName && first[place] == place)
            absent.push_back(names[place]);
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
