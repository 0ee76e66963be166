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
    const ULONGLONG old = Utc(2000, 1, 1, 0, 0, 0);
    const std::pair<const char *, ULONGLONG> files[] = {{"Year.esp", Utc(2003, 1, 1, 0, 0, 0)},
                                                        {"Month.esm", Utc(2002, 2, 1, 0, 0, 0)},
                                                        {"Day.esp", Utc(2002, 1, 2, 0, 0, 0)},
                                                        {"Hour.esp", Utc(2002, 1, 1, 1, 0, 0)},
                                                        {"Minute.esm", Utc(2002, 1, 1, 0, 1, 0)},
                                                        {"Second.esp", Utc(2002, 1, 1, 0, 0, 1)},
                                                        {"Summer.esp", Utc(2026, 10, 25, 0, 30, 0)},
                                                        {"Winter.esp", Utc(2026, 10, 25, 1, 10, 0)},
                                                        {"Upper.ESM", old},
                                                        {".esp", old},
                                                        {"a.esp~", old},
                                                        {"Locked.esp", old}};
    for (const auto &[name, time] : files) {
        WriteBytes(Path(name), name);
        TimeOf(Path(name), time);
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
}

TEST_F(CatalogueTest, scanPatternFitsFoldersOfUpTo257Characters) {
    // 258 leaves room for the backslash but not the "*", which cannot be listed; longer is refused
    // before anything is looked at.
    const int rows[][3] = {{257, 0, 0},
                           {258, kScanCannotList, kScanCannotList},
                           {259, kScanPathTooLong, kScanCannotList}};
    for (const auto &[length, scan, count] : rows) {
        // An empty folder named with the wanted length: "s" or "ss" for the parity, then "\.".
        std::string path = Path((length - folder_.size()) % 2 ? "ss" : "s");
        CreateDirectoryA(path.c_str(), nullptr);
        while (path.size() < size_t(length))
            path += "\\.";
        std::vector<PluginFile> files;
        EXPECT_EQ(ScanDataFolder(path.c_str(), files), scan) << length;
        EXPECT_EQ(CountPluginFiles(path.c_str()), count) << length;
    }
}

// Each row loads a path, after making it a folder of the files after its "=", in time order
// ("A.esp:B.esm" names the master B.esm in its header), and expects the status lines after
// "Loading Mod Files..." and the lists (when the row gives them).
TEST_F(CatalogueTest, listPopulationReportsEachOutcomeAndTheFilesThatCannotLoadAsMade) {
    WriteBytes("C:\\talvessa-root.esp", ""); // a drive's root is the root, not its current folder
    const std::string lists = "B.esp|A.esp| Base.esm|Extra.esm|",
                      missing = "need a master that is not listed: ",
                      late = "load before a master "
                             "they need: ";
    const std::string rows[][3] = {
        {"Data=B.esp|Base.esm|A.esp|Extra.esm|Readme.txt|", "Done|", lists},
        // Relative to the folder the program started in, however often it is used.
        {"Data", "Done|", lists},
        {"", "No Data Files path|", lists},
        {"empty=", "Error loading mod files|", " "},
        {"C:\\", "Done|", "talvessa-root.esp| "},
        // Names compare as the file system compares them; an empty one, or one given again, is
        // no master. The master list comes first, whatever the times.
        {"Sound=Mod.esp:base.ESM::BASE.ESM|Base.esm|", "Done|", ""},
        {"Late=Late.esm:\xc9vo.esm:Mod.esp|\xc9vo.esm|Self.esp:Self.esp|Mod.esp:Gone.esm:"
         "\xe9VO.ESM:gone.ESM:Other.esp|Extra.esp:\xcavo.esm|",
         "Done|2 file(s) " + missing +
             "Mod.esp (Gone.esm, Other.esp), Extra.esp (\xcavo.esm)|2 "
             "file(s) " +
             late + "Late.esm (\xc9vo.esm, Mod.esp), Self.esp (Self.esp)|",
         ""},
        {"Many=A.esp:X|B.esp:X|C.esp:X|D.esp:X|E.esp:X|F.esp:X|",
         "Done|6 file(s) " + missing +
             "A.esp (X), B.esp (X), C.esp (X), D.esp (X), E.esp (X), ...|",
         ""}};
    for (const auto &[row, outcome, shown] : rows) {
        const std::string path = row.substr(0, row.find('='));
        if (path != row && CreateDirectoryA(path.c_str(), nullptr))
            MakeFilesInOrder(path, row.substr(path.size() + 1));
        SetPath(path);
        Click(IDC_RELOAD);
        EXPECT_EQ(NewStatus(), "Loading Mod Files...|" + outcome) << path;
        if (!shown.empty()) {
            EXPECT_EQ(Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST), shown) << path;
        }
        std::string boxes;
        for (const std::string &line : Split(outcome))
            boxes += line == "Done" ? "" : "Warning: " + line + "|";
        EXPECT_EQ(Boxes(), boxes) << path;
    }
    DeleteFileA("C:\\talvessa-root.esp");
    // The newest line is in view although the status list has no scroll bar.
    RECT client, item;
    GetClientRect(GetDlgItem(dialog_, IDC_STATUS), &client);
    Send(IDC_STATUS, LB_GETITEMRECT, Send(IDC_STATUS, LB_GETCOUNT) - 1, LPARAM(&item));
    EXPECT_TRUE(item.top >= client.top && item.bottom <= client.bottom);
}

