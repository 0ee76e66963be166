#include "tests/harness.h"

#include "win32/handles.h"
#include "res/resource.h"

#include <functional>
#include <map>

namespace {

ULONGLONG Ticks(const FILETIME &time) {
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct FileState {
    std::string bytes;
    ULONGLONG written, accessed;
};

// What a folder holds: each file's bytes, last-write and last-access times.
std::map<std::string, FileState> Contents(const std::string &folder) {
    std::map<std::string, FileState> files;
    for (const std::string &name : ListFolder(folder)) {
        std::string path = folder + "\\" + name;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files[name] = {ReadBytes(path), Ticks(data.ftLastWriteTime),
                           Ticks(data.ftLastAccessTime)};
    }
    return files;
}

UniqueFile Hold(const std::string &path, DWORD access, DWORD sharing) {
    return UniqueFile(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

class RobustnessTest : public FolderTest {};

// Each case runs Reload, Reorder and Reload again on a data folder that something has been done
// to. No file may lose a byte or its access time; the listed files that can be written get the
// stamps one second apart from 2002-05-03 00:00:01 UTC, masters first, all with one millisecond
// part, and the others keep their times; the next Reload shows the stamped files first.
TEST_F(RobustnessTest, reorderStampsOnlyWritableListedFilesAndNoFileLosesAByte) {
    const Names files{"Base.esm",          "My Mod v1.2.final.esp",
                      "Sm\xf6rg\xe5s.esp", "Upper.ESP",
                      "Mixed.Esm",         ".esp",
                      "Readme.txt",        "Pinned.esp",
                      "Busy.esp",          "Late.esm",
                      "Last.esp"};
    using Step = std::function<UniqueFile(const std::string &data)>;
    const Step nothing = [](const std::string &) { return UniqueFile(); };
    struct Row {
        const char *what;
        Step beforeReload, beforeReorder;
        Names stamped; // in stamping order
        const char *reorderFolder = "Data Files";
    };
    const std::string smorgas = "Sm\xf6rg\xe5s.esp";
    const Row rows[] = {
        {"every listed file writable",
         nothing,
         nothing,
         {"Base.esm", "Late.esm", "My Mod v1.2.final.esp", smorgas, "Pinned.esp", "Busy.esp",
          "Last.esp"}},
        {"a read-only file keeps its place",
         nothing,
         [](const std::string &data) {
             SetFileAttributesA((data + "\\Pinned.esp").c_str(), FILE_ATTRIBUTE_READONLY);
             return UniqueFile();
         },
         {"Base.esm", "Late.esm", "My Mod v1.2.final.esp", smorgas, "Busy.esp", "Last.esp"}},
        {"a file locked against writing takes no stamp",
         nothing,
         [](const std::string &data) {
             return Hold(data + "\\Busy.esp", GENERIC_READ, FILE_SHARE_READ);
         },
         {"Base.esm", "Late.esm", "My Mod v1.2.final.esp", smorgas, "Pinned.esp", "Last.esp"}},
        {"a file locked against reading is not listed",
         [](const std::string &data) { return Hold(data + "\\Busy.esp", GENERIC_WRITE, 0); },
         nothing,
         {"Base.esm", "Late.esm", "My Mod v1.2.final.esp", smorgas, "Pinned.esp", "Last.esp"}},
        {"a file deleted after loading",
         nothing,
         [](const std::string &data) {
             DeleteFileA((data + "\\Last.esp").c_str());
             return UniqueFile();
         },
         {"Base.esm", "Late.esm", "My Mod v1.2.final.esp", smorgas, "Pinned.esp", "Busy.esp"}},
        // The folder that the last Reload made current still holds the listed names.
        {"the path field names a folder that has gone", nothing, nothing, {}, "Gone"},
    };
    MessageBoxRecorder boxes;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const std::string data = Path("Data Files");
        SetCurrentDirectoryA(folder_.c_str()); // a current folder cannot be removed
        RemoveTree(data);
        ASSERT_TRUE(CreateDirectoryA(data.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((data + "\\Sub.esp").c_str(), nullptr));
        MakeFilesInOrder(data, files);
        // The first read of a changed file moves its access time on: read them all once before.
        Contents(data);
        auto before = Contents(data);

        TestDialog dialog;
        dialog.SetPath(data);
        boxes.Clear();
        {
            UniqueFile held = row.beforeReload(data);
            dialog.Click(IDC_RELOAD);
        }
        Names status = dialog.Entries(IDC_STATUS);
        {
            UniqueFile held = row.beforeReorder(data);
            dialog.SetPath(Path(row.reorderFolder));
            dialog.Click(IDC_REORDER);
        }
        const bool done = !row.stamped.empty();
        status.push_back("Reording...");
        if (done)
            status.push_back("Reording done");
        EXPECT_EQ(dialog.Entries(IDC_STATUS), status);
        Names seen;
        for (const MessageBoxRecord &box : boxes.Boxes())
            seen.push_back(box.caption + (box.owner ? " (owned): " : ": ") + box.text);
        EXPECT_EQ(seen, done ? Names{} : Names{"Note: Cannot set current dir"});

        auto after = Contents(data);
        const ULONGLONG base = Ticks(ToFileTime(Utc(2002, 5, 3, 0, 0, 0))), second = 10000000;
        const ULONGLONG milliseconds = done ? after[row.stamped[0]].written % second : 0;
        for (const auto &[name, file] : before) {
            SCOPED_TRACE(name);
            if (!after.count(name))
                continue;
            EXPECT_EQ(after[name].bytes, file.bytes);
            EXPECT_EQ(after[name].accessed, file.accessed);
            auto stamp = std::find(row.stamped.begin(), row.stamped.end(), name);
            EXPECT_EQ(after[name].written,
                      stamp == row.stamped.end()
                          ? file.written
                          : base + second * (1 + (stamp - row.stamped.begin())) + milliseconds);
        }
        if (done) {
            dialog.SetPath(data);
            dialog.Click(IDC_RELOAD);
            Names shown = dialog.Entries(IDC_MASTER_LIST),
                  plugins = dialog.Entries(IDC_PLUGIN_LIST);
            shown.insert(shown.end(), plugins.begin(), plugins.end());
            shown.resize(std::min(shown.size(), row.stamped.size()));
            EXPECT_EQ(shown, row.stamped) << "the stamped files load first, in the order written";
        }
        SetFileAttributesA((data + "\\Pinned.esp").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

} // namespace
