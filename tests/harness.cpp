#include "tests/harness.h"

#include "app/dialog.h"
#include "res/resource.h"

#include <algorithm>

namespace {

MessageBoxRecorder *activeRecorder = nullptr;

// The message text of a box is the static control with this id.
constexpr int kMessageBoxTextId = 0xFFFF;

std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lParam) {
    auto *record = reinterpret_cast<MessageBoxRecord *>(lParam);
    // The box is not shown yet when it activates: look at the controls' own visible bits.
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (!(style & WS_VISIBLE))
        return TRUE;
    std::string className = ClassName(child);
    if (_stricmp(className.c_str(), "Button") == 0)
        record->buttons.push_back(GetDlgCtrlID(child));
    else if (_stricmp(className.c_str(), "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
        record->hasIcon = SendMessageA(child, STM_GETICON, 0, 0) != 0;
    return TRUE;
}

int counter = 0;

} // namespace

MessageBoxRecorder::MessageBoxRecorder() {
    activeRecorder = this;
    hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

MessageBoxRecorder::~MessageBoxRecorder() {
    UnhookWindowsHookEx(hook_);
    activeRecorder = nullptr;
}

LRESULT CALLBACK MessageBoxRecorder::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (activeRecorder) {
        if (code == HCBT_ACTIVATE)
            activeRecorder->OnActivate(reinterpret_cast<HWND>(wParam));
        else if (code == HCBT_DESTROYWND) {
            auto &seen = activeRecorder->seen_;
            seen.erase(std::remove(seen.begin(), seen.end(), reinterpret_cast<HWND>(wParam)),
                       seen.end());
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxRecorder::OnActivate(HWND window) {
    if (ClassName(window) != "#32770" || GetDlgCtrlID(window) != 0)
        return;
    if (std::find(seen_.begin(), seen_.end(), window) != seen_.end())
        return;
    HWND text = GetDlgItem(window, kMessageBoxTextId);
    if (!text) {
        if (onOtherDialog) {
            seen_.push_back(window);
            onOtherDialog(window);
        }
        return;
    }
    seen_.push_back(window);
    MessageBoxRecord record;
    record.caption = WindowText(window);
    record.text = WindowText(text);
    record.owner = GetWindow(window, GW_OWNER);
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&record));
    std::sort(record.buttons.begin(), record.buttons.end());
    boxes_.push_back(record);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
}

void FolderTest::SetUp() {
    char directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    savedDirectory_ = directory;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "talvessa-test-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++counter);
    RemoveTree(folder_);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
}

void FolderTest::TearDown() {
    SetCurrentDirectoryA(savedDirectory_.c_str());
    RemoveTree(folder_);
}

SYSTEMTIME Utc(int year, int month, int day, int hour, int minute, int second, int milliseconds) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(milliseconds);
    return time;
}

FILETIME ToFileTime(const SYSTEMTIME &utc) {
    FILETIME fileTime{};
    SystemTimeToFileTime(&utc, &fileTime);
    return fileTime;
}

void WriteBytes(const std::string &path, const std::string &bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size()) << path;
}

std::string ReadBytes(const std::string &path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

void SetWriteTime(const std::string &path, const SYSTEMTIME &utc) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME written = ToFileTime(utc);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written)) << path;
    CloseHandle(file);
}

FILETIME GetWriteTime(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void MakeFilesInOrder(const std::string &folder, const std::vector<std::string> &names) {
    for (size_t i = 0; i < names.size(); ++i) {
        std::string path = folder + "\\" + names[i];
        WriteBytes(path, "content of " + names[i]);
        SetWriteTime(path, Utc(2010, 1, 1, 12, static_cast<int>(i), 0));
    }
}

std::vector<std::string> ListFolder(const std::string &folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

void RemoveTree(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const std::string &name : ListFolder(path))
            if (name != "." && name != "..")
                RemoveTree(path + "\\" + name);
        RemoveDirectoryA(path.c_str());
    } else {
        DeleteFileA(path.c_str());
    }
}

TestDialog::TestDialog() {
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                 MainDialogProc, 0);
}

TestDialog::~TestDialog() {
    if (dialog_)
        DestroyWindow(dialog_);
}

void TestDialog::SetPath(const std::string &text) const {
    SetDlgItemTextA(dialog_, IDC_PATH_EDIT, text.c_str());
}

std::string TestDialog::PathText() const {
    return WindowText(GetDlgItem(dialog_, IDC_PATH_EDIT));
}

void TestDialog::Click(int id) const {
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

std::vector<std::string> TestDialog::Entries(int listId) const {
    HWND list = GetDlgItem(dialog_, listId);
    std::vector<std::string> entries;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH + 1] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::vector<int> TestDialog::Selected(int listId) const {
    HWND list = GetDlgItem(dialog_, listId);
    int count = static_cast<int>(SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    std::vector<int> indices(static_cast<size_t>(std::max(count, 0)));
    if (count > 0)
        SendMessageA(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(indices.data()));
    return indices;
}

void TestDialog::Select(int listId, const std::vector<int> &indices) const {
    HWND list = GetDlgItem(dialog_, listId);
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int index : indices)
        SendMessageA(list, LB_SETSEL, TRUE, index);
}

void MainDialogTest::SetUp() {
    FolderTest::SetUp();
    SetCurrentDirectoryA(folder_.c_str());
    dialog_.emplace();
    ASSERT_NE(dialog_->Get(), nullptr);
    ShowWindow(dialog_->Get(), SW_SHOW);
    boxes_.Clear();
}

void MainDialogTest::Fill(int listId, const Names &entries) const {
    SendDlgItemMessageA(dialog_->Get(), listId, LB_RESETCONTENT, 0, 0);
    for (const std::string &entry : entries)
        SendDlgItemMessageA(dialog_->Get(), listId, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(entry.c_str()));
}

Names MainDialogTest::StatusSince(size_t count) const {
    Names lines = dialog_->Entries(IDC_STATUS);
    return Names(lines.begin() + static_cast<std::ptrdiff_t>(count), lines.end());
}

void PumpMessages(HWND dialog) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
