#include "tests/harness.h"

#include "catalogue/header.h"
#include "catalogue/scan.h"

#include <random>

using CatalogueTest = TalvessaTest;

TEST_F(CatalogueTest, scanListsReadableCandidatesOldestFirstInLocalTimeWithTiesInListingOrder) {
    // Each of the first six is later than the next by one field while every less significant field
    // is larger: the fields count from the year down. In Berlin time (the tests') 02:30 summer time
    // comes an hour before 02:10 winter time, yet the local fields put it later. None of the last
    // four is a plug-in or master file that can be read.
    // Each file with its last-write time, UTC: year, month, day, hour, minute, second.
    const std::string files =
        "Year.esp 2003 1 1 0 0 0|Month.esm 2002 2 1 0 0 0|Day.esp 2002 1 2 0 0 0|"
        "Hour.esp 2002 1 1 1 0 0|Minute.esm 2002 1 1 0 1 0|"
        "Second.esp 2002 1 1 0 0 1|Summer.esp 2026 10 25 0 30 0|"
        "Winter.esp 2026 10 25 1 10 0|Upper.ESM 2000|.esp 2000|a.esp~ 2000|"
        "Locked.esp 2000|";
    for (const std::string &file : Split(files)) {
        char name[16];
        int t[6] = {0, 1, 1, 0, 0, 0};
        sscanf(file.c_str(), "%15s %d %d %d %d %d %d", name, t, t + 1, t + 2, t + 3, t + 4, t + 5);
        WriteBytes(Path(name), name);
        TimeOf(Path(name), Utc(t[0], t[1], t[2], t[3], t[4], t[5]));
    }
    ASSERT_TRUE(CreateDirectoryA(Path("Folder.esp").c_str(), nullptr));
    // Files stamped the same second, whatever their milliseconds, keep the listing's order; the
    // one listed last is a second earlier, so that only the seconds put it first.
    for (int tie = 0; tie < 40; ++tie) {
        WriteBytes(Path("Tie" + std::to_string(tie) + ".esm"), "");
        TimeOf(Path("Tie" + std::to_string(tie) + ".esm"), Utc(2027, 6, 1, 0, 0, 1, tie));
    }
    std::string ties, last, scanned;
    for (const std::string &name : Split(ListFolder(folder_)))
        if (name.rfind("Tie", 0) == 0)
            ties += std::exchange(last, name + "|");
    TimeOf(Path(last.substr(0, last.size() - 1)), Utc(2027, 6, 1, 0, 0, 0));
    // Held open by other programs: one reading, which shares, and one writing, which lets others
    // read but not write, as the scan would.
    UniqueFile reading = Hold(Path("Year.esp"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE),
               locked = Hold(Path("Locked.esp"), GENERIC_WRITE, FILE_SHARE_READ);
    std::vector<PluginFile> found;
    EXPECT_EQ(ScanDataFolder(folder_.c_str(), found), 48);
    for (const PluginFile &file : found)
        scanned += file.name + "|";
    EXPECT_EQ(scanned, "Second.esp|Minute.esm|Hour.esp|Day.esp|Month.esm|Year.esp|Winter.esp|"
                       "Summer.esp|" +
                           last + ties);
    EXPECT_EQ(CountPluginFiles(folder_.c_str()), 50);
    // The listing pattern fits folders of up to 257 characters. 258 leaves room for the backslash
    // but not the "*", which cannot be listed; longer is refused before anything is looked at.
    const int rows[][3] = {{257, 0, 0},
                           {258, kScanCannotList, kScanCannotList},
                           {259, kScanPathTooLong, kScanCannotList}};
    for (const auto &[length, scan, count] : rows) {
        // An empty folder named with the wanted length: "s" or "ss" for the parity, then "\.".
        std::string path = Path((length - folder_.size()) % 2 ? "ss" : "s");
        CreateDirectoryA(path.c_str(), nullptr);
        while (path.size() < size_t(length))
            path += "\\.";
        EXPECT_EQ(ScanDataFolder(path.c_str(), found), scan) << length;
        EXPECT_EQ(CountPluginFiles(path.c_str()), count) << length;
    }
}

// A name of words of nine letters: a box breaks its lines between words.
static std::string Words(size_t length, char letter) {
    std::string words(length, letter);
    for (size_t space = 9; space < length; space += 10)
        words[space] = ' ';
    return words;
}

// Each row loads a path, after making it a folder of the files after its "=", in time order
// ("A.esp:B.esm" names the master B.esm in its header), or chooses it with the folder browser
// after a ">" (cancels it when nothing follows); it expects the status lines after "Loading Mod
// Files..." and, unless the row leaves them out, the lists.
TEST_F(CatalogueTest, listPopulationReportsEachOutcomeAndTheFilesThatCannotLoadAsMade) {
    WriteBytes("C:\\talvessa-root.esp", ""); // a drive's root is the root, not its current folder
    // Names that code page 1252 spells only by their best fit, "A.esp", are left out.
    CreateDirectoryA("Fit", nullptr);
    MakeFilesInOrder("Fit", "A.esp|");
    for (const wchar_t *name : {L"Fit\\\xff21.esp", L"Fit\\\x100.esp"})
        CloseHandle(CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    const std::string lists = "B.esp|A.esp| Base.esm|Extra.esm|",
                      browsed = "Browser (unowned): Select your data files folder|",
                      longest = Words(64, 'y'), longer = Words(65, 'z');
    const std::string rows[][3] = {
        {"Data=B.esp|Base.esm|A.esp|Extra.esm|Readme.txt|", "Done|", lists},
        // Relative to the folder the program started in, however often it is used.
        {"Data", "Done|", lists},
        {">", "", lists},
        {"", "No Data Files path|", lists},
        {"empty=", "Error loading mod files|", " "},
        {">" + Path("Data"), "Done|", lists},
        {"C:\\", "Done|", "talvessa-root.esp| "},
        {"Fit",
         "Done|2 file(s) left out: their names cannot be written in this system's code page|",
         "A.esp| "},
        // Names compare as the file system opens them: regardless of case, and without trailing
        // spaces and dots. An empty one, or one given again, is no master. The master list comes
        // first, whatever the times.
        {"Sound=Mod.esp:base.ESM::BASE.ESM:Base.esm :Base.esm. .|Base.esm|", "Done|", ""},
        {"Late=L.esm:\xc9.esm:M.esp|\xc9.esm|S.esp:S.esp |M.esp:G.esm:\xe9.ESM:g.ESM:O.esp|X.esp:"
         "\xca.esm|",
         "Done|2 file(s) need a master that is not listed: M.esp (G.esm, O.esp), X.esp (\xca.esm)|"
         "2 file(s) load before a master they need: L.esm (\xc9.esm, M.esp), S.esp (S.esp )|",
         ""},
        {"Many=A.esp:X|B.esp:X|C.esp:X|D.esp:X|E.esp:X|F.esp:X|",
         "Done|6 file(s) need a master that is not listed: A.esp (X), B.esp (X), C.esp (X), "
         "D.esp (X), E.esp (X), ...|",
         ""},
        // Five masters a bracket at most, as five files a warning; no name longer than 64
        // characters, and no control character that would break a line or stretch a box.
        {"Five=A.esp:1:2:3:4:5:6|B.esp:1:2:3:4:5|C.esp:" + longest + "|D.esp:" + longer + "|" +
             longer + ".esp:X\n\t\x7f\x1f|",
         "Done|5 file(s) need a master that is not listed: A.esp (1, 2, 3, 4, 5, ...), B.esp (1, "
         "2, 3, 4, 5), C.esp (" +
             longest + "), D.esp (" + longer.substr(0, 61) + "...), " + longer.substr(0, 61) +
             "... (X\?\?\?\?)|",
         ""}};
    for (const auto &[row, outcome, shown] : rows) {
        const std::string path = row.substr(0, row.find('=')), typed = PathText();
        if (path != row && CreateDirectoryA(path.c_str(), nullptr))
            MakeFilesInOrder(path, row.substr(path.size() + 1));
        browseTo_ = path.substr(path[0] == '>');
        path[0] == '>' ? Click(IDC_BROWSE) : (SetPath(path), Click(IDC_RELOAD));
        EXPECT_EQ(PathText(), path == ">" ? typed : browseTo_) << path;
        EXPECT_EQ(NewStatus(), (outcome.empty() ? "" : "Loading Mod Files...|") + outcome) << path;
        EXPECT_EQ(shown.empty() ? "" : Lists(), shown) << path;
        EXPECT_EQ(Boxes(), (path[0] == '>' ? browsed : "") + Warnings(outcome)) << path;
    }
    DeleteFileA("C:\\talvessa-root.esp");
    // The newest line is in view although the status list has no scroll bar: the list is scrolled
    // to the last lines it has room for.
    EXPECT_GE(Send(IDC_STATUS, LB_GETTOPINDEX), Send(IDC_STATUS, LB_GETCOUNT) - 4); // 3 fit
}

// Files whose headers name a thousand masters, none of them there, are warned about at start-up
// in a box that names five files and five masters each, and fits the work area: thirty names of
// 64 of the widest letter, or cut to that, and masters of line feeds and tabs, drawn as "?".
TEST_F(CatalogueTest, startUpWarnsOfHeadersNamingAThousandMissingMastersInABoxThatFits) {
    const auto name = [](int n) { return std::string(56, 'W') + std::to_string(n) + ".esp"; };
    const std::string cut = std::string(61, '?') + "...",
                      five = cut + ", " + cut + ", " + std::string(61, 'W') + "..., " + name(1000) +
                             ", " + name(1001) + ", ...";
    std::string files,
        masters = ":" + std::string(258, '\n') + "x:" + std::string(258, '\t') + ":" +
                  std::string(200, 'W'),
        named;
    for (int m = 1000; m < 2000; ++m)
        masters += ":" + name(m);
    for (int file = 9000; file < 9006; ++file) {
        files += name(file) + masters + "|";
        named += file < 9005 ? name(file) + " (" + five + "), " : "";
    }
    CreateDirectoryA("Six", nullptr);
    MakeFilesInOrder("Six", files);
    WriteBytes("talvessa.dat", "Six");
    Reopen();
    named = "6 file(s) need a master that is not listed: " + named + "...|";
    EXPECT_EQ(Show(IDC_STATUS), "Loading Mod Files...|Done|" + named);
    EXPECT_EQ(Boxes(), "Warning: " + named);
}

// The bytes end where an unreadable page begins, so that a read past them ends the test.
static std::vector<std::string> ReadMasters(const std::string &bytes) {
    static char *const end =
        static_cast<char *>(VirtualAlloc(nullptr, 0x80000, MEM_COMMIT, PAGE_READWRITE)) + 0x7f000;
    DWORD was;
    VirtualProtect(end, 4096, PAGE_NOACCESS, &was);
    std::memcpy(end - bytes.size(), bytes.data(), bytes.size());
    return ReadHeaderMasters(reinterpret_cast<unsigned char *>(end - bytes.size()), bytes.size());
}

TEST_F(CatalogueTest, headersNameTheMastersOfTheirWholeFirstRecordAndNothingElse) {
    const std::string hedr = "HEDR" + std::string(300, 'h'), data = "DATA" + Number(7, 8),
                      oblivion = "HEDR" + std::string(12, 'h'),
                      padded = Header(false, {hedr, "MASTA.esm", "PADD"}),
                      largest = Header(false, {hedr, "MASTA.esm",
                                               "PADD" + std::string(0x40000 - padded.size(), 'p')});
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {Header(false, {hedr, "MASTM.esm", data, "MASTT.esm\0cut", data}), {"M.esm", "T.esm"}},
        {Header(true, {oblivion, "CNAMme", "SNAMus", "MASTO.esm", data, std::string("MAST\0x", 6),
                       data, "MASTo.ESM", data}),
         {"O.esm", "o.ESM"}},
        // Oblivion's escape: the size of the subrecord after an XXXX, too large for 16 bits.
        {Header(true, {oblivion, "XXXX" + Number(70000, 4), "OFST" + std::string(70000, 'o'),
                       "MASTA.esm"}),
         {"A.esm"}},
        {Header(false, {hedr, "MASTA.esm", data}) + "TES3 and more records", {"A.esm"}},
        // Not at offset 20: a later game's header, whose record header has 24 bytes.
        {Header(false, {hedr, "MASTA.esm", data}).replace(3, 1, "4"), {}},
        {Header(false, {"MASTA.esm", data}), {}},
        // A byte after the last subrecord, and a last subrecord that runs past the record.
        {Header(false, {hedr, "MASTA.esm", data}, 1) + "x", {}},
        {Header(false, {hedr, "MASTA.esm", data}, -1), {}},
        // A last subrecord without data; a record of 256 KiB exactly, and one byte more.
        {Header(false, {hedr, "MASTA.esm", "DATA"}), {"A.esm"}},
        {largest, {"A.esm"}},
        {Header(false, {hedr, "MASTA.esm", "PADD" + std::string(0x40000 - padded.size() + 1, 'p')}),
         {}}};
    for (const auto &[bytes, masters] : rows)
        EXPECT_EQ(ReadMasters(bytes), masters) << bytes;
    for (int row = 0; row < 2; ++row) // every cut of a whole header
        for (size_t cut = 0; cut < rows[row].first.size(); ++cut)
            ASSERT_EQ(ReadMasters(rows[row].first.substr(0, cut)), rows[4].second) << cut;
    // Through a file, where a header longer than the first read is read whole, and through a pipe
    // that hands it over in parts shorter than asked for, as a network share may.
    WriteBytes(Path("Big.esp"), rows[2].first);
    EXPECT_EQ(ReadFileMasters(Hold(Path("Big.esp"), GENERIC_READ, 0).Get()), rows[2].second);
    UniqueFile pipe(CreateNamedPipeA("\\\\.\\pipe\\talvessa", PIPE_ACCESS_INBOUND,
                                     PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 0, 1 << 17, 0,
                                     nullptr));
    UniqueFile parts = Hold("\\\\.\\pipe\\talvessa", GENERIC_WRITE, 0);
    DWORD done;
    const std::string &big = rows[2].first;
    for (auto [at, size] :
         {std::pair<size_t, size_t>{0, 10}, {10, 1990}, {2000, big.size() - 2000}})
        WriteFile(parts.Get(), &big[at], DWORD(size), &done, nullptr);
    parts.Reset();
    EXPECT_EQ(ReadFileMasters(pipe.Get()), rows[2].second);
    // Seeded corruptions: a size after a type set to 0, to its maximum, past the end or to any
    // value. Nothing may be named that the bytes do not hold.
    std::mt19937 random(2026);
    for (int run = 0; run < 10000; ++run) {
        std::string bytes = rows[run % 4].first;
        const size_t size = bytes.size(),
                     at = (bytes.find_first_of("DHMOTX", random() % size) + 4) % size;
        const uint32_t sizes[] = {0, 0xFFFFFFFF, uint32_t(size - at + 1), uint32_t(random())};
        bytes.replace(at, 4, Number(sizes[random() % 4], 4));
        for (const std::string &name : ReadMasters(bytes))
            ASSERT_NE(bytes.find(name), bytes.npos) << run;
    }
}
