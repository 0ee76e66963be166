#include "tests/harness.h"

#include "win32/handles.h"
#include "res/resource.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <optional>

namespace {

constexpr char kVendorKey[] = "SOFTWARE\\Bethesda Softworks";

// One game's key: absent, without "Installed Path" (REG_NONE), or holding these bytes, a
// string's terminator included or not.
struct GameKey {
    bool present;
    DWORD type;
    std::string bytes;
};
GameKey Absent() {
    return {false, REG_NONE, ""};
}
GameKey Stored(DWORD type, const std::string &bytes) {
    return {true, type, bytes};
}
GameKey Installed(const std::string &path) {
    return Stored(REG_SZ, path + '\0');
}

void WriteGameKey(const char *game, const GameKey &value) {
    if (!value.present)
        return;
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kVendorKey) + "\\" + game).c_str(),
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    UniqueRegistryKey key(created);
    if (value.type == REG_NONE)
        return;
    // The platform counts in a terminator that the caller left out when one follows the data in
    // memory, so an unterminated value must be followed by something else.
    std::string data = value.bytes + 'X';
    EXPECT_EQ(RegSetValueExA(key.Get(), "Installed Path", 0, value.type,
                             reinterpret_cast<const BYTE *>(data.data()),
                             static_cast<DWORD>(value.bytes.size())),
              ERROR_SUCCESS);
}

// Start-up reads the settings file from the current directory: the test's own folder. The games'
// vendor key is the test's to make, and it is removed afterwards.
class ConfigTest : public FolderTest {
  protected:
    void SetUp() override {
        FolderTest::SetUp();
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        HKEY vendor = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_READ, &vendor) == ERROR_SUCCESS) {
            RegCloseKey(vendor);
            GTEST_SKIP() << "this prefix holds a game's registry key; run in the test prefix";
        }
        ownsVendorKey_ = true;
    }
    void TearDown() override {
        if (ownsVendorKey_)
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey);
        FolderTest::TearDown();
    }

    void SetGames(const GameKey &morrowind, const GameKey &oblivion) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorKey);
        WriteGameKey("Morrowind", morrowind);
        WriteGameKey("Oblivion", oblivion);
    }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const MessageBoxRecord &box : boxes_.Boxes())
            texts.push_back(box.text);
        return texts;
    }

    // The list population's own box, after start-up: the test paths name no existing folder.
    static std::vector<std::string> ListBoxFor(const std::string &path) {
        return {path.empty() ? "No Data Files path" : "Error loading mod files"};
    }

    MessageBoxRecorder boxes_;
    bool ownsVendorKey_ = false;
};

