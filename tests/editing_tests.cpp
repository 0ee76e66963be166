#include "tests/harness.h"

#include "config/folders.h"
#include "editing/reorder.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

class EditingTest : public MainDialogTest {};

Names Letters(const std::string &letters) {
    Names names;
    for (char letter : letters)
        names.emplace_back(1, letter);
    return names;
}

std::vector<int> IndicesOf(const Names &list, const Names &wanted) {
    std::vector<int> indices;
    for (size_t i = 0; i < list.size(); ++i)
        if (std::find(wanted.begin(), wanted.end(), list[i]) != wanted.end())
            indices.push_back(static_cast<int>(i));
    return indices;
}

// Each row fills both lists (a letter per entry), selects some, presses a button and reads both
// lists back; the same entries must then be selected.
TEST_F(EditingTest, movesGiveTheWorkedExamples) {
    struct Row {
        int command, presses;
        const char *plugins, *pluginsSelected, *masters, *mastersSelected;
        const char *pluginsAfter, *mastersAfter;
    };
    const Row rows[] = {
        {IDC_MOVE_UP, 1, "ABCDEF", "ABE", "XYZ", "", "ABCEDF", "XYZ"},
        {IDC_MOVE_DOWN, 1, "XYZ", "", "ABCDEF", "BEF", "XYZ", "ACBDEF"},
        {IDC_MOVE_TOP, 1, "ABCDEFGH", "CFH", "XYZ", "", "CFHABDEG", "XYZ"},
        {IDC_MOVE_BOTTOM, 1, "XYZ", "", "ABCDE", "AD", "XYZ", "BCEAD"},
        {IDC_MOVE_UP, 1, "ABC", "AC", "XYZ", "", "ACB", "XYZ"},
        {IDC_MOVE_UP, 3, "ABCD", "C", "XYZ", "", "CABD", "XYZ"},
        {IDC_MOVE_UP, 1, "ABC", "A", "XYZ", "", "ABC", "XYZ"},
        {IDC_MOVE_TOP, 1, "XYZ", "", "ABC", "A", "XYZ", "ABC"},
        {IDC_MOVE_DOWN, 1, "ABC", "C", "XYZ", "", "ABC", "XYZ"},
        {IDC_MOVE_BOTTOM, 1, "XYZ", "", "ABC", "C", "XYZ", "ABC"},
        {IDC_MOVE_TOP, 1, "A", "A", "XYZ", "", "A", "XYZ"},
        {IDC_MOVE_UP, 1, "A", "A", "XYZ", "", "A", "XYZ"},
        {IDC_MOVE_DOWN, 1, "XYZ", "", "A", "A", "XYZ", "A"},
        {IDC_MOVE_BOTTOM, 1, "XYZ", "", "A", "A", "XYZ", "A"},
        // Both lists hold a selection: the plug-in list alone moves.
        {IDC_MOVE_UP, 1, "ABCD", "C", "XYZ", "Z", "ACBD", "XYZ"},
        {IDC_MOVE_TOP, 1, "ABCD", "D", "XYZ", "YZ", "DABC", "XYZ"},
        // Neither does: a status line, no box, nothing moves.
        {IDC_MOVE_UP, 1, "ABC", "", "XYZ", "", "ABC", "XYZ"},
        {IDC_MOVE_BOTTOM, 1, "ABC", "", "XYZ", "", "ABC", "XYZ"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::to_string(row.command) + " x" + std::to_string(row.presses) + " on " +
                     row.plugins + "/" + row.pluginsSelected + " " + row.masters + "/" +
                     row.mastersSelected);
        Fill(IDC_PLUGIN_LIST, Letters(row.plugins));
        Fill(IDC_MASTER_LIST, Letters(row.masters));
        dialog_->Select(IDC_PLUGIN_LIST,
                        IndicesOf(Letters(row.plugins), Letters(row.pluginsSelected)));
        dialog_->Select(IDC_MASTER_LIST,
                        IndicesOf(Letters(row.masters), Letters(row.mastersSelected)));
        const size_t before = dialog_->Entries(IDC_STATUS).size();
        for (int press = 0; press < row.presses; ++press)
            dialog_->Click(row.command);
        EXPECT_EQ(dialog_->Entries(IDC_PLUGIN_LIST), Letters(row.pluginsAfter));
        EXPECT_EQ(dialog_->Selected(IDC_PLUGIN_LIST),
                  IndicesOf(Letters(row.pluginsAfter), Letters(row.pluginsSelected)));
        EXPECT_EQ(dialog_->Entries(IDC_MASTER_LIST), Letters(row.mastersAfter));
        EXPECT_EQ(dialog_->Selected(IDC_MASTER_LIST),
                  IndicesOf(Letters(row.mastersAfter), Letters(row.mastersSelected)));
        const bool none = !*row.pluginsSelected && !*row.mastersSelected;
        EXPECT_EQ(StatusSince(before), none ? Names{"No items selected"} : Names{})
            << "a move reports nothing";
    }
    EXPECT_TRUE(boxes_.Boxes().empty());
}

