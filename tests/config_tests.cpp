#include "tests/harness.h"

#include "config/folders.h"
#include "win32/handles.h"

#include <commctrl.h>
#include <shlobj.h>

#include <optional>

constexpr char kVendorKey[] = "SOFTWARE\\Bethesda Softworks";
using Value = std::optional<std::pair<DWORD, std::string>>; // no key, or its "Installed Path"

// A value of type REG_NONE stands for a key without "Installed Path". From a 32-bit program the
// key lands in the 32-bit view, where a 32-bit game's installer leaves it on 64-bit Windows.
static void SetInstalledPath(const char *game, const Value &value) {
    // The platform counts in a terminator the caller left out when one follows in memory.
    if (value)
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kVendorKey) + "\\" + game).c_str(),
                        value->first == REG_NONE ? "Other" : "Installed Path", value->first,
                        (value->second + 'X').c_str(), DWORD(value->second.size()));
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

TEST_F(ConfigTest, startUpTakesTheSettingsFileElseTheFirstInstalledGameElseWarns) {
    const std::string morrowind = "C:\\Games\\Morrowind", oblivion = "D:\\Oblivion",
                      nearlyFull(505, 'm'), full(511, 'f'),
                      longLine = "C:\\" + std::string(297, 'x');
    const std::optional<std::string> noFile;
    const Value none;
    // The settings file, the games' keys, and the path field after start-up.
    const std::tuple<std::optional<std::string>, Value, Value, std::string> rows[] = {
        {"", Installed(morrowind), none, ""}, // an empty line is a choice too
        {"\nC:\\Second", Installed(morrowind), none, ""},
        {"C:\\Fir\rst\r\nC:\\Second\n", none, none, "C:\\First"},
        {std::string("C:\\First\x1a") + "Second", none, none, "C:\\First"},
        {longLine, none, none, longLine.substr(0, 255)},
        {noFile, Installed(morrowind), none, morrowind + "\\Data Files"},
        {noFile, none, Installed(oblivion), oblivion + "\\Data"},
        {noFile, Installed(morrowind), Installed(oblivion), morrowind + "\\Data Files"},
        {noFile, none, none, ""},
        // Once a game's key opens, its value decides: the other game is not tried.
        {noFile, Value{{REG_NONE, ""}}, Installed(oblivion), ""},
        {noFile, Value{{REG_DWORD, std::string("\x2a\0\0\0", 4)}}, Installed(oblivion), ""},
        {noFile, Value{{REG_SZ, morrowind}}, none, ""}, // without its terminator
        {noFile, Installed(nearlyFull), none, nearlyFull + "\\Data "},
        {noFile, Installed(full), none, full},
        {noFile, Installed(std::string(512, 't')), none, ""}};
    for (const auto &[file, morrowindKey, oblivionKey, path] : rows) {
        SCOPED_TRACE(path);
        DeleteFileA(Path("talvessa.dat").c_str());
        if (file)
            WriteBytes(Path("talvessa.dat"), *file);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey);
        SetInstalledPath("Morrowind", morrowindKey);
        SetInstalledPath("Oblivion", oblivionKey);
        Reopen();
        EXPECT_EQ(PathText(), path);
        const bool warned = !file && !morrowindKey && !oblivionKey;
        EXPECT_EQ(Boxes(), std::string(warned ? "Warning: Error loading Morrowind or Oblivion game "
                                                "path from the registry.\nYou will have to set it "
                                                "manualy|"
                                              : "") +
                               (path.empty() ? "Warning: No Data Files path|"
                                             : "Warning: Error loading mod files|"));
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
    WriteTime(Path("Chosen\\Early.esp"), Utc(2009, 1, 1, 0, 0, 0));
    Fill(IDC_PLUGIN_LIST, "Typed.esp|");
    std::string seen; // whether each browser had no owner, leaving the dialog usable, and its title
    onOtherDialog_ = [&seen](HWND browser) {
        seen += std::to_string(
            !GetWindow(browser, GW_OWNER) &&
            FindWindowExA(browser, nullptr, "Static", "Select your data files folder"));
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
    EXPECT_EQ(seen, "11");
    EXPECT_EQ(Boxes(), "");
    CoUninitialize();
}
