#include "tests/harness.h"

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
        SetPath(path);
        Click(IDC_RELOAD);
        EXPECT_EQ(NewStatus(), "Loading Mod Files...|" + outcome + "|") << path;
        EXPECT_EQ(Show(IDC_PLUGIN_LIST) + " " + Show(IDC_MASTER_LIST), shown) << path;
        EXPECT_EQ(Boxes(), outcome == "Done" ? "" : "Warning: " + outcome + "|") << path;
    }
    // The newest line is in view although the status list has no scroll bar.
    RECT client, item;
    GetClientRect(GetDlgItem(dialog_, IDC_STATUS), &client);
    Send(IDC_STATUS, LB_GETITEMRECT, Send(IDC_STATUS, LB_GETCOUNT) - 1, LPARAM(&item));
    EXPECT_TRUE(item.top >= client.top && item.bottom <= client.bottom);
}

TEST_F(DialogTest, clickingOneListClearsTheOtherAndOnlyCloseEndsTheDialog) {
    // Clicks with the mouse, as a list box sees them (list, entry, keys held), and the lists after.
    const std::tuple<int, int, int, const char *> clicks[] = {
        {IDC_MASTER_LIST, 0, 0, "A*|B|C| D|E|F|"},
        {IDC_MASTER_LIST, 2, MK_CONTROL, "A*|B|C*| D|E|F|"},
        {IDC_PLUGIN_LIST, 1, 0, "A|B|C| D|E*|F|"},
        {IDC_PLUGIN_LIST, 2, MK_SHIFT, "A|B|C| D|E*|F*|"},
        {IDC_MASTER_LIST, 1, 0, "A|B*|C| D|E|F|"},
        {IDC_STATUS, 0, 0, "A|B*|C| D|E|F|"}};
    Fill(IDC_MASTER_LIST, "A|B|C|");
    Fill(IDC_PLUGIN_LIST, "D|E|F|");
    for (const auto &[listId, index, keys, lists] : clicks) {
        RECT item{};
        Send(listId, LB_GETITEMRECT, index, LPARAM(&item));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        Send(listId, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        Send(listId, WM_LBUTTONUP, keys, at);
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
