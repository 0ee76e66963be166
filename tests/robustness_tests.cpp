#include "tests/harness.h"

#include "app/handles.h"
#include "res/resource.h"

#include <functional>
#include <map>

namespace {

using Names = std::vector<std::string>;

// What a folder holds: each file's bytes and last-write time.
std::map<std::string, std::pair<std::string, ULONGLONG>> Contents(const std::string &folder) {
    std::map<std::string, std::pair<std::string, ULONGLONG>> files;
    for (const std::string &name : ListFolder(folder)) {
        std::string path = folder + "\\" + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        FILETIME time = GetWriteTime(path);
        files[name] = {ReadBytes(path),
                       (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime};
    }
    return files;
}

UniqueFile Hold(const std::string &path, DWORD access, DWORD sharing) {
    return UniqueFile(CreateFileA(path.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

class RobustnessTest : public FolderTest {};

// Each case runs Reload, Reorder and Reload again on a data folder that something has been done
// to. Whatever happens, no file may lose a byte, and only the files that were listed and could be
// written may get a new time.
TEST_F(RobustnessTest, reorderRewritesOnlyWritableListedFilesAndNoFileLosesAByte) {
    const Names files{"Base.esm",          "My Mod v1.2.final.esp",
                      "Sm\xf6rg\xe5s.esp", "Upper.ESP",
                      "Mixed.Esm",         ".esp",
                      "Readme.txt",        "Pinned.esp",
                      "Busy.esp",          "Last.esp"};
    using Step = std::function<UniqueFile(const std::string &data)>;
    const Step nothing = [](const std::string &) { return UniqueFile(); };
    struct Row {
        const char *what;
        Step beforeReload, beforeReorder;
        Names stamped; // in stamping order
        const char *lastStatus;
        const char *reorderFolder = "Data Files";
    };
    const Names all{"Base.esm",          "My Mod v1.2.final.esp",
                    "Sm\xf6rg\xe5s.esp", "Pinned.esp",
                    "Busy.esp",          "Last.esp"};
    const Row rows[] = {
        {"every listed file writable", nothing, nothing, all, "Reording done"},
        {"a read-only file keeps its place",
         nothing,
         [](const std::string &data) {
             SetFileAttributesA((data + "\\Pinned.esp").c_str(), FILE_ATTRIBUTE_READONLY);
             return UniqueFile();
         },
         {"Base.esm", "My Mod v1.2.final.esp", "Sm\xf6rg\xe5s.esp", "Busy.esp", "Last.esp"},
         "Reording done"},
        {"a file locked against writing",
         nothing,
         [](const std::string &data) {
             return Hold(data + "\\Busy.esp", GENERIC_READ, FILE_SHARE_READ);
         },
         {"Base.esm", "My Mod v1.2.final.esp", "Sm\xf6rg\xe5s.esp", "Pinned.esp", "Last.esp"},
         "Reording done"},
        {"a file locked against reading is not listed",
         [](const std::string &data) { return Hold(data + "\\Busy.esp", GENERIC_WRITE, 0); },
         nothing,
         {"Base.esm", "My Mod v1.2.final.esp", "Sm\xf6rg\xe5s.esp", "Pinned.esp", "Last.esp"},
         "Reording done"},
        {"a file deleted after loading",
         nothing,
         [](const std::string &data) {
             DeleteFileA((data + "\\Last.esp").c_str());
             return UniqueFile();
         },
         {"Base.esm", "My Mod v1.2.final.esp", "Sm\xf6rg\xe5s.esp", "Pinned.esp", "Busy.esp"},
         "Reording done"},
        // The folder that the last Reload made current still holds the listed names.
        {"the path field names a folder that has gone",
         nothing,
         nothing,
         {},
         "Reording...",
         "Gone"},
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
        auto before = Contents(data);

        TestDialog dialog;
        dialog.SetPath(data);
        boxes.Clear();
        {
            UniqueFile held = row.beforeReload(data);
            dialog.Click(IDC_RELOAD);
        }
        {
            UniqueFile held = row.beforeReorder(data);
            dialog.SetPath(Path(row.reorderFolder));
            dialog.Click(IDC_REORDER);
        }
        EXPECT_EQ(dialog.Entries(IDC_STATUS).back(), row.lastStatus);
        Names seen;
        for (const MessageBoxRecord &box : boxes.Boxes())
            seen.push_back(box.caption + (box.owner ? " (owned): " : ": ") + box.text);
        EXPECT_EQ(seen, std::string(row.lastStatus) == "Reording done"
                            ? Names{}
                            : Names{"Note: Cannot set current dir"});

        auto after = Contents(data);
        Names stamped;
        for (const auto &[name, file] : before) {
            if (!after.count(name))
                continue;
            EXPECT_EQ(after[name].first, file.first) << name;
            if (after[name].second != file.second)
                stamped.push_back(name);
        }
        std::sort(stamped.begin(), stamped.end(), [&](const std::string &a, const std::string &b) {
            return after[a].second < after[b].second;
        });
        EXPECT_EQ(stamped, row.stamped);
        SetFileAttributesA((data + "\\Pinned.esp").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

} // namespace
