// Times the program's heavy commands on folders of 1,000 and 10,000 plug-ins against the floor
// the platform sets for the same work, measured in the same run on the same folder.
#include "app/dialog.h"
#include "catalogue/masters.h"
#include "catalogue/scan.h"
#include "editing/apply.h"
#include "editing/backup.h"
#include "res/resource.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Every figure is the median of passes that alternate the operation and its floor on the same
// folder (operation, floor, operation, floor, ...): one pass measures the machine's moods as much
// as the program, and a slow moment then weighs on both sides of one pass alike.
constexpr int kPasses = 5;

// What the program is held to at 10,000 files: its time over its floor's.
constexpr int kTargetFiles = 10000;
constexpr double kTargetRatio = 1.2;
// Against the scan without the header read, which reading the headers may cost this much over.
constexpr double kTargetRatioWithoutHeaders = 1.35;

// The program reads the first record with one read of this size; so does the floor.
constexpr DWORD kHeaderRead = 4096;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Work> double TimeOf(Work work) {
    double start = Now();
    work();
    return Now() - start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The medians of an operation's and a floor's times over the passes, and of their ratios, with the
// lowest and the highest ratio.
struct Figure {
    double took, floor, ratio, lowest, highest;
};

// Runs prepare (untimed), the operation and then each floor, kPasses times; one figure a floor.
std::vector<Figure> Compare(const std::function<void()> &prepare,
                            const std::function<void()> &operation,
                            const std::vector<std::function<void()>> &floors) {
    std::vector<double> took;
    std::vector<std::vector<double>> floorTimes(floors.size()), ratios(floors.size());
    for (int pass = 0; pass < kPasses; ++pass) {
        prepare();
        took.push_back(TimeOf(operation));
        for (size_t index = 0; index < floors.size(); ++index) {
            floorTimes[index].push_back(TimeOf(floors[index]));
            ratios[index].push_back(took.back() / floorTimes[index].back());
        }
    }
    std::vector<Figure> figures;
    for (size_t index = 0; index < floors.size(); ++index)
        figures.push_back(Figure{Median(took), Median(floorTimes[index]), Median(ratios[index]),
                                 *std::min_element(ratios[index].begin(), ratios[index].end()),
                                 *std::max_element(ratios[index].begin(), ratios[index].end())});
    return figures;
}

Figure Compare(const std::function<void()> &prepare, const std::function<void()> &operation,
               const std::function<void()> &floor) {
    return Compare(prepare, operation, std::vector<std::function<void()>>{floor})[0];
}

// Answers every message box, so that a warning cannot stop the benchmark.
LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE)
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Little-endian, as both games store their numbers.
std::string Number(uint32_t value, int width) {
    std::string bytes;
    for (int index = 0; index < width; ++index)
        bytes += static_cast<char>(value >> (8 * index) & 0xFF);
    return bytes;
}

// A text field of fixed width, zero-filled.
std::string Field(const std::string &text, size_t width) {
    std::string field = text.substr(0, width - 1);
    return field + std::string(width - field.size(), '\0');
}

// A subrecord: its type, its size (32 bits in Morrowind, 16 in Oblivion) and its data.
std::string Subrecord(bool oblivion, const char *type, const std::string &data) {
    return type + Number(static_cast<uint32_t>(data.size()), oblivion ? 2 : 4) + data;
}

// A record: its type, the size of its data, then Morrowind's unused word and flags, or
// Oblivion's flags, form id and version control.
std::string Record(bool oblivion, const char *type, uint32_t flags, const std::string &data) {
    return type + Number(static_cast<uint32_t>(data.size()), 4) + (oblivion ? "" : Number(0, 4)) +
           Number(flags, 4) + (oblivion ? Number(0, 4) + Number(0, 4) : "") + data;
}

