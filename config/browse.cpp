#include "config/browse.h"

#include "catalogue/lists.h"
#include "win32/handles.h"
#include "res/resource.h"

#include <shlobj.h>

#include <array>

void OnBrowse(HWND dialog) {
    // No owner: the dialog stays usable while the browser is open. No flags: any item of the
    // namespace may be chosen, including one that is no file-system folder.
    BROWSEINFOA request{};
    request.lpszTitle = "Select your data files folder";
    UniqueItemIdList chosen(SHBrowseForFolderA(&request));
    if (!chosen)
        return;
    std::array<char, MAX_PATH> path{};
    // An item without a file-system path gives an empty path, which the list population reports.
    if (!SHGetPathFromIDListA(chosen.Get(), path.data()))
        path[0] = '\0';
    chosen.Reset();
    SetDlgItemTextA(dialog, IDC_PATH_EDIT, path.data());
    LoadPluginLists(dialog);
}
