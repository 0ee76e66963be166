#include "tests/harness.h"

#include "config/folders.h"
#include "win32/handles.h"

#include <commctrl.h>
#include <shlobj.h>

#include <optional>

constexpr char kVendorKey[] = "SOFTWARE\\Bethesda Softworks";
using Value = std::optional<std::pair<DWORD, std::string>>; // no key, or its "Installed Path"

// A 32-bit game keeps its keys in the 32-bit view, where a 32-bit program reads. A value of type
// REG_NONE stands for a key without "Installed Path".
static void SetInstalledPath(const char *game, const Value &value) {
    HKEY key = nullptr;
    if (value &&
        !RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kVendorKey) + "\\" + game).c_str(), 0,
                         nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr) &&
        value->first != REG_NONE)
        // The platform counts in a terminator the caller left out when one follows in memory.
        RegSetValueExA(key, "Installed Path", 0, value->first,
                       reinterpret_cast<const BYTE *>((value->second + 'X').c_str()),
                       DWORD(value->second.size()));
    UniqueRegistryKey closed(key);
}

static Value Installed(const std::string &path) {
    return Value{{REG_SZ, path + '\0'}};
}

// The games' vendor key is the test's to make, and is removed afterwards.
class ConfigTest : public TalvessaTest {
  protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey);
        TalvessaTest::TearDown();
    }
};

TEST_F(ConfigTest, startUpTakesTheSettingsFilesFirstLineAndAsksTheRegistryOnlyWithoutTheFile) {
    SetInstalledPath("Morrowind", Installed("C:\\Games\\Morrowind"));
    const std::string longLine = "C:\\" + std::string(297, 'x');
    const std::pair<std::optional<std::string>, std::string> rows[] = {
        {std::nullopt, "C:\\Games\\Morrowind\\Data Files"},
        {"", ""},
        {"\nC:\\Second", ""},
        {"C:\\Fir\rst\r\nC:\\Second\n", "C:\\First"},
        {std::string("C:\\First\x1a") + "Second", "C:\\First"},
        {longLine, longLine.substr(0, 255)},
    };
    for (const auto &[file, path] : rows) {
        DeleteFileA(Path("talvessa.dat").c_str());
        if (file)
            WriteBytes(Path("talvessa.dat"), *file);
        Reopen();
        EXPECT_EQ(PathText(), path);
    }
}

TEST_F(ConfigTest, readsInTheStartDirectoryAndSavesANonEmptyPathBesideTheExecutable) {
    const std::string beside = GetExecutableFolder() + "\\talvessa.dat", kept = ReadBytes(beside);
    WriteBytes(Path("talvessa.dat"), "C:\\Start\\Directory\n");
    for (const char *typed : {"D:\\Typed Path", "", "E:\\Not saved"}) {
        Reopen();
        EXPECT_EQ(PathText(), "C:\\Start\\Directory");
        SetPath(typed);
        Boxes();
        // At last, a folder held open without sharing: it cannot be made current.
        UniqueFile held(*typed == 'E'
                            ? CreateFileA(GetExecutableFolder().c_str(), GENERIC_READ, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)
                            : INVALID_HANDLE_VALUE);
        SendMessageA(dialog_, WM_CLOSE, 0, 0);
        EXPECT_EQ(ReadBytes(beside), "D:\\Typed Path") << "an empty path saves nothing";
        SetCurrentDirectoryA(folder_.c_str());
    }
    EXPECT_EQ(NewStatus(), "Cannot set current dir|");
    EXPECT_EQ(Boxes(), "Warning: Cannot set current dir|");
    EXPECT_EQ(ReadBytes(Path("talvessa.dat")), "C:\\Start\\Directory\n");
    kept == "<missing>" ? (void)DeleteFileA(beside.c_str()) : WriteBytes(beside, kept);
}

