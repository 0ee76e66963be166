#include "catalogue/masters.h"

#include "catalogue/classify.h"
#include "catalogue/header.h"
#include "ui/status.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace {

// Nearly every header fits the first read; a larger one is read whole, up to the reader's limit.
constexpr DWORD kFirstRead = 4096;

// A vector, not a std::wstring: the wide string class would bring in the runtime's whole copy of
// it, some 35 KB of the download.
using WideName = std::vector<wchar_t>;

// The name of the file that Windows opens for a name: it drops trailing spaces and dots, so that
// a header's "Morrowind.esm " names Morrowind.esm.
WideName NameAsOpened(const std::string &text) {
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    WideName wide(static_cast<size_t>(std::max(length, 0)));
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    while (!wide.empty() && (wide.back() == L' ' || wide.back() == L'.'))
        wide.pop_back();
    return wide;
}

// A header names its masters as the player's files are named: the games find them in a folder
// of the file system, which compares names ordinally and without regard to case, letters beyond
// ASCII included ("\xc9" is "\xe9" in code page 1252).
struct Name {
    WideName text;
    size_t place;
};

bool IsBefore(const Name &a, const Name &b) {
    return CompareStringOrdinal(a.text.data(), static_cast<int>(a.text.size()), b.text.data(),
                                static_cast<int>(b.text.size()), TRUE) == CSTR_LESS_THAN;
}

// Sorted for lookup; of names that compare equal, the first given stays first.
std::vector<Name> SortNames(const std::vector<std::string> &texts) {
    std::vector<Name> names;
    names.reserve(texts.size());
    for (size_t place = 0; place < texts.size(); ++place)
        names.push_back(Name{NameAsOpened(texts[place]), place});
    std::stable_sort(names.begin(), names.end(), IsBefore);
    return names;
}

size_t FindPlace(const std::vector<Name> &sorted, const Name &name) {
    auto found = std::lower_bound(sorted.begin(), sorted.end(), name, IsBefore);
    return found != sorted.end() && !IsBefore(name, *found) ? found->place : kNoName;
}

// "A.esp (X.esm, Y.esp)": the first few masters, as the first few files. A header may name
// thousands, and a box with all of them does not fit the screen, or is not shown at all.
std::string NameWithMasters(const std::string &name, const std::vector<std::string> &masters) {
    return ShowName(name) + " (" + JoinFirstNames(masters) + ")";
}

std::string DescribeFileItems(const char *what, const std::vector<std::string> &items) {
    return std::to_string(items.size()) + " file(s) " + what + ": " + JoinFirstItems(items);
}

} // namespace

std::vector<std::string> ReadFileMasters(HANDLE file) {
    // A read may return less than asked: a pipe, a network share or a filter driver hands the
    // bytes over in parts. Reading goes on until the record is whole or the file ends.
    std::vector<unsigned char> bytes(kFirstRead);
    size_t got = 0, wanted = kFirstRead;
    while (got < wanted) {
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + got, static_cast<DWORD>(wanted - got), &read, nullptr) ||
            read == 0)
            break;
        got += read;
        // Until the record header is in, the first read's size is the aim.
        if (size_t total = MeasureHeaderRecord(bytes.data(), got)) {
            wanted = total;
            bytes.resize(std::max(bytes.size(), total));
        }
    }
    return ReadHeaderMasters(bytes.data(), got);
}