// The bytes end where an unreadable page begins, so that a read past them ends the test.
static std::vector<std::string> ReadMasters(const std::string &bytes) {
    static char *const end =
        static_cast<char *>(VirtualAlloc(nullptr, 65536, MEM_COMMIT, PAGE_READWRITE)) + 61440;
    DWORD was;
    VirtualProtect(end, 4096, PAGE_NOACCESS, &was);
    std::memcpy(end - bytes.size(), bytes.data(), bytes.size());
    return ReadHeaderMasters(reinterpret_cast<unsigned char *>(end - bytes.size()), bytes.size());
}

TEST_F(CatalogueTest, headersNameTheMastersOfTheirWholeFirstRecordAndNothingElse) {
    const std::string hedr = "HEDR" + std::string(300, 'h'), data = "DATA" + Number(7, 8),
                      oblivion = "HEDR" + std::string(12, 'h');
    std::string later = Header(true, {oblivion, "MASTA.esm", data}),
                loose = Header(false, {hedr, "MASTA.esm", data}) + "x";
    later.insert(20, 4, '\0'); // the record header of Oblivion's successors
    later[4] += 4;
    loose[4] += 1; // a byte that is in no subrecord
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {Header(false, {hedr, "MASTMorrowind.esm", data, "MASTTribunal.esm\0cut", data}),
         {"Morrowind.esm", "Tribunal.esm"}},
        {Header(true, {oblivion, "CNAMme", "SNAMus", "MASTOblivion.esm", data,
                       std::string("MAST\0x", 6), data, "MASToblivion.ESM", data}),
         {"Oblivion.esm", "oblivion.ESM"}},
        {Header(true, {oblivion, "!OFST" + std::string(6000, 'o'), "MASTA.esm", data}), {"A.esm"}},
        {Header(false, {hedr, "MASTA.esm", data}) + "TES3 and more records", {"A.esm"}},
        {later, {}},
        {Header(false, {"MASTA.esm", data}), {}},
        {loose, {}}};
    for (const auto &[bytes, masters] : rows)
        EXPECT_EQ(ReadMasters(bytes), masters) << bytes;
    for (int row = 0; row < 3; ++row) // every cut of a whole header
        for (size_t cut = 0; cut < rows[row].first.size(); ++cut)
            ASSERT_EQ(ReadMasters(rows[row].first.substr(0, cut)), rows[4].second) << cut;
    // Through a file, where a header longer than the first read is read whole.
    WriteBytes(Path("Big.esp"), rows[2].first);
    EXPECT_EQ(ReadFileMasters(Hold(Path("Big.esp"), GENERIC_READ, 0).Get()), rows[2].second);
    // Seeded corruptions: sizes after a type set to 0, their maximum or past the end, and bytes
    // changed. Whatever is named must stand right after the size of a MAST subrecord.
    std::mt19937 random(2026);
    for (int run = 0; run < 10000; ++run) {
        std::string bytes = rows[run % 4].first;
        for (int change = random() % 3; change >= 0; --change) {
            const size_t at = bytes.find_first_of("CDHMOSTX", random() % bytes.size()) + 4;
            const uint32_t sizes[] = {0, 0xFFFFFFFF, uint32_t(bytes.size() - at + random() % 9)};
            random() % 2 && at < bytes.size()
                ? bytes.replace(at, 4, Number(sizes[random() % 3], 4))
                : bytes.replace(random() % bytes.size(), 1, 1, char(random()));
        }
        for (const std::string &name : ReadMasters(bytes)) {
            bool found = false;
            for (size_t at = 0; (at = bytes.find("MAST", at)) != bytes.npos; ++at)
                for (size_t size : {6, 8})
                    found |= !name.empty() &&
                             !bytes.compare(std::min(at + size, bytes.size()), name.size(), name);
            ASSERT_TRUE(found) << name << " in run " << run;
        }
    }
}
