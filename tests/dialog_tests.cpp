#include "tests/harness.h"

#include "ui/status.h"
#include "res/resource.h"

namespace {

class DialogTest : public MainDialogTest {
  protected:
    // A click with the mouse, as the list box itself sees it.
    void ClickItem(int listId, int index, WPARAM keys = 0) {
        HWND list = GetDlgItem(dialog_->Get(), listId);
        RECT item{};
        SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        SendMessageA(list, WM_LBUTTONUP, keys, at);
        PumpMessages(dialog_->Get());
    }

    // A key pressed in a control, through the dialog manager as a message loop would pass it.
    void PressKey(int controlId, WPARAM key) {
        HWND control = GetDlgItem(dialog_->Get(), controlId);
        SetFocus(control);
        for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
            MSG msg{control, message, key, 0, 0, {0, 0}};
            if (!IsDialogMessageA(dialog_->Get(), &msg))
                DispatchMessageA(&msg);
        }
        PumpMessages(dialog_->Get());
    }
};

TEST_F(DialogTest, listPopulationReportsEachOutcomeAndKeepsOrEmptiesTheLists) {
    MakeFilesInOrder(folder_, {"B.esp", "Base.esm", "A.esp", "Extra.esm", "Readme.txt"});
    CreateDirectoryA(Path("empty").c_str(), nullptr);
    const Names plugins{"B.esp", "A.esp"}, masters{"Base.esm", "Extra.esm"}, none;
    struct Row {
        const char *what;
        std::string path;
        const char *outcome;
        Names plugins, masters;
    };
    const Row rows[] = {
        {"folder", folder_, "Done", plugins, masters},
        {"reload again, nothing doubled", folder_, "Done", plugins, masters},
        {"empty path keeps the lists", "", "No Data Files path", plugins, masters},
        {"no plug-ins empties them", Path("empty"), "Error loading mod files", none, none},
        {"folder again", folder_, "Done", plugins, masters},
        {"missing folder empties them", Path("missing"), "Error loading mod files", none, none},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        boxes_.Clear();
        Names expected = dialog_->Entries(IDC_STATUS);
        expected.insert(expected.end(), {"Loading Mod Files...", row.outcome});
        dialog_->SetPath(row.path);
        dialog_->Click(IDC_RELOAD);
        EXPECT_EQ(dialog_->Entries(IDC_STATUS), expected);
        EXPECT_EQ(dialog_->Entries(IDC_PLUGIN_LIST), row.plugins);
        EXPECT_EQ(dialog_->Entries(IDC_MASTER_LIST), row.masters);
        if (std::string(row.outcome) == "Done") {
            EXPECT_TRUE(boxes_.Boxes().empty());
            continue;
        }
        ASSERT_EQ(boxes_.Boxes().size(), 1u);
        EXPECT_EQ(boxes_.Boxes()[0].caption, "Warning");
        EXPECT_EQ(boxes_.Boxes()[0].text, row.outcome);
        EXPECT_TRUE(boxes_.Boxes()[0].IsPlainOk());
        EXPECT_EQ(boxes_.Boxes()[0].owner, dialog_->Get());
    }
}

TEST_F(DialogTest, clickingOneListClearsTheOtherAndStatusNeverKeepsASelection) {
    MakeFilesInOrder(folder_, {"M1.esm", "M2.esm", "M3.esm", "P1.esp", "P2.esp", "P3.esp"});
    dialog_->SetPath(folder_);
    dialog_->Click(IDC_RELOAD);
    ClickItem(IDC_MASTER_LIST, 0);
    ClickItem(IDC_MASTER_LIST, 2, MK_CONTROL);
    EXPECT_EQ(dialog_->Selected(IDC_MASTER_LIST), (std::vector<int>{0, 2}));
    ClickItem(IDC_PLUGIN_LIST, 1);
    ClickItem(IDC_PLUGIN_LIST, 2, MK_SHIFT);
    EXPECT_EQ(dialog_->Selected(IDC_PLUGIN_LIST), (std::vector<int>{1, 2}));
    EXPECT_TRUE(dialog_->Selected(IDC_MASTER_LIST).empty());
    ClickItem(IDC_MASTER_LIST, 1);
    EXPECT_EQ(dialog_->Selected(IDC_MASTER_LIST), std::vector<int>{1});
    EXPECT_TRUE(dialog_->Selected(IDC_PLUGIN_LIST).empty());
    ClickItem(IDC_STATUS, 0);
    EXPECT_TRUE(dialog_->Selected(IDC_STATUS).empty());
    EXPECT_EQ(dialog_->Selected(IDC_MASTER_LIST), std::vector<int>{1});
}

TEST_F(DialogTest, escapeAndEnterLeaveItOpenWhileCloseEndsIt) {
    PressKey(IDC_PATH_EDIT, VK_ESCAPE);
    PressKey(IDC_PATH_EDIT, VK_RETURN);
    PressKey(IDC_PLUGIN_LIST, VK_RETURN);
    EXPECT_TRUE(IsWindowVisible(dialog_->Get()));
    SendMessageA(dialog_->Get(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(dialog_->Get())) << "the close button ends the dialog";
}

TEST_F(DialogTest, newestStatusLineStaysInViewWithoutAScrollBar) {
    for (int i = 0; i < 20; ++i)
        SetStatus(dialog_->Get(), "Same", 0);
    SetStatus(dialog_->Get(), "Last words", 1);
    EXPECT_EQ(dialog_->Entries(IDC_STATUS).back(), "Last words");
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Last words");
    HWND status = GetDlgItem(dialog_->Get(), IDC_STATUS);
    RECT client, item;
    GetClientRect(status, &client);
    SendMessageA(status, LB_GETITEMRECT, 22, reinterpret_cast<LPARAM>(&item));
    EXPECT_GE(item.top, client.top);
    EXPECT_LE(item.bottom, client.bottom);
}

} // namespace