TEST_F(ConfigTest, startUpTakesTheSettingsFilesFirstLineAndAsksTheRegistryOnlyWithoutTheFile) {
    SetGames(Installed("C:\\Games\\Morrowind"), Absent());
    const std::string longLine = "C:\\" + std::string(297, 'x');
    struct Row {
        const char *what;
        std::optional<std::string> file;
        std::string path;
    };
    const Row rows[] = {
        {"missing", std::nullopt, "C:\\Games\\Morrowind\\Data Files"},
        {"empty", std::string(), ""},
        {"empty first line", std::string("\nC:\\Second"), ""},
        {"two lines", std::string("C:\\First\nC:\\Second"), "C:\\First"},
        {"CR LF", std::string("C:\\First\r\nC:\\Second\r\n"), "C:\\First"},
        {"lone CR", std::string("C:\\Fir\rst\r"), "C:\\First"},
        {"Ctrl-Z", std::string("C:\\First\x1a") + "Second", "C:\\First"},
        {"300 characters", longLine, longLine.substr(0, 255)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        DeleteFileA(Path("talvessa.dat").c_str());
        if (row.file)
            WriteBytes(Path("talvessa.dat"), *row.file);
        boxes_.Clear();
        TestDialog dialog;
        EXPECT_EQ(dialog.PathText(), row.path);
        EXPECT_EQ(BoxTexts(), ListBoxFor(row.path));
    }
}

TEST_F(ConfigTest, readsInTheStartDirectoryAndSavesANonEmptyPathBesideTheExecutable) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string executableFolder(module, std::strrchr(module, '\\'));
    const std::string beside = executableFolder + "\\talvessa.dat";
    struct Cleanup {
        std::string path;
        ~Cleanup() { DeleteFileA(path.c_str()); }
    } cleanup{beside};
    const auto close = [](const TestDialog &dialog) { SendMessageA(dialog.Get(), WM_CLOSE, 0, 0); };
    WriteBytes(beside, "C:\\Beside\\Executable");
    WriteBytes(Path("talvessa.dat"), "C:\\Start\\Directory\n");
    {
        TestDialog dialog;
        EXPECT_EQ(dialog.PathText(), "C:\\Start\\Directory");
        dialog.SetPath("D:\\Typed Path");
        close(dialog);
    }
    EXPECT_EQ(ReadBytes(beside), "D:\\Typed Path");
    EXPECT_EQ(ReadBytes(Path("talvessa.dat")), "C:\\Start\\Directory\n");
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_STRCASEEQ(current, executableFolder.c_str());
    {
        // Started in the executable's folder now: the saved path comes back.
        TestDialog dialog;
        EXPECT_EQ(dialog.PathText(), "D:\\Typed Path");
        dialog.SetPath("");
        close(dialog);
    }
    EXPECT_EQ(ReadBytes(beside), "D:\\Typed Path") << "an empty field keeps the saved path";

    SetCurrentDirectoryA(folder_.c_str());
    TestDialog dialog;
    dialog.SetPath("E:\\Unsaved");
    boxes_.Clear();
    // A folder held open without sharing cannot be made current.
    UniqueFile held(CreateFileA(executableFolder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(held.IsValid());
    close(dialog);
    held.Reset();
    EXPECT_EQ(dialog.Entries(IDC_STATUS).back(), "Cannot set current dir");
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{"Cannot set current dir"});
    EXPECT_EQ(boxes_.Boxes()[0].caption, "Warning");
    EXPECT_EQ(boxes_.Boxes()[0].owner, dialog.Get());
    EXPECT_EQ(ReadBytes(beside), "D:\\Typed Path");
    EXPECT_EQ(ReadBytes(Path("talvessa.dat")), "C:\\Start\\Directory\n");
}

TEST_F(ConfigTest, registryGivesTheFirstInstalledGamesDataFolderOrWarnsWhenThereIsNone) {
    const std::string morrowind = "C:\\Games\\Morrowind", oblivion = "D:\\Oblivion";
    const std::string nearlyFull(505, 'm'), full(511, 'f'), tooLong(512, 't');
    struct Row {
        const char *what;
        GameKey morrowind, oblivion;
        std::string path;
    };
    const Row rows[] = {
        {"Morrowind only", Installed(morrowind), Absent(), morrowind + "\\Data Files"},
        {"Oblivion only", Absent(), Installed(oblivion), oblivion + "\\Data"},
        {"both: Morrowind wins", Installed(morrowind), Installed(oblivion),
         morrowind + "\\Data Files"},
        {"neither", Absent(), Absent(), ""},
        {"trailing backslash kept", Installed(morrowind + "\\"), Absent(),
         morrowind + "\\\\Data Files"},
        {"no value: Oblivion not tried", Stored(REG_NONE, ""), Installed(oblivion), ""},
        {"not a string", Stored(REG_DWORD, std::string("\x2a\0\0\0", 4)), Installed(oblivion), ""},
        {"no terminator", Stored(REG_SZ, morrowind), Absent(), ""},
        {"suffix cut at the buffer's end", Installed(nearlyFull), Absent(), nearlyFull + "\\Data "},
        {"value fills the buffer", Installed(full), Absent(), full},
        {"value too long", Installed(tooLong), Absent(), ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        SetGames(row.morrowind, row.oblivion);
        boxes_.Clear();
        TestDialog dialog;
        EXPECT_EQ(dialog.PathText(), row.path);
        bool noGame = !row.morrowind.present && !row.oblivion.present;
        std::vector<std::string> expected = ListBoxFor(row.path);
        if (noGame)
            expected.insert(expected.begin(), "Error loading Morrowind or Oblivion game path from "
                                              "the registry.\nYou will have to set it manualy");
        ASSERT_EQ(BoxTexts(), expected);
        if (noGame) {
            EXPECT_EQ(boxes_.Boxes()[0].caption, "Warning");
            EXPECT_TRUE(boxes_.Boxes()[0].IsPlainOk());
            EXPECT_EQ(boxes_.Boxes()[0].owner, dialog.Get());
            EXPECT_EQ(dialog.Entries(IDC_STATUS),
                      (std::vector<std::string>{"Loading Mod Files...", "No Data Files path"}))
                << "the registry warning leaves no line";
        }
    }
}

// Answers the shell's folder browser as a user would: selects the folder in its tree and, once
// the tree shows it selected, presses the button. A selection sent while the browser is still
// coming up can be lost, so it is sent again on every tick until it takes.
struct BrowserDriver {
    std::string folder;
    int button;
    int opened = 0, ticks = 0;
    bool selected = false, titled = false;
    HWND owner = nullptr;

    void Start(HWND browser) {
        ++opened;
        owner = GetWindow(browser, GW_OWNER);
        titled = FindWindowExA(browser, nullptr, "Static", "Select your data files folder");
        SetPropA(browser, "TalvessaDriver", this);
        SetTimer(browser, 1, 50, Tick);
    }

    static void CALLBACK Tick(HWND browser, UINT, UINT_PTR timer, DWORD) {
        auto *self = static_cast<BrowserDriver *>(GetPropA(browser, "TalvessaDriver"));
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE,
                     reinterpret_cast<LPARAM>(self->folder.c_str()));
        HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
        char text[MAX_PATH] = "";
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = TreeView_GetSelection(tree);
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        self->selected = item.hItem && TreeView_GetItem(tree, &item) &&
                         self->folder.substr(self->folder.find_last_of('\\') + 1) == text;
        // Never left open: without the selection the test fails, but it ends.
        if (self->selected || ++self->ticks > 100) {
            KillTimer(browser, timer);
            PostMessageA(browser, WM_COMMAND, self->selected ? self->button : IDCANCEL, 0);
        }
    }
};

TEST_F(ConfigTest, folderBrowserCancelChangesNothingWhileAChoiceReplacesThePathAndReloads) {
    // The program's entry gives the browser the single-threaded apartment it asks for.
    struct Apartment {
        Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
        ~Apartment() { CoUninitialize(); }
    } apartment;
    CreateDirectoryA(Path("Typed").c_str(), nullptr);
    CreateDirectoryA(Path("Chosen").c_str(), nullptr);
    MakeFilesInOrder(Path("Typed"), {"Typed.esm", "Typed.esp"});
    MakeFilesInOrder(Path("Chosen"), {"Late.esp", "Base.esm", "Early.esp"});
    SetWriteTime(Path("Chosen\\Early.esp"), Utc(2009, 1, 1, 0, 0, 0));
    TestDialog dialog;
    dialog.SetPath(Path("Typed"));
    dialog.Click(IDC_RELOAD);
    const std::vector<std::string> status = dialog.Entries(IDC_STATUS);
    struct Row {
        const char *what;
        int button;
        std::string typed, path;
        std::vector<std::string> plugins, masters, newStatus;
    };
    const Row rows[] = {
        {"cancel", IDCANCEL, Path("Typed"), Path("Typed"), {"Typed.esp"}, {"Typed.esm"}, {}},
        {"choose",
         IDOK,
         "C:\\Typed\\by hand",
         Path("Chosen"),
         {"Early.esp", "Late.esp"},
         {"Base.esm"},
         {"Loading Mod Files...", "Done"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        dialog.SetPath(row.typed);
        boxes_.Clear();
        BrowserDriver browser{Path("Chosen"), row.button};
        boxes_.onOtherDialog = [&browser](HWND window) { browser.Start(window); };
        dialog.Click(IDC_BROWSE);
        boxes_.onOtherDialog = nullptr;
        EXPECT_EQ(browser.opened, 1);
        EXPECT_TRUE(browser.selected) << "the browser's tree never showed the folder selected";
        EXPECT_TRUE(browser.titled);
        EXPECT_EQ(browser.owner, nullptr) << "the dialog stays usable meanwhile";
        EXPECT_TRUE(boxes_.Boxes().empty());
        EXPECT_EQ(dialog.PathText(), row.path);
        EXPECT_EQ(dialog.Entries(IDC_PLUGIN_LIST), row.plugins);
        EXPECT_EQ(dialog.Entries(IDC_MASTER_LIST), row.masters);
        std::vector<std::string> expected = status;
        expected.insert(expected.end(), row.newStatus.begin(), row.newStatus.end());
        EXPECT_EQ(dialog.Entries(IDC_STATUS), expected);
    }
}

} // namespace