std::vector<std::string> DescribeMasterProblems(const std::vector<PluginFile> &order) {
    std::vector<std::string> names;
    names.reserve(order.size());
    for (const PluginFile &file : order)
        names.push_back(file.name);
    const std::vector<Name> listed = SortNames(names);
    std::vector<std::string> missing, late;
    for (size_t place = 0; place < order.size(); ++place) {
        const std::vector<std::string> &masters = order[place].masters;
        // A master named twice counts once, as first spelled.
        const std::vector<Name> sorted = SortNames(masters);
        std::vector<const Name *> given(masters.size());
        for (size_t index = 0; index < sorted.size(); ++index)
            if (index == 0 || IsBefore(sorted[index - 1], sorted[index]))
                given[sorted[index].place] = &sorted[index];
        std::vector<std::string> notListed, notBefore;
        for (size_t index = 0; index < masters.size(); ++index) {
            if (!given[index])
                continue;
            // A file that names itself does not load after itself either.
            size_t master = FindPlace(listed, *given[index]);
            if (master == kNoName)
                notListed.push_back(masters[index]);
            else if (master >= place)
                notBefore.push_back(masters[index]);
        }
        if (!notListed.empty())
            missing.push_back(NameWithMasters(order[place].name, notListed));
        if (!notBefore.empty())
            late.push_back(NameWithMasters(order[place].name, notBefore));
    }
    std::vector<std::string> lines;
    if (!missing.empty())
        lines.push_back(DescribeFileItems("need a master that is not listed", missing));
    if (!late.empty())
        lines.push_back(DescribeFileItems("load before a master they need", late));
    return lines;
}

size_t OrderByMasters(const std::vector<PluginFile> &files, std::vector<size_t> &order) {
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const PluginFile &file : files)
        names.push_back(file.name);
    const std::vector<Name> listed = SortNames(names);
    // For each file, the files that need it, and how many of its own masters are not yet placed.
    std::vector<std::vector<size_t>> needed(files.size());
    std::vector<size_t> waiting(files.size());
    for (size_t place = 0; place < files.size(); ++place)
        for (const std::string &master : files[place].masters) {
            const size_t found = FindPlace(listed, Name{NameAsOpened(master), 0});
            if (found != kNoName && found != place) {
                needed[found].push_back(place);
                ++waiting[place];
            }
        }
    // The files free to go, topmost first.
    std::priority_queue<size_t, std::vector<size_t>, std::greater<size_t>> free;
    for (size_t place = 0; place < files.size(); ++place)
        if (waiting[place] == 0)
            free.push(place);
    std::vector<bool> placed(files.size());
    order.clear();
    for (size_t topmost = 0; order.size() < files.size();) {
        size_t next;
        if (!free.empty()) {
            next = free.top();
            free.pop();
        } else {
            while (placed[topmost])
                ++topmost;
            next = topmost;
        }
        placed[next] = true;
        order.push_back(next);
        for (size_t file : needed[next])
            if (--waiting[file] == 0 && !placed[file])
                free.push(file);
    }
    // A file is mended when one of its masters stood below it and none does now.
    std::vector<size_t> newPlace(files.size());
    for (size_t place = 0; place < order.size(); ++place)
        newPlace[order[place]] = place;
    std::vector<bool> late(files.size()), stillLate(files.size());
    for (size_t master = 0; master < files.size(); ++master)
        for (size_t file : needed[master]) {
            late[file] = late[file] || master > file;
            stillLate[file] = stillLate[file] || newPlace[master] > newPlace[file];
        }
    size_t mended = 0;
    for (size_t file = 0; file < files.size(); ++file)
        mended += late[file] && !stillLate[file];
    return mended;
}

std::vector<size_t> FindNames(const std::vector<std::string> &names,
                              const std::vector<std::string> &wanted) {
    const std::vector<Name> sorted = SortNames(names);
    std::vector<size_t> places;
    places.reserve(wanted.size());
    for (const std::string &name : wanted)
        places.push_back(FindPlace(sorted, Name{NameAsOpened(name), 0}));
    return places;
}

bool IsSameName(const std::string &a, const std::string &b) {
    const Name first{NameAsOpened(a), 0}, second{NameAsOpened(b), 0};
    return !IsBefore(first, second) && !IsBefore(second, first);
}

void PutMastersFirst(std::vector<PluginFile> &files) {
    std::stable_partition(files.begin(), files.end(),
                          [](const PluginFile &file) { return !IsPluginFile(file.name); });
}

void ReportMasterProblems(HWND dialog, const std::vector<PluginFile> &order) {
    for (const std::string &line : DescribeMasterProblems(order))
        SetStatus(dialog, line.c_str(), 1);
}
