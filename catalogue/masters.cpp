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

// A header names its masters as the player's files are named: the games find them in a folder
// of the file system, which compares names ordinally and without regard to case, letters beyond
// ASCII included ("\xc9" is "\xe9" in code page 1252). Its case table is the system's own, the
// one CompareStringOrdinal ignores case by: each name is put in upper case by it once, so that
// names then compare character by character.
extern "C" WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR character);

// Writes the name of the file that Windows opens for a text, in upper case, to at, which has room
// for as many characters as the text has bytes (no ANSI code page makes more of them); returns its
// length. Windows drops trailing spaces and dots, so that a header's "Morrowind.esm " names
// Morrowind.esm.
size_t WriteNameAsOpened(const std::string &text, wchar_t *at) {
    size_t length = text.size();
    // Plain ASCII, as nearly every name is, is ASCII in every ANSI code page, and its upper case
    // is its own: no conversion is needed.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c > 0; })) {
        for (size_t index = 0; index < length; ++index)
            at[index] = static_cast<wchar_t>(
                text[index] >= 'a' && text[index] <= 'z' ? text[index] - 32 : text[index]);
    } else {
        length = static_cast<size_t>(
            std::max(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(length), at,
                                         static_cast<int>(length)),
                     0));
        for (size_t index = 0; index < length; ++index)
            at[index] = RtlUpcaseUnicodeChar(at[index]);
    }
    while (length > 0 && (at[length - 1] == L' ' || at[length - 1] == L'.'))
        --length;
    return length;
}

struct Name {
    const wchar_t *text;
    size_t length;
    size_t place; // where the name stands among those it was sorted with
};

bool IsBefore(const Name &a, const Name &b) {
    return std::lexicographical_compare(a.text, a.text + a.length, b.text, b.text + b.length);
}

// Names sorted for lookup, their characters one after another in one buffer: an allocation for
// each of thousands of names costs more than the sorting. Of names that compare equal, the first
// given stays first. Not copyable: the names point into the buffer.
class SortedNames {
  public:
    explicit SortedNames(const std::vector<std::string> &texts) {
        size_t total = 0;
        for (const std::string &text : texts)
            total += text.size();
        characters_.resize(total);
        names_.reserve(texts.size());
        for (size_t place = 0, at = 0; place < texts.size(); at += texts[place++].size())
            names_.push_back(Name{characters_.data() + at,
                                  WriteNameAsOpened(texts[place], characters_.data() + at), place});
        std::stable_sort(names_.begin(), names_.end(), IsBefore);
    }
    SortedNames(const SortedNames &) = delete;
    SortedNames &operator=(const SortedNames &) = delete;
    const std::vector<Name> &Names() const { return names_; }

  private:
    // A vector, not a std::wstring: the wide string class would bring in the runtime's whole copy
    // of it, some 35 KB of the download.
    std::vector<wchar_t> characters_;
    std::vector<Name> names_;
};

// For each name of wanted, by its place there, the place of the first equal name of names, or
// kNoName. Both are sorted, and walked side by side.
std::vector<size_t> MatchNames(const SortedNames &names, const SortedNames &wanted) {
    std::vector<size_t> places(wanted.Names().size(), kNoName);
    auto at = names.Names().begin(), end = names.Names().end();
    for (const Name &name : wanted.Names()) {
        while (at != end && IsBefore(*at, name))
            ++at;
        if (at != end && !IsBefore(name, *at))
            places[name.place] = at->place;
    }
    return places;
}

// Every master of every file, one after another, and the file that names each.
struct AllMasters {
    std::vector<std::string> names;
    std::vector<size_t> owners;
};

AllMasters ListAllMasters(const std::vector<PluginFile> &files) {
    AllMasters all;
    for (size_t place = 0; place < files.size(); ++place)
        for (const std::string &master : files[place].masters) {
            all.names.push_back(master);
            all.owners.push_back(place);
        }
    return all;
}

std::vector<std::string> FileNames(const std::vector<PluginFile> &files) {
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const PluginFile &file : files)
        names.push_back(file.name);
    return names;
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
    const AllMasters all = ListAllMasters(order);
    const SortedNames listed(FileNames(order)), given(all.names);
    const std::vector<size_t> found = MatchNames(listed, given);
    // A master that a file names twice counts once, as first spelled: of equal names, those of
    // one file stand together in the sorted order, the first spelling first.
    std::vector<bool> counted(all.names.size());
    const std::vector<Name> &sorted = given.Names();
    for (size_t index = 0; index < sorted.size(); ++index)
        counted[sorted[index].place] =
            index == 0 || IsBefore(sorted[index - 1], sorted[index]) ||
            all.owners[sorted[index - 1].place] != all.owners[sorted[index].place];
    std::vector<std::string> missing, late;
    for (size_t master = 0, place = 0; place < order.size(); ++place) {
        std::vector<std::string> notListed, notBefore;
        for (const std::string &name : order[place].masters) {
            // A file that names itself does not load after itself either.
            if (counted[master] && found[master] == kNoName)
                notListed.push_back(name);
            else if (counted[master] && found[master] >= place)
                notBefore.push_back(name);
            ++master;
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
    const AllMasters all = ListAllMasters(files);
    const std::vector<size_t> found =
        MatchNames(SortedNames(FileNames(files)), SortedNames(all.names));
    // For each file, the files that need it, and how many of its own masters are not yet placed.
    std::vector<std::vector<size_t>> needed(files.size());
    std::vector<size_t> waiting(files.size());
    for (size_t master = 0; master < found.size(); ++master)
        if (found[master] != kNoName && found[master] != all.owners[master]) {
            needed[found[master]].push_back(all.owners[master]);
            ++waiting[all.owners[master]];
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
                              const std::vector<std::string> &wanted, std::vector<size_t> *found) {
    const SortedNames sortedNames(names), sortedWanted(wanted);
    if (found)
        *found = MatchNames(sortedWanted, sortedNames);
    return MatchNames(sortedNames, sortedWanted);
}

bool IsSameName(const std::string &a, const std::string &b) {
    return FindNames({a}, {b})[0] != kNoName;
}

void PutMastersFirst(std::vector<PluginFile> &files) {
    std::stable_partition(files.begin(), files.end(),
                          [](const PluginFile &file) { return !IsPluginFile(file.name); });
}

void ReportMasterProblems(HWND dialog, const std::vector<PluginFile> &order) {
    for (const std::string &line : DescribeMasterProblems(order))
        SetStatus(dialog, line.c_str(), 1);
}
