#include "tests/harness.h"

#include "config/folders.h"

// A game's key as a test writes it: empty for none, else a letter for what "Installed Path" holds
// and its bytes: S a string with its terminator, s one without, D a number, - no value at all.
// From a 32-bit program the key lands in the 32-bit view, where a 32-bit game's installer leaves
// it on 64-bit Windows.
static void SetGameKey(const char *game, const std::string &key) {
    if (key.empty())
        return;
    const DWORD type = key[0] == 'D' ? REG_DWORD : key[0] == '-' ? REG_NONE : REG_SZ;
    // The platform counts in a terminator the caller left out when one follows in memory.
    const std::string bytes = key.substr(1) + (key[0] == 'S' ? std::string(1, '\0') : "") + 'X';
    RegSetKeyValueA(
        HKEY_LOCAL_MACHINE, (std::string("SOFTWARE\\Bethesda Softworks\\") + game).c_str(),
        type == REG_NONE ? "Other" : "Installed Path", type, bytes.data(), DWORD(bytes.size() - 1));
}

using ConfigTest = TalvessaTest;

TEST_F(ConfigTest, startUpTakesTheSettingsFileElseTheFirstInstalledGameElseWarns) {
    const std::string nearlyFull(505, 'm'), full(511, 'f'),
        line = "C:\\" + std::string(297, 'x'),
        noGame = "Warning: Error loading Morrowind or Oblivion game path from the "
                 "registry.\nYou will have to set it manualy|";
    // The settings file (\x01 for none), the games' keys, and the path field after start-up.
    const std::string rows[][4] = {
        {"\nC:\\Second", "SC:\\Mw", "", ""}, // an empty line is a choice too
        {"C:\\Fir\rst\r\nC:\\Second\n", "", "", "C:\\First"},
        {std::string("C:\\First\x1a") + "Second", "", "", "C:\\First"},
        {line, "", "", line.substr(0, 255)},
        {"\x01", "SC:\\Mw", "", "C:\\Mw\\Data Files"},
        {"\x01", "", "SD:\\Ob", "D:\\Ob\\Data"},
        {"\x01", "SC:\\Mw", "SD:\\Ob", "C:\\Mw\\Data Files"},
        {"\x01", "", "", ""},
        // Once a game's key opens, its value decides: the other game is not tried.
        {"\x01", "-", "SD:\\Ob", ""},
        {"\x01", std::string("D\x2a\0\0\0", 5), "SD:\\Ob", ""},
        {"\x01", "sC:\\Mw", "", ""},
        {"\x01", "S" + nearlyFull, "", nearlyFull + "\\Data "},
        {"\x01", "S" + full, "", full},
        {"\x01", "S" + std::string(512, 't'), "", ""}};
    for (const auto &[file, morrowind, oblivion, path] : rows) {
        file == "\x01" ? (void)DeleteFileA("talvessa.dat") : WriteBytes("talvessa.dat", file);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kGames);
        SetGameKey("Morrowind", morrowind);
        SetGameKey("Oblivion", oblivion);
        Reopen();
        EXPECT_EQ(PathText(), path) << file << morrowind.substr(0, 9) << oblivion;
        const std::string end = path.empty() ? "No Data Files path|" : "Error loading mod files|";
        EXPECT_EQ(Boxes(), (file + morrowind + oblivion == "\x01" ? noGame : "") + Warnings(end));
        // The registry's warning is a box alone.
        EXPECT_EQ(Show(IDC_STATUS), "Loading Mod Files...|" + end);
    }
}

TEST_F(ConfigTest, readsInTheStartDirectoryAndSavesANonEmptyPathBesideTheExecutable) {
    const std::string beside = GetExecutableFolder() + "\\talvessa.dat", kept = ReadBytes(beside),
                      draft = beside + ".new";
    WriteBytes(Path("talvessa.dat"), "C:\\Start\\Directory\n");
    // Replaced, not appended to, and so is a draft that a failed save left behind.
    WriteBytes(beside, "C:\\A longer path saved before\n");
    WriteBytes(draft, "C:\\A draft left behind");
    // Then the saved file held open as a reader does, which keeps it from being replaced, and at
    // last the folder held without sharing, which cannot be made current: the saved path stays.
    for (const char *typed : {"D:\\Typed Path", "", "F:\\Not replaced", "E:\\Not entered"}) {
        Reopen();
        EXPECT_EQ(PathText(), "C:\\Start\\Directory");
        SetPath(typed);
        const bool folder = *typed == 'E';
        UniqueFile held = *typed < 'E' ? UniqueFile()
                                       : Hold(folder ? GetExecutableFolder() : beside, GENERIC_READ,
                                              folder ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE);
        Boxes();
        SendMessageA(dialog_, WM_CLOSE, 0, 0);
        held.Reset();
        EXPECT_EQ(ReadBytes(beside) + ReadBytes(draft), "D:\\Typed Path<missing>") << typed;
        SetCurrentDirectoryA(folder_.c_str());
    }
    EXPECT_EQ(NewStatus() + Boxes(), "Cannot set current dir|Warning: Cannot set current dir|");
    EXPECT_EQ(ReadBytes(Path("talvessa.dat")), "C:\\Start\\Directory\n");
    kept == "<missing>" ? (void)DeleteFileA(beside.c_str()) : WriteBytes(beside, kept);
}
