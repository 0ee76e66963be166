#include "tests/harness.h"

#include "app/status.h"
#include "res/resource.h"

#include <cstring>
#include <iterator>
#include <memory>

namespace {

class DialogTest : public FolderTest {
  protected:
    void SetUp() override {
        FolderTest::SetUp();
        // Start-up reads its settings from the current directory: make it this test's folder.
        SetCurrentDirectoryA(folder_.c_str());
    }

    std::vector<std::string> StatusLines() const { return dialog_->Entries(IDC_STATUS); }

    std::vector<std::string> LastStatusLines(size_t count) const {
        std::vector<std::string> lines = StatusLines();
        if (lines.size() > count)
            lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
        return lines;
    }

    void OpenDialog() {
        dialog_.reset(new TestDialog);
        ASSERT_NE(dialog_->Get(), nullptr);
    }

    void ClickItem(int listId, int index, WPARAM keys = 0) {
        HWND list = GetDlgItem(dialog_->Get(), listId);
        RECT item{};
        SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        SendMessageA(list, WM_LBUTTONUP, keys, at);
        PumpMessages(dialog_->Get());
    }

    void PressKey(int controlId, WPARAM key) {
        HWND control = GetDlgItem(dialog_->Get(), controlId);
        SetFocus(control);
        MSG down{control, WM_KEYDOWN, key, 0, 0, {0, 0}};
        if (!IsDialogMessageA(dialog_->Get(), &down)) {
            TranslateMessage(&down);
            DispatchMessageA(&down);
        }
        MSG up{control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u), 0, {0, 0}};
        if (!IsDialogMessageA(dialog_->Get(), &up))
            DispatchMessageA(&up);
        PumpMessages(dialog_->Get());
    }

    MessageBoxRecorder boxes_;
    std::unique_ptr<TestDialog> dialog_;
};

// A classic dialog template as stored in the executable.
struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string className;
    std::string caption;
};

struct DialogTemplate {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    std::string caption;
    WORD pointSize;
    std::string font;
    std::vector<TemplateItem> items;
};

class TemplateReader {
  public:
    explicit TemplateReader(const BYTE *at) : at_(at) {}
    template <typename T> T Take() {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    // A string or an ordinal; the predefined classes' ordinals become their names.
    std::string TakeText() {
        WORD first = Take<WORD>();
        if (first == 0xFFFF) {
            switch (Take<WORD>()) {
            case 0x80: return "Button";
            case 0x81: return "Edit";
            case 0x82: return "Static";
            case 0x83: return "ListBox";
            default: return "#ordinal";
            }
        }
        std::string text;
        for (WORD c = first; c != 0; c = Take<WORD>())
            text.push_back(static_cast<char>(c));
        return text;
    }
    void AlignToDword() {
        while (reinterpret_cast<uintptr_t>(at_) % 4)
            ++at_;
    }

  private:
    const BYTE *at_;
};

DialogTemplate LoadMainTemplate() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(IDD_MAIN), MAKEINTRESOURCEA(5));
    EXPECT_NE(resource, nullptr);
    TemplateReader reader(static_cast<const BYTE *>(LockResource(LoadResource(module, resource))));
    DialogTemplate dialog{};
    dialog.style = reader.Take<DWORD>();
    dialog.exStyle = reader.Take<DWORD>();
    WORD count = reader.Take<WORD>();
    dialog.x = reader.Take<short>();
    dialog.y = reader.Take<short>();
    dialog.cx = reader.Take<short>();
    dialog.cy = reader.Take<short>();
    EXPECT_EQ(reader.TakeText(), "") << "no menu";
    EXPECT_EQ(reader.TakeText(), "") << "no class of its own";
    dialog.caption = reader.TakeText();
    dialog.pointSize = reader.Take<WORD>();
    dialog.font = reader.TakeText();
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword();
        TemplateItem item{};
        item.style = reader.Take<DWORD>();
        EXPECT_EQ(reader.Take<DWORD>(), 0u) << "no extended styles";
        item.x = reader.Take<short>();
        item.y = reader.Take<short>();
        item.cx = reader.Take<short>();
        item.cy = reader.Take<short>();
        item.id = reader.Take<WORD>();
        item.className = reader.TakeText();
        item.caption = reader.TakeText();
        reader.Take<WORD>(); // creation data, none
        dialog.items.push_back(item);
    }
    return dialog;
}

