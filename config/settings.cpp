#include "config/settings.h"

#include "config/folders.h"
#include "ui/controls.h"
#include "ui/status.h"
#include "win32/handles.h"
#include "win32/textfile.h"
#include "res/resource.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace {

constexpr char kSettingsFileName[] = "talvessa.dat";
// The new settings are written here first and then put in the old file's place.
constexpr char kSettingsDraftName[] = "talvessa.dat.new";

// The settings line has a buffer of 256 characters: a longer first line is cut at 255.
constexpr size_t kSettingsLineSize = 256;

// One buffer holds the installation folder read from the registry and the data folder suffix
// appended to it, terminator included.
constexpr DWORD kRegistryPathSize = 512;

struct GameInstallation {
    const char *key;
    const char *dataSuffix;
};

// In the order tried: a machine with both games gets Morrowind's data folder.
constexpr GameInstallation kGames[] = {
    {"SOFTWARE\\Bethesda Softworks\\Morrowind", "\\Data Files"},
    {"SOFTWARE\\Bethesda Softworks\\Oblivion", "\\Data"},
};

constexpr char kNoGameWarning[] = "Error loading Morrowind or Oblivion game path from the "
                                  "registry.\nYou will have to set it manualy";

// The first line of the settings file, or false when the file cannot be opened.
bool ReadSettingsLine(std::string &line) {
    // Text mode: the runtime ends the file at Ctrl-Z and reads CR LF as a line feed.
    UniqueStream file(fopen(kSettingsFileName, "r"));
    if (!file)
        return false;
    line.clear();
    // A lone carriage return survives text mode; the settings line drops every one, so that a
    // stray one never reaches the path.
    for (int c = fgetc(file.get()); c != EOF && c != '\n' && line.size() < kSettingsLineSize - 1;
         c = fgetc(file.get())) {
        if (c != '\r')
            line.push_back(static_cast<char>(c));
    }
    return true;
}

// The "Installed Path" text, or false when the value is missing, is not a string, does not fit
// the buffer or was stored without its terminating zero. The platform may put a zero after such
// a value when there is room, but that zero is not part of it: only the returned size counts.
bool QueryInstalledPath(HKEY key, std::string &installed) {
    std::array<char, kRegistryPathSize> buffer{};
    DWORD type = REG_NONE;
    DWORD size = kRegistryPathSize;
    if (RegQueryValueExA(key, "Installed Path", nullptr, &type,
                         reinterpret_cast<BYTE *>(buffer.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    const char *end = static_cast<const char *>(std::memchr(buffer.data(), '\0', size));
    if (!end)
        return false;
    installed.assign(buffer.data(), static_cast<size_t>(end - buffer.data()));
    return true;
}

// The data folder of the first game whose key opens; false when neither opens. Once a key has
// opened, that game is the source even when its value cannot be read: the path is then empty,
// and the list population reports the missing path.
bool FindGameDataFolder(std::string &path) {
    for (const GameInstallation &game : kGames) {
        HKEY opened = nullptr;
        // Read access only: full access is refused to standard users, and nothing is written.
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, game.key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
            continue;
        UniqueRegistryKey key(opened);
        std::string installed;
        path.clear();
        if (QueryInstalledPath(key.Get(), installed)) {
            // The suffix is cut, silently, where the shared buffer ends.
            path = installed + game.dataSuffix;
            path.resize(std::min<size_t>(path.size(), kRegistryPathSize - 1));
        }
        return true;
    }
    return false;
}

} // namespace

void LoadDataFolderPath(HWND dialog) {
    // An empty settings line is a choice too: the registry is consulted only without the file.
    std::string path;
    if (!ReadSettingsLine(path) && !FindGameDataFolder(path))
        MessageBoxA(dialog, kNoGameWarning, "Warning", MB_OK);
    SetDlgItemTextA(dialog, IDC_PATH_EDIT, path.c_str());
}

void SaveDataFolderPath(HWND dialog) {
    // The scans leave the data folder current; the settings belong beside the executable.
    // With the backslash, a program at a drive's root enters that root, C:\, and not the drive's
    // current folder, which is what a bare C: names.
    if (!SetCurrentDirectoryA((GetExecutableFolder() + "\\").c_str())) {
        SetStatus(dialog, "Cannot set current dir", 1);
        return;
    }
    std::string path;
    if (!ReadPathField(dialog, path))
        return;
    // Replaced whole or not at all: a write that fails half-way must not leave an empty or cut
    // path, which the next start would take without looking in the registry. The file holds the
    // path alone, with no line terminator.
    if (!WriteTextFile(kSettingsDraftName, path) ||
        !MoveFileExA(kSettingsDraftName, kSettingsFileName,
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileA(kSettingsDraftName);
}