// The first record as each game writes it: HEDR (Morrowind: version, file type, author,
// description and record count; Oblivion: version, record count and next object id), Oblivion's
// author and description, then each master's name and size.
std::string HeaderRecord(bool oblivion, bool master, const std::string &name,
                         const std::vector<std::string> &masters) {
    const std::string author = "Talvessa benchmark";
    const std::string description = "Benchmark file " + name;
    std::string data;
    if (oblivion)
        data = Subrecord(true, "HEDR", Number(0x3F800000, 4) + Number(1, 4) + Number(0x800, 4)) +
               Subrecord(true, "CNAM", author + '\0') + Subrecord(true, "SNAM", description + '\0');
    else
        data = Subrecord(false, "HEDR",
                         Number(0x3FA66666, 4) + Number(master ? 1 : 0, 4) + Field(author, 32) +
                             Field(description, 256) + Number(1, 4));
    for (const std::string &each : masters)
        data += Subrecord(oblivion, "MAST", each + '\0') +
                Subrecord(oblivion, "DATA", Number(123456, 4) + Number(0, 4));
    return Record(oblivion, oblivion ? "TES4" : "TES3", oblivion && master ? 1 : 0, data);
}

std::string FileName(int index) {
    // One master in ten, the rest plug-ins.
    return "Plugin " + std::to_string(index) + (index % 10 ? ".esp" : ".esm");
}

SYSTEMTIME TimeOf(int index) {
    // Shuffled: the times follow neither the names nor the order of creation, and some repeat.
    SYSTEMTIME time{};
    time.wYear = 2005;
    time.wMonth = 1;
    time.wDay = static_cast<WORD>(1 + (index * 7919) % 28);
    time.wHour = static_cast<WORD>((index * 31) % 24);
    time.wMinute = static_cast<WORD>((index * 17) % 60);
    time.wSecond = static_cast<WORD>((index * 13) % 60);
    return time;
}

uint32_t Mix(uint32_t value) {
    value ^= value >> 16;
    value *= 0x7FEB352Du;
    value ^= value >> 15;
    value *= 0x846CA68Bu;
    return value ^ value >> 16;
}

// count different numbers below range, chosen by seed; range must be at least count.
std::vector<size_t> PickDistinct(size_t count, size_t range, uint32_t seed) {
    std::vector<size_t> picked;
    for (uint32_t attempt = 0; picked.size() < count; ++attempt) {
        size_t candidate = attempt < 64 ? Mix(seed * 64 + attempt) % range : attempt % range;
        if (std::find(picked.begin(), picked.end(), candidate) == picked.end())
            picked.push_back(candidate);
    }
    return picked;
}

std::string LowerCase(std::string text) {
    for (char &c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return text;
}

// What each file of the folder names as its masters: two or three of the files that load before
// it, masters before plug-ins and older before newer, so that the folder loads as it is and the
// commands timed take their ordinary course, without a warning box. The first few files have
// fewer to choose from. A plug-in names one of the three oldest masters first, as plug-ins mostly
// name the game's own; one name in eight is spelled in lower case, as headers often spell them.
std::vector<std::vector<std::string>> ChooseMasters(int files) {
    auto key = [](int index) {
        SYSTEMTIME t = TimeOf(index);
        return std::make_tuple(index % 10 != 0, t.wDay, t.wHour, t.wMinute, t.wSecond);
    };
    std::vector<int> order(static_cast<size_t>(files));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    std::vector<std::vector<std::string>> masters(static_cast<size_t>(files));
    size_t before = 0; // how many load strictly before the file at this place: ties do not count
    for (size_t place = 0; place < order.size(); ++place) {
        if (place > 0 && key(order[place - 1]) < key(order[place]))
            before = place;
        const int index = order[place];
        const bool plugin = index % 10 != 0;
        const size_t count = std::min<size_t>(2 + index % 2, before);
        std::vector<size_t> places = PickDistinct(count, before, static_cast<uint32_t>(index));
        if (plugin && count > 0 && before >= 3 &&
            std::find(places.begin(), places.end(), index % 3) == places.end())
            places[0] = static_cast<size_t>(index % 3);
        for (size_t each : places) {
            std::string name = FileName(order[each]);
            if (Mix(static_cast<uint32_t>(index * 3 + each)) % 8 == 0)
                name = LowerCase(name);
            masters[static_cast<size_t>(index)].push_back(name);
        }
    }
    return masters;
}

std::string MakeFolder(int files) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "talvessa-bench-" + std::to_string(files);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::vector<std::vector<std::string>> masters = ChooseMasters(files);
    for (int i = 0; i < files; ++i) {
        // One file in three an Oblivion one. Past the header, a record fills the file to a few
        // kilobytes, so that the first read of the header is a full one, as in a real plug-in.
        const std::string name = FileName(i);
        const bool oblivion = i % 3 == 0;
        std::string bytes = HeaderRecord(oblivion, i % 10 == 0, name, masters[i]);
        const size_t size = 5000 + static_cast<size_t>(i % 7) * 500;
        bytes += Record(oblivion, "GMST", 0, std::string(size - bytes.size() - 24, '\0'));
        HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        SYSTEMTIME time = TimeOf(i);
        FILETIME stamp;
        SystemTimeToFileTime(&time, &stamp);
        SetFileTime(file, nullptr, nullptr, &stamp);
        CloseHandle(file);
    }
    return folder;
}