TEST(DialogTemplate, holdsEveryControlInTabOrderWithItsStylesAndPlace) {
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    const DWORD push = child | BS_PUSHBUTTON;
    const DWORD orderList =
        child | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT;
    const TemplateItem expected[] = {
        {child | WS_BORDER | ES_AUTOHSCROLL, 10, 5, 290, 14, IDC_PATH_EDIT, "Edit", ""},
        {push, 310, 5, 20, 14, IDC_BROWSE, "Button", "..."},
        {push, 10, 22, 80, 14, IDC_EXPORT, "Button", "Export Load Order"},
        {orderList, 10, 40, 190, 150, IDC_PLUGIN_LIST, "ListBox", ""},
        {orderList, 300, 40, 190, 150, IDC_MASTER_LIST, "ListBox", ""},
        {push, 210, 40, 80, 14, IDC_RELOAD, "Button", "Reload"},
        {push, 210, 60, 80, 14, IDC_MOVE_TOP, "Button", "Move to Top"},
        {push, 210, 80, 80, 14, IDC_MOVE_UP, "Button", "Move Up"},
        {push, 210, 100, 80, 14, IDC_MOVE_DOWN, "Button", "Move Down"},
        {push, 210, 120, 80, 14, IDC_MOVE_BOTTOM, "Button", "Move to Bottom"},
        {push, 210, 140, 80, 14, IDC_REORDER, "Button", "Reorder"},
        {child | WS_BORDER | LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT, 210, 160, 80, 30,
         IDC_STATUS, "ListBox", ""},
    };
    DialogTemplate dialog = LoadMainTemplate();
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                               DS_MODALFRAME | DS_CENTER | DS_SETFONT));
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 500);
    EXPECT_EQ(dialog.cy, 200);
    EXPECT_EQ(dialog.caption, "Talvessa");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    ASSERT_EQ(dialog.items.size(), std::size(expected));
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const TemplateItem &item = dialog.items[i], &want = expected[i];
        SCOPED_TRACE(want.id);
        EXPECT_EQ(item.id, want.id) << "tab order";
        // The whole style word: a sorting list, a default button or a group start would show.
        EXPECT_EQ(item.style, want.style);
        EXPECT_STRCASEEQ(item.className.c_str(), want.className.c_str());
        EXPECT_EQ(item.caption, want.caption);
        EXPECT_EQ((std::vector<int>{item.x, item.y, item.cx, item.cy}),
                  (std::vector<int>{want.x, want.y, want.cx, want.cy}));
    }
}

TEST_F(DialogTest, listPopulationReportsEachOutcomeAndKeepsOrEmptiesTheLists) {
    MakeFilesInOrder(folder_, {"B.esp", "Base.esm", "A.esp", "Extra.esm", "Readme.txt"});
    CreateDirectoryA(Path("empty").c_str(), nullptr);
    const std::vector<std::string> plugins{"B.esp", "A.esp"}, masters{"Base.esm", "Extra.esm"};
    const std::vector<std::string> none;
    struct Row {
        const char *what;
        std::string path;
        const char *outcome;
        bool warning;
        std::vector<std::string> plugins, masters;
    };
    const Row rows[] = {
        {"folder", folder_, "Done", false, plugins, masters},
        {"reload again, nothing doubled", folder_, "Done", false, plugins, masters},
        {"empty path keeps the lists", "", "No Data Files path", true, plugins, masters},
        {"folder without plug-ins empties them", Path("empty"), "Error loading mod files", true,
         none, none},
        {"folder again", folder_, "Done", false, plugins, masters},
        {"missing folder empties them", Path("missing"), "Error loading mod files", true, none,
         none},
    };
    OpenDialog();
    // With nothing in the path field, start-up reports the missing path.
    EXPECT_EQ(StatusLines(),
              (std::vector<std::string>{"Loading Mod Files...", "No Data Files path"}));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        boxes_.Clear();
        size_t before = StatusLines().size();
        dialog_->SetPath(row.path);
        dialog_->Click(IDC_RELOAD);
        EXPECT_EQ(StatusLines().size(), before + 2);
        EXPECT_EQ(LastStatusLines(2),
                  (std::vector<std::string>{"Loading Mod Files...", row.outcome}));
        if (row.warning) {
            ASSERT_EQ(boxes_.Boxes().size(), 1u);
            EXPECT_EQ(boxes_.Boxes()[0].caption, "Warning");
            EXPECT_EQ(boxes_.Boxes()[0].text, row.outcome);
            EXPECT_TRUE(boxes_.Boxes()[0].IsPlainOk());
            EXPECT_EQ(boxes_.Boxes()[0].owner, dialog_->Get());
        } else {
            EXPECT_TRUE(boxes_.Boxes().empty());
        }
        EXPECT_EQ(dialog_->Entries(IDC_PLUGIN_LIST), row.plugins);
        EXPECT_EQ(dialog_->Entries(IDC_MASTER_LIST), row.masters);
    }
}