// What each command promises, stated as exchanges of neighbours rather than as the moves made.
void ExpectedMove(int command, Names &list, const Names &selected) {
    auto isSelected = [&](const std::string &name) {
        return std::find(selected.begin(), selected.end(), name) != selected.end();
    };
    switch (command) {
    case IDC_MOVE_TOP: std::stable_partition(list.begin(), list.end(), isSelected); break;
    case IDC_MOVE_BOTTOM:
        std::stable_partition(list.begin(), list.end(),
                              [&](const std::string &name) { return !isSelected(name); });
        break;
    case IDC_MOVE_UP: // a selected entry passes the unselected one above it
        for (size_t j = 1; j < list.size(); ++j)
            if (isSelected(list[j]) && !isSelected(list[j - 1]))
                std::swap(list[j - 1], list[j]);
        break;
    case IDC_MOVE_DOWN:
        for (size_t j = list.size() - 1; j-- > 0;)
            if (isSelected(list[j]) && !isSelected(list[j + 1]))
                std::swap(list[j], list[j + 1]);
        break;
    }
}

TEST_F(EditingTest, randomMovesKeepEveryEntryAndTheOrderWithinEachGroup) {
    std::mt19937 random(4242);
    const int commands[] = {IDC_MOVE_TOP, IDC_MOVE_UP, IDC_MOVE_DOWN, IDC_MOVE_BOTTOM};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        const int listId = round % 2 ? IDC_MASTER_LIST : IDC_PLUGIN_LIST;
        Names list, selected;
        const int size = std::uniform_int_distribution<int>(1, 12)(random);
        for (int i = 0; i < size; ++i) {
            list.push_back("Entry" + std::to_string(i) + ".esp");
            if (random() % 3 == 0 || (i == size - 1 && selected.empty()))
                selected.push_back(list.back());
        }
        Fill(IDC_PLUGIN_LIST, {});
        Fill(IDC_MASTER_LIST, {});
        Fill(listId, list);
        dialog_->Select(listId, IndicesOf(list, selected));
        for (int press = 0; press < 3; ++press) {
            const int command = commands[random() % 4];
            dialog_->Click(command);
            ExpectedMove(command, list, selected);
            ASSERT_EQ(dialog_->Entries(listId), list) << "after " << command;
            ASSERT_EQ(dialog_->Selected(listId), IndicesOf(list, selected)) << "after " << command;
        }
    }
}

std::string UtcText(const SYSTEMTIME &time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

std::string UtcText(const FILETIME &time) {
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&time, &utc);
    return UtcText(utc);
}

TEST(StampClock, countsUpFromTheBaseTimeWithItsOwnCarries) {
    const struct {
        int stamp;
        const char *time;
    } rows[] = {{1, "2002-05-03 00:00:01"},    {2, "2002-05-03 00:00:02"},
                {58, "2002-05-03 00:00:58"},   {59, "2002-05-03 00:01:00"},
                {117, "2002-05-03 00:01:58"},  {118, "2002-05-03 00:02:00"},
                {3481, "2002-05-03 01:00:00"}, {80063, "2002-05-04 00:00:00"}};
    SYSTEMTIME clock = StartStampClock();
    const WORD dayOfWeek = clock.wDayOfWeek, milliseconds = clock.wMilliseconds;
    EXPECT_EQ(UtcText(clock).substr(0, 19), "2002-05-03 00:00:00");
    int stamps = 0;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.stamp);
        while (stamps < row.stamp) {
            AdvanceStampClock(clock);
            ++stamps;
        }
        EXPECT_EQ(UtcText(clock).substr(0, 19), row.time);
        EXPECT_EQ(clock.wDayOfWeek, dayOfWeek);
        EXPECT_EQ(clock.wMilliseconds, milliseconds);
    }
}

