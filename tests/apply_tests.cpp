#include "tests/harness.h"

#include "config/folders.h"
#include "editing/apply.h"

using ApplyTest = TalvessaTest;

static std::string Repeat(const std::string &text, int times) {
    std::string repeated;
    for (int time = 0; time < times; ++time)
        repeated += text;
    return repeated;
}

TEST(OrderList, givesANameALineAsExportsInisAndHandWrittenListsSpellThem) {
    // The text, and the names it gives ("!" when it is no list).
    const std::pair<std::string, std::string> rows[] = {
        {"A.esp\nB.esm", "A.esp|B.esm|"},
        {"Plugin0 = Morrowind.esm\r\nPlugin1 = A.esp\r\n", "Morrowind.esm|A.esp|"},
        {"[Game Files]\nGameFile0=Morrowind.esm\nx =  \na=b=c.esp",
         "[Game Files]|Morrowind.esm|b=c.esp|"},
        {"# mine\n;\n\n \t \n  Tab.esp\t \n\t# not a name\n", "Tab.esp|"},
        {"\xEF\xBB\xBFSm\xC3\xB6rg.esp\n\xE2\x82\xAC\xF0\x9F\x98\x80.esp",
         "Sm\xF6rg.esp|\x80??.esp|"},
        {std::string(4096, 'x'), std::string(4096, 'x') + "|"},
        {"A.esp\n" + std::string(4097, ' '), "!"},
        // Each line's "=" is looked for within the line: from each to the end would take minutes.
        {Repeat("A.esp\n", 300000) + "=B.esp", Repeat("A.esp|", 300000) + "B.esp|"}};
    for (const auto &[text, names] : rows) {
        std::vector<std::string> read;
        std::string given;
        const bool list = ReadOrderList(text, read);
        for (const std::string &name : read)
            given += name + "|";
        EXPECT_EQ(list ? given : "!", names) << text.substr(0, 50);
    }
}

// Apply Order from List arranges each list by the names the chosen file gives, in its order and
// compared as the masters check compares names, the entries it does not name after them in their
// order; the selection stays on its entries. An export read back undoes the moves made since.
TEST_F(ApplyTest, applyOrderFromListArrangesEachListByTheNamesItGivesAndWritesNothing) {
    const std::string exported = GetExecutableFolder() + "\\ModList.txt",
                      kept = ReadBytes(exported),
                      open = "Open: Apply Order from List in " + GetExecutableFolder() +
                             " with ModList.txt (Load order lists (*.txt), All files (*.*))|";
    CreateDirectoryA("Data", nullptr);
    MakeFilesInOrder("Data", "Base.esm|Extra.esm|A.esp|B.esp|C.esp:B.esp|");
    const std::string times = ListFolder("Data") + std::to_string(TimeOf("Data\\C.esp"));
    SetPath("Data");
    Click(IDC_RELOAD);
    Click(IDC_EXPORT);
    Fill("C.esp|A.esp*|B.esp| Extra.esm|Base.esm|");
    NewStatus() + Boxes();
    // The file chosen, the lists after, the status lines after "Applying the order of <file>...".
    const std::string mine = folder_ + "\\mine.txt",
                      late = "1 file(s) load before a master they need: C.esp (B.esp)|";
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {exported, "A.esp*|B.esp|C.esp| Base.esm|Extra.esm|",
         "5 file(s) moved to the list's order; Reorder writes the new order|"},
        {exported, "A.esp*|B.esp|C.esp| Base.esm|Extra.esm|", "No file had to move|"},
        {"", "A.esp*|B.esp|C.esp| Base.esm|Extra.esm|", ""},
        {mine, "C.esp|B.esp|A.esp*| Extra.esm|Base.esm|",
         "4 file(s) moved to the list's order; Reorder writes the new order|6 name(s) of the list "
         "are not in the folder: Nope.esp, G1.esp, G2.esp, G3.esp, G4.esp, ...|" +
             late},
        {mine, "C.esp|B.esp|A.esp*| Extra.esm|Base.esm|", "Cannot read mine.txt|"},
        {mine, "C.esp|B.esp|A.esp*| Extra.esm|Base.esm|", "Cannot read mine.txt|"}};
    int row = 0;
    for (const auto &[file, lists, status] : rows) {
        WriteBytes(mine, row != 5
                             ? "\xEF\xBB\xBF# mine\r\nc.ESP.\r\nextra.esm\r\nGameFile3=Nope.esp\r\n"
                               "B.esp\nc.esp\nNope.esp\nG1.esp\nG2.esp\nG3.esp\nG4.esp\nG5.esp\n"
                             : std::string(16 << 20, '\n') + "A.esp");
        UniqueFile held = row == 4 ? Hold(mine, GENERIC_READ, 0) : UniqueFile();
        openFile_ = file;
        SendMessageA(dialog_, WM_COMMAND, IDM_APPLY_ORDER_LIST, 0);
        const std::string name = file.substr(file.rfind('\\') + 1);
        EXPECT_EQ(Lists(), lists) << row;
        EXPECT_EQ(NewStatus(),
                  file.empty() ? "" : "Applying the order of " + name + "..." + "|" + status)
            << row;
        EXPECT_EQ(Boxes(), open + Warnings(status)) << row;
        ++row;
    }
    // Nothing was written, and the program's folder is where it was.
    EXPECT_EQ(ListFolder("Data") + std::to_string(TimeOf("Data\\C.esp")), times);
    char current[MAX_PATH];
    EXPECT_EQ(std::string(current, GetCurrentDirectoryA(MAX_PATH, current)), folder_);
    kept == "<missing>" ? (void)DeleteFileA(exported.c_str()) : WriteBytes(exported, kept);
}