TEST_F(DialogTest, folderWithMastersOnlyLeavesPluginListEmpty) {
    MakeFilesInOrder(folder_, {"Tribunal.esm", "Bloodmoon.esm"});
    OpenDialog();
    dialog_->SetPath(folder_);
    dialog_->Click(IDC_RELOAD);
    EXPECT_EQ(LastStatusLines(1), std::vector<std::string>{"Done"});
    EXPECT_TRUE(dialog_->Entries(IDC_PLUGIN_LIST).empty());
    EXPECT_EQ(dialog_->Entries(IDC_MASTER_LIST),
              (std::vector<std::string>{"Tribunal.esm", "Bloodmoon.esm"}));
}

TEST_F(DialogTest, clickingOneListClearsTheOtherAndStatusNeverKeepsASelection) {
    MakeFilesInOrder(folder_, {"M1.esm", "M2.esm", "M3.esm", "P1.esp", "P2.esp", "P3.esp"});
    OpenDialog();
    dialog_->SetPath(folder_);
    dialog_->Click(IDC_RELOAD);
    ShowWindow(dialog_->Get(), SW_SHOW);

    ClickItem(IDC_MASTER_LIST, 0);
    ClickItem(IDC_MASTER_LIST, 2, MK_CONTROL);
    EXPECT_EQ(dialog_->Selected(IDC_MASTER_LIST), (std::vector<int>{0, 2}));

    ClickItem(IDC_PLUGIN_LIST, 1);
    ClickItem(IDC_PLUGIN_LIST, 2, MK_SHIFT);
    EXPECT_EQ(dialog_->Selected(IDC_PLUGIN_LIST), (std::vector<int>{1, 2}));
    EXPECT_TRUE(dialog_->Selected(IDC_MASTER_LIST).empty());

    ClickItem(IDC_MASTER_LIST, 1);
    EXPECT_EQ(dialog_->Selected(IDC_MASTER_LIST), (std::vector<int>{1}));
    EXPECT_TRUE(dialog_->Selected(IDC_PLUGIN_LIST).empty());

    ClickItem(IDC_STATUS, 0);
    EXPECT_TRUE(dialog_->Selected(IDC_STATUS).empty());
    EXPECT_EQ(dialog_->Selected(IDC_MASTER_LIST), (std::vector<int>{1}));
}

TEST_F(DialogTest, escapeAndEnterLeaveItOpenWhileCloseEndsIt) {
    OpenDialog();
    ShowWindow(dialog_->Get(), SW_SHOW);
    PressKey(IDC_PATH_EDIT, VK_ESCAPE);
    PressKey(IDC_PATH_EDIT, VK_RETURN);
    PressKey(IDC_PLUGIN_LIST, VK_RETURN);
    EXPECT_TRUE(IsWindowVisible(dialog_->Get()));

    SendMessageA(dialog_->Get(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(dialog_->Get())) << "the close button ends the dialog";
}

TEST_F(DialogTest, warningGoesToTheStatusListFirstAndNewestLineStaysInView) {
    OpenDialog();
    ShowWindow(dialog_->Get(), SW_SHOW);
    boxes_.Clear();
    for (int i = 0; i < 20; ++i)
        SetStatus(dialog_->Get(), "Same", 0);
    SetStatus(dialog_->Get(), "Last words", 1);

    std::vector<std::string> lines = StatusLines();
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[21], "Same");
    EXPECT_EQ(lines[22], "Last words");
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, "Last words");
    EXPECT_EQ(boxes_.Boxes()[0].caption, "Warning");

    HWND status = GetDlgItem(dialog_->Get(), IDC_STATUS);
    RECT client, item;
    GetClientRect(status, &client);
    SendMessageA(status, LB_GETITEMRECT, 22, reinterpret_cast<LPARAM>(&item));
    EXPECT_GE(item.top, client.top);
    EXPECT_LE(item.bottom, client.bottom) << "the newest line is fully visible";
}

} // namespace