TEST(StampClock, everyStampIsAValidDateLaterThanTheOneBefore) {
    // The last stamp of a clock year: the next one carries day, month and year together.
    SYSTEMTIME late = Utc(2002, 11, 27, 22, 58, 58);
    AdvanceStampClock(late);
    EXPECT_EQ(UtcText(late), "2003-01-01 00:00:00.000");

    for (SYSTEMTIME clock : {StartStampClock(), Utc(2002, 11, 20, 0, 0, 0, 999)}) {
        SCOPED_TRACE(UtcText(clock));
        FILETIME before = ToFileTime(clock), after{};
        for (int step = 0; step < 300000; ++step) {
            AdvanceStampClock(clock);
            ASSERT_TRUE(SystemTimeToFileTime(&clock, &after)) << UtcText(clock);
            ASSERT_GT(CompareFileTime(&after, &before), 0) << UtcText(clock);
            before = after;
        }
    }
}

// ModList.txt lives beside the test executable, shared by every test run: put back what was there.
class SavedFile {
  public:
    explicit SavedFile(std::string path) : path_(std::move(path)), bytes_(ReadBytes(path_)) {}
    ~SavedFile() {
        if (bytes_ == "<missing>")
            DeleteFileA(path_.c_str());
        else
            WriteBytes(path_, bytes_);
    }
    SavedFile(const SavedFile &) = delete;
    SavedFile &operator=(const SavedFile &) = delete;

  private:
    std::string path_, bytes_;
};

// One test for both cases: tests run in parallel processes, and each would write the same file.
TEST_F(EditingTest, exportWritesTheScannedOrderAndLeavesTheFileAloneWhenNothingIsFound) {
    const std::string exported = GetExecutableFolder() + "\\ModList.txt";
    SavedFile saved(exported);
    const Names order{"Zeta.esp",  "Base.esm",  "Alpha.esp", "Mid.esm",   "Nine.esp", "Ten.esp",
                      "Eight.esp", "Seven.esp", "Six.esp",   "Later.esm", "Omega.esp"};
    MakeFilesInOrder(folder_, order);
    const std::string expected = "Plugin0 = Zeta.esp\r\nPlugin1 = Base.esm\r\n"
                                 "Plugin2 = Alpha.esp\r\nPlugin3 = Mid.esm\r\n"
                                 "Plugin4 = Nine.esp\r\nPlugin5 = Ten.esp\r\n"
                                 "Plugin6 = Eight.esp\r\nPlugin7 = Seven.esp\r\n"
                                 "Plugin8 = Six.esp\r\nPlugin9 = Later.esm\r\n"
                                 "Plugin10 = Omega.esp";
    ASSERT_TRUE(CreateDirectoryA(Path("empty").c_str(), nullptr));
    // Moves not yet written by "Reorder" are not the games' order and are not exported.
    Fill(IDC_PLUGIN_LIST, Names(order.rbegin(), order.rend()));

    const struct {
        std::string folder;
        Names status;
        bool warning;
    } rows[] = {{folder_, {"Loading Mod Files...", "Opening File...", "Done"}, false},
                {Path("empty"), {"Loading Mod Files...", "Error loading mod files"}, true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.folder);
        boxes_.Clear();
        const size_t before = dialog_->Entries(IDC_STATUS).size();
        dialog_->SetPath(row.folder);
        dialog_->Click(IDC_EXPORT);
        EXPECT_EQ(StatusSince(before), row.status);
        EXPECT_EQ(boxes_.Boxes().size(), row.warning ? 1u : 0u);
        EXPECT_EQ(ReadBytes(exported), expected);
    }
}

} // namespace
