#include "tests/harness.h"

#include <array>

using DialogTest = TalvessaTest;

TEST_F(DialogTest, listPopulationReportsEachOutcomeAndKeepsOrEmptiesTheLists) {
    CreateDirectoryA(Path("Data").c_str(), nullptr);
    CreateDirectoryA(Path("empty").c_str(), nullptr);
    MakeFilesInOrder(Path("Data"), "B.esp|Base.esm|A.esp|Extra.esm|Readme.txt|");
    const std::string lists = "B.esp|A.esp| Base.esm|Extra.esm|";
    // The path, then how the list population ends and the lists it leaves.
    const std::string rows[][3] = {
        {Path("Data"), "Done", lists},
        // Relative to the folder the program started in, however often it is used.
        {"Data", "Done", lists},
        {"Data", "Done", lists},
        {"", "No Data Files path", lists},
        {Path("empty"), "Error loading mod files", " "},
        {Path("Data"), "Done", lists},
        {Path("missing"), "Error loading mod files", " "}};
    for (const auto &[path, outcome, shown] : rows) {
        SCOPED_TRACE(path);
        SetPath(path);
        Click(IDC_RELOAD);
        EXPECT_EQ(NewStatus(), "Loading Mod Files...|" + outcome + "|");
        EXPECT_EQ(Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST), shown);
        EXPECT_EQ(Boxes(), outcome == "Done" ? "" : "Warning: " + outcome + "|");
    }
    // The newest line is in view although the status list has no scroll bar.
    RECT client, item;
    GetClientRect(GetDlgItem(dialog_, IDC_STATUS), &client);
    SendDlgItemMessageA(dialog_, IDC_STATUS, LB_GETITEMRECT, statusSeen_ - 1, LPARAM(&item));
    EXPECT_TRUE(item.top >= client.top && item.bottom <= client.bottom);
}

TEST_F(DialogTest, clickingOneListClearsTheOtherAndOnlyCloseEndsTheDialog) {
    // Clicks with the mouse, as a list box sees them (list, entry, keys held), and the lists after.
    const std::pair<std::array<int, 3>, const char *> clicks[] = {
        {{IDC_MASTER_LIST, 0, 0}, "A*|B|C| D|E|F|"},
        {{IDC_MASTER_LIST, 2, MK_CONTROL}, "A*|B|C*| D|E|F|"},
        {{IDC_PLUGIN_LIST, 1, 0}, "A|B|C| D|E*|F|"},
        {{IDC_PLUGIN_LIST, 2, MK_SHIFT}, "A|B|C| D|E*|F*|"},
        {{IDC_MASTER_LIST, 1, 0}, "A|B*|C| D|E|F|"},
        {{IDC_STATUS, 0, 0}, "A|B*|C| D|E|F|"}};
    Fill(IDC_MASTER_LIST, "A|B|C|");
    Fill(IDC_PLUGIN_LIST, "D|E|F|");
    for (const auto &[click, lists] : clicks) {
        HWND list = GetDlgItem(dialog_, click[0]);
        RECT item{};
        SendMessageA(list, LB_GETITEMRECT, click[1], LPARAM(&item));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | click[2], at);
        SendMessageA(list, WM_LBUTTONUP, click[2], at);
        EXPECT_EQ(Show(IDC_MASTER_LIST) + " " + Show(IDC_PLUGIN_LIST), lists);
        EXPECT_EQ(Show(IDC_STATUS).find('*'), std::string::npos) << "the status list selects none";
    }
    for (int control : {IDC_PATH_EDIT, IDC_PLUGIN_LIST})
        for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
            SetFocus(GetDlgItem(dialog_, control));
            MSG press{GetFocus(), WM_KEYDOWN, key, 0, 0, {0, 0}};
            IsDialogMessageA(dialog_, &press);
        }
    EXPECT_TRUE(IsWindowVisible(dialog_)) << "Escape and Enter leave it open";
    SendMessageA(dialog_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(dialog_));
}