TEST_F(ConfigTest, registryGivesTheFirstInstalledGamesDataFolderOrWarnsWhenThereIsNone) {
    const std::string morrowind = "C:\\Games\\Morrowind", oblivion = "D:\\Oblivion",
                      nearlyFull(505, 'm'), full(511, 'f');
    const std::string noGame = "Warning: Error loading Morrowind or Oblivion game path from the "
                               "registry.\nYou will have to set it manualy|";
    const Value none;
    const std::tuple<Value, Value, std::string> rows[] = {
        {Installed(morrowind), none, morrowind + "\\Data Files"},
        {none, Installed(oblivion), oblivion + "\\Data"},
        {Installed(morrowind), Installed(oblivion), morrowind + "\\Data Files"},
        {none, none, ""},
        // Once a game's key opens, its value decides: the other game is not tried.
        {Value{{REG_NONE, ""}}, Installed(oblivion), ""},
        {Value{{REG_DWORD, std::string("\x2a\0\0\0", 4)}}, Installed(oblivion), ""},
        {Value{{REG_SZ, morrowind}}, none, ""}, // without its terminator
        {Installed(nearlyFull), none, nearlyFull + "\\Data "},
        {Installed(full), none, full},
        {Installed(std::string(512, 't')), none, ""}};
    for (const auto &[morrowindKey, oblivionKey, path] : rows) {
        SCOPED_TRACE(path);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey);
        SetInstalledPath("Morrowind", morrowindKey);
        SetInstalledPath("Oblivion", oblivionKey);
        Reopen();
        EXPECT_EQ(PathText(), path);
        EXPECT_EQ(Boxes(), (morrowindKey || oblivionKey ? "" : noGame) +
                               (path.empty() ? "Warning: No Data Files path|"
                                             : "Warning: Error loading mod files|"));
    }
}

// Answers the folder browser as a user would: selects the folder in its tree and, once the tree
// shows it selected, presses the button. A selection sent while the browser is still coming up can
// be lost, so it is sent again on every tick until it takes; it gives up after a hundred.
static std::string chosen;
static int button, ticks;

static void CALLBACK Answer(HWND browser, UINT, UINT_PTR timer, DWORD) {
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, LPARAM(chosen.c_str()));
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    char text[MAX_PATH] = "";
    TVITEMA item{TVIF_TEXT, TreeView_GetSelection(tree), 0, 0, text, MAX_PATH, 0, 0, 0, 0};
    bool selected = TreeView_GetItem(tree, &item) && chosen.substr(chosen.rfind('\\') + 1) == text;
    if (selected || ++ticks > 100) {
        KillTimer(browser, timer);
        PostMessageA(browser, WM_COMMAND, selected ? button : IDCANCEL, 0);
    }
}

TEST_F(ConfigTest, folderBrowserCancelChangesNothingWhileAChoiceReplacesThePathAndReloads) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); // as the program's entry does
    chosen = Path("Chosen");
    CreateDirectoryA(chosen.c_str(), nullptr);
    MakeFilesInOrder(chosen, "Late.esp|Base.esm|Early.esp|");
    SetWriteTime(Path("Chosen\\Early.esp"), Utc(2009, 1, 1, 0, 0, 0));
    Fill(IDC_PLUGIN_LIST, "Typed.esp|");
    std::string seen; // the browser's owner and title
    onOtherDialog_ = [&seen](HWND browser) {
        seen += GetWindow(browser, GW_OWNER) ? "owned" : "unowned";
        seen += FindWindowExA(browser, nullptr, "Static", "Select your data files folder")
                    ? " titled|"
                    : "|";
        SetTimer(browser, 1, 50, Answer);
    };
    // The button pressed, then the path field, the lists and the status lines after it.
    const std::tuple<int, std::string, std::string, std::string> rows[] = {
        {IDCANCEL, "C:\\Typed", "Typed.esp| ", ""},
        {IDOK, chosen, "Early.esp|Late.esp| Base.esm|", "Loading Mod Files...|Done|"}};
    for (const auto &[pressed, path, lists, status] : rows) {
        SetPath("C:\\Typed");
        button = pressed;
        ticks = 0;
        Click(IDC_BROWSE);
        EXPECT_LE(ticks, 100) << "the browser's tree never showed the folder selected";
        EXPECT_EQ(PathText(), path);
        EXPECT_EQ(Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST), lists);
        EXPECT_EQ(NewStatus(), status);
    }
    EXPECT_EQ(seen, "unowned titled|unowned titled|");
    EXPECT_EQ(Boxes(), "");
    CoUninitialize();
}