void RemoveFolder(const std::string &folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((folder + "\\" + entry.cFileName).c_str());
        while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::vector<std::string> ListFolder(const std::string &folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// The least any scan must do: list the folder once, open each file, read its times and, unless
// told not to, its first record. Names are opened relative to the folder, made current once,
// which is the cheapest way to open them. Gives back the names listed.
std::vector<std::string> ScanFloor(const std::string &folder, bool headers) {
    SetCurrentDirectoryA(folder.c_str());
    std::vector<std::string> names = ListFolder(folder);
    for (const std::string &name : names) {
        HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        FILETIME created, accessed, written;
        GetFileTime(file, &created, &accessed, &written);
        if (headers) {
            unsigned char record[kHeaderRead];
            DWORD read;
            ReadFile(file, record, kHeaderRead, &read, nullptr);
        }
        CloseHandle(file);
    }
    return names;
}

// The least any rewrite must do: open each file for reading and writing, read its times, set the
// last-write time, read its first record, give back the last-access time the read moved, close.
// The time set is the one the file had, so that the floor leaves the order on disk as it was.
void StampFloor(const std::string &folder, const std::vector<std::string> &names) {
    SetCurrentDirectoryA(folder.c_str());
    for (const std::string &name : names) {
        HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        FILETIME created, accessed, written;
        GetFileTime(file, &created, &accessed, &written);
        SetFileTime(file, nullptr, nullptr, &written);
        unsigned char record[kHeaderRead];
        DWORD read;
        ReadFile(file, record, kHeaderRead, &read, nullptr);
        SetFileTime(file, nullptr, &accessed, nullptr);
        CloseHandle(file);
    }
}

// The list written and flushed to the disk, as the export must: a file that is to outlive a power
// cut has to be on the disk, not in the system's cache.
void ExportFloor(const std::string &folder, const std::string &target) {
    std::vector<std::string> names = ScanFloor(folder, true);
    std::string list;
    int index = 0;
    for (const std::string &name : names)
        list += "Plugin" + std::to_string(index++) + " = " + name + "\r\n";
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    WriteFile(file, list.data(), static_cast<DWORD>(list.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
}

void Report(const char *operation, int files, const Figure &figure, double target) {
    std::printf("%-24s %6d files: %9.1f ms, floor %9.1f ms, ratio %.2f (%.2f-%.2f)", operation,
                files, figure.took, figure.floor, figure.ratio, figure.lowest, figure.highest);
    if (files == kTargetFiles)
        std::printf(" (at most %.2f: %s)", target, figure.ratio <= target ? "met" : "NOT MET");
    std::printf("\n");
    std::fflush(stdout);
}

void Command(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::string> ListEntries(HWND dialog, std::initializer_list<int> ids) {
    std::vector<std::string> entries;
    for (int id : ids) {
        HWND list = GetDlgItem(dialog, id);
        int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            // A warning line names files and their masters: it may run past a path's length.
            std::string text(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1,
                             '\0');
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
            entries.push_back(text.c_str());
        }
    }
    return entries;
}

std::vector<std::string> ListEntries(HWND dialog) {
    return ListEntries(dialog, {IDC_MASTER_LIST, IDC_PLUGIN_LIST});
}

// The status lines added since the list held `since` lines that report a master problem.
int CountMasterWarnings(HWND dialog, size_t since) {
    std::vector<std::string> lines = ListEntries(dialog, {IDC_STATUS});
    int warnings = 0;
    for (size_t index = since; index < lines.size(); ++index)
        warnings += lines[index].find("a master") != std::string::npos;
    return warnings;
}

void SelectEveryOther(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_PLUGIN_LIST);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; i += 2)
        SendMessageA(list, LB_SETSEL, TRUE, i);
}

// The least a restore must do: open each file for writing and set its last-write time. The times
// set are those the files had before the restores began, read beforehand, so that the floor
// leaves the order on disk as it found it.
void RestoreFloor(const std::string &folder, const std::vector<std::string> &names,
                  const std::vector<FILETIME> &times) {
    SetCurrentDirectoryA(folder.c_str());
    for (size_t index = 0; index < names.size(); ++index) {
        HANDLE file =
            CreateFileA(names[index].c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        SetFileTime(file, nullptr, nullptr, &times[index]);
        CloseHandle(file);
    }
}

std::vector<FILETIME> ReadTimes(const std::string &folder, const std::vector<std::string> &names) {
    std::vector<FILETIME> times(names.size());
    for (size_t index = 0; index < names.size(); ++index) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        GetFileAttributesExA((folder + "\\" + names[index]).c_str(), GetFileExInfoStandard, &data);
        times[index] = data.ftLastWriteTime;
    }
    return times;
}

// The least any arrangement of the lists must do: fill both anew in the order given, each drawn
// once.
void FillFloor(HWND dialog, const std::vector<std::string> &masters,
               const std::vector<std::string> &plugins) {
    for (int id : {IDC_MASTER_LIST, IDC_PLUGIN_LIST}) {
        HWND list = GetDlgItem(dialog, id);
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        for (const std::string &name : id == IDC_MASTER_LIST ? masters : plugins)
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
}

// The least an arrangement must do when the lists are all there is of the order: read each entry
// as the program reads one (its length, then its text), then fill both lists anew.
void ReadAndFillFloor(HWND dialog, const std::vector<std::string> &masters,
                      const std::vector<std::string> &plugins) {
    std::vector<std::string> entries = ListEntries(dialog);
    FillFloor(dialog, masters, plugins);
}

// A list of names in the Plugin<n> = <name> form of an export, one name a line.
std::string WriteList(const std::string &path, const std::vector<std::string> &names) {
    std::string text;
    for (size_t index = 0; index < names.size(); ++index)
        text += "Plugin" + std::to_string(index) + " = " + names[index] + "\n";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

void Measure(int files) {
    std::string folder = MakeFolder(files);
    std::vector<std::string> names = ListFolder(folder);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string exportFloorFile = std::string(exe) + ".floor.txt";

    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     MainDialogProc, 0);
    SetDlgItemTextA(dialog, IDC_PATH_EDIT, folder.c_str());
    const auto nothing = [] {};

    std::vector<Figure> reload =
        Compare(nothing, [&] { Command(dialog, IDC_RELOAD); },
                {[&] { ScanFloor(folder, true); }, [&] { ScanFloor(folder, false); }});
    Report("Reload", files, reload[0], kTargetRatio);
    // Each Reorder saves the order it replaces first; its floor saves nothing.
    Report("Reorder (backup saved)", files,
           Compare(
               nothing, [&] { Command(dialog, IDC_REORDER); }, [&] { StampFloor(folder, names); }),
           kTargetRatio);
    Report("Export", files,
           Compare(
               nothing, [&] { Command(dialog, IDC_EXPORT); },
               [&] { ExportFloor(folder, exportFloorFile); }),
           kTargetRatio);
    // The folder loads as made; the moves below put plug-ins after some that name them as
    // masters, which the program must then see in the headers it read.
    const int soundWarnings = CountMasterWarnings(dialog, 0);
    // Each restore brings back the times the one before replaced (the last two Reorders', which
    // differ in their milliseconds), so that every file takes a new time, and saves the times it
    // replaces; it ends in a list population, whose floor is the scan's.
    Report("Restore Order", files,
           Compare(
               nothing, [&] { Command(dialog, IDM_RESTORE_ORDER); },
               [&, times = ReadTimes(folder, names)] {
                   RestoreFloor(folder, names, times);
                   ScanFloor(folder, true);
               }),
           kTargetRatio);
    // What the menu reads of the saved orders when it opens: the folder's ten newest, each whole.
    std::vector<Backup> backups;
    const double lookup =
        Median({TimeOf([&] { backups = FindBackups(ResolveFolder(folder.c_str()), false); }),
                TimeOf([&] { backups = FindBackups(ResolveFolder(folder.c_str()), false); }),
                TimeOf([&] { backups = FindBackups(ResolveFolder(folder.c_str()), false); })});
    size_t saved = 0;
    for (const Backup &backup : backups)
        saved += backup.count;
    std::printf(
        "%-24s %6d files: %9.1f ms (%zu saved orders of %zu files in all; at most 100 ms%s)\n",
        "Restore Order's menu", files, lookup, backups.size(), saved,
        files == kTargetFiles ? lookup <= 100 ? ": met" : ": NOT MET" : "");

    const int restoredWarnings = CountMasterWarnings(dialog, 0) - soundWarnings;
    size_t statusLines = ListEntries(dialog, {IDC_STATUS}).size();

    // At this size the stamp clock carries minutes, hours and days: an edited order must survive
    // them.
    SelectEveryOther(dialog);
    Command(dialog, IDC_MOVE_BOTTOM);
    std::vector<std::string> shown = ListEntries(dialog);
    Command(dialog, IDC_REORDER);
    Command(dialog, IDC_RELOAD);
    std::printf("%-24s %6d files: order %s after Reorder and Reload\n", "Order kept", files,
                ListEntries(dialog) == shown ? "kept" : "NOT KEPT");
    int movedWarnings = CountMasterWarnings(dialog, statusLines);
    std::printf("%-24s %6d files: %d as made (0 expected), %d after the restores (0 expected), %d "
                "after the moves (2 expected: Reorder's, Reload's)\n",
                "Master warnings", files, soundWarnings, restoredWarnings, movedWarnings);

    // The moves have no platform floor: they are timed outright, on every other entry selected.
    for (int id : {IDC_MOVE_TOP, IDC_MOVE_BOTTOM}) {
        std::vector<double> took;
        for (int pass = 0; pass < kPasses; ++pass) {
            SelectEveryOther(dialog);
            took.push_back(TimeOf([&] { Command(dialog, id); }));
        }
        std::printf("%-24s %6d files: %9.1f ms (every other entry selected)\n",
                    id == IDC_MOVE_TOP ? "Move to Top" : "Move to Bottom", files, Median(took));
    }

    // Apply Order from List with a list naming every file in the reverse of the order shown,
    // against filling the lists in that order; before each pass the lists are put back.
    std::vector<std::string> masters = ListEntries(dialog, {IDC_MASTER_LIST}),
                             plugins = ListEntries(dialog, {IDC_PLUGIN_LIST});
    std::vector<std::string> all = masters;
    all.insert(all.end(), plugins.begin(), plugins.end());
    const std::string forward = WriteList(std::string(exe) + ".forward.txt", all);
    std::reverse(all.begin(), all.end());
    std::reverse(masters.begin(), masters.end());
    std::reverse(plugins.begin(), plugins.end());
    const std::string backward = WriteList(std::string(exe) + ".backward.txt", all);
    std::vector<Figure> applied =
        Compare([&] { ApplyOrderList(dialog, forward); }, [&] { ApplyOrderList(dialog, backward); },
                {[&] { FillFloor(dialog, masters, plugins); },
                 [&] { ReadAndFillFloor(dialog, masters, plugins); }});
    Report("Apply Order from List", files, applied[0], kTargetRatio);
    Report("Apply (entries read floor)", files, applied[1], kTargetRatio);
    DeleteFileA(forward.c_str());
    DeleteFileA(backward.c_str());

    // Sort by Masters on an order that needs it, against the floor of reading the same headers:
    // before each pass, every other plug-in goes to the top again, above masters it needs.
    size_t sortLines = 0;
    Report("Sort by Masters", files,
           Compare(
               [&] {
                   SelectEveryOther(dialog);
                   Command(dialog, IDC_MOVE_TOP);
                   sortLines = ListEntries(dialog, {IDC_STATUS}).size();
               },
               [&] { Command(dialog, IDM_SORT_BY_MASTERS); }, [&] { ScanFloor(folder, true); }),
           kTargetRatio);
    // The order the last sort left loads as made: neither it, Reorder nor Reload warns.
    Command(dialog, IDC_REORDER);
    Command(dialog, IDC_RELOAD);
    std::printf("%-24s %6d files: %d after Sort by Masters, Reorder and Reload (0 expected)\n",
                "Master warnings", files, CountMasterWarnings(dialog, sortLines));
    DestroyWindow(dialog);
    DeleteFileA(exportFloorFile.c_str());
    // The saved orders of the folder go with it.
    for (const Backup &backup : FindBackups(ResolveFolder(folder.c_str())))
        DeleteFileA(backup.path.c_str());
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
    RemoveFolder(folder);
}

// The count at the start of a warning line, "N file(s) ...", or -1 when the line is not about
// what.
long WarningCount(const std::vector<std::string> &lines, const char *what) {
    for (const std::string &line : lines)
        if (line.find(what) != std::string::npos)
            return std::strtol(line.c_str(), nullptr, 10);
    return -1;
}

// The master check alone, on an order built in memory: every file names three masters, most of
// them files before it (one in eight spelled in lower case), some not listed at all, some after
// it. No platform floor: timed outright.
void MeasureMasterCheck(int files) {
    const int kMasters = files / 10;
    auto name = [&](int place) {
        return "Mod " + std::to_string(place) + (place < kMasters ? ".esm" : ".esp");
    };
    std::vector<PluginFile> order(static_cast<size_t>(files));
    long missing = 0, late = 0;
    for (int place = 0; place < files; ++place) {
        PluginFile &file = order[static_cast<size_t>(place)];
        file.name = name(place);
        // The first three have no three files before them: they name masters not listed.
        const bool absent = place < 3 || place % 97 == 5;
        const bool after = place % 89 == 11;
        std::vector<size_t> before =
            place < 3 ? std::vector<size_t>{}
                      : PickDistinct(3, static_cast<size_t>(place), static_cast<uint32_t>(place));
        for (int index = 0; index < 3; ++index) {
            if (absent && index == 2)
                file.masters.push_back("Absent " + std::to_string(place) + ".esm");
            else if (after && index == 1)
                file.masters.push_back(name(std::min(files - 1, place + 1 + place % 50)));
            else if (place < 3)
                file.masters.push_back("Absent " + std::to_string(place * 3 + index) + ".esm");
            else if (Mix(static_cast<uint32_t>(place * 3 + index)) % 8 == 0)
                file.masters.push_back(
                    LowerCase(name(static_cast<int>(before[static_cast<size_t>(index)]))));
            else
                file.masters.push_back(name(static_cast<int>(before[static_cast<size_t>(index)])));
        }
        missing += absent;
        late += after;
    }
    std::vector<std::string> lines;
    std::vector<double> took;
    for (int pass = 0; pass < kPasses; ++pass)
        took.push_back(TimeOf([&] { lines = DescribeMasterProblems(order); }));
    const bool found = lines.size() == 2 && WarningCount(lines, "not listed") == missing &&
                       WarningCount(lines, "before a master") == late;
    std::printf(
        "%-24s %6d files: %9.1f ms (3 masters each, median of 5; %ld missing, %ld late: %s)\n",
        "Master check", files, Median(took), missing, late, found ? "found" : "NOT FOUND");
    // The ordering of Sort by Masters alone, on the same files.
    std::vector<size_t> sorted;
    took.clear();
    for (int pass = 0; pass < kPasses; ++pass)
        took.push_back(TimeOf([&] { OrderByMasters(order, sorted); }));
    std::printf("%-24s %6d files: %9.1f ms (3 masters each, median of 5)\n", "Ordering by masters",
                files, Median(took));
    std::fflush(stdout);
}

} // namespace

int main() {
    HHOOK hook = SetWindowsHookExA(WH_CBT, AnswerBoxes, nullptr, GetCurrentThreadId());
    for (int files : {1000, 10000})
        Measure(files);
    MeasureMasterCheck(10000);
    UnhookWindowsHookEx(hook);
    return 0;
}
