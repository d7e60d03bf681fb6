#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <numeric>

#include "TestSupport.h"
#include "scenes/RankingFile.h"

using namespace testsupport;

namespace {

// The file's text and every name in the folder.
std::string Folder(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path))
        names.push_back("|" + entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return std::accumulate(names.begin(), names.end(), ReadFile(folder / "ranking.dat"));
}

std::string Table() {
    return std::accumulate(RankingTable, RankingTable + kRankingSlots, std::string(),
                           [](std::string text, int value) { return text + std::to_string(value) + " "; });
}

// Exactly one line on stderr naming `what` (empty: nothing at all) while f runs.
template <typename F>
void ExpectComplaint(const std::string& what, F f) {
    const std::string said = Stderr(f);
    EXPECT_EQ(Lines(said), what.empty() ? 0 : 1) << said;
    EXPECT_NE(said.find(what), std::string::npos) << said;
}

}  // namespace

// Load, insert, save, as every finished game does; the file's bytes are checked exactly.
TEST(RankingFile, ReadInsertAndWriteBack) {
    TempFolder folder;
    const std::string file = folder / "ranking.dat";
    const struct { const char* before; int score; const char* after; const char* complaint; } cases[] = {
        {"30 20 10 0 0 0 0 0 ", 20, "30 20 20 10 0 0 0 0 ", ""},
        {"8 7 6 5 4 3 2 1 ", 1, "8 7 6 5 4 3 2 1 ", ""},  // a tie with the last place stays out
        {"8 7 6 5 4 3 2 1 ", 9, "9 8 7 6 5 4 3 2 ", ""},
        {"5 4\n3", -9, "5 4 3 3 3 3 3 3 ", ""},  // the last value repeats
        {nullptr, 4, "4 0 0 0 0 0 0 0 ", ""},   // first run: no file is no fault
        {"\t 10\r\n+9 8 7 6 5 4 3 2 1 0 ", -1, "10 9 8 7 6 5 4 3 ", ""},
        {"12 x 11 10", -1, "12 12 12 12 12 12 12 12 ", "item 2 is not a number"},
        // Beyond int is a failed item, not a wrapped value; int's own extremes are fine.
        {"30 99999999999 10 ", -1, "30 30 30 30 30 30 30 30 ", "item 2"},
        {"2147483647 -2147483648 ", INT_MIN,
         "2147483647 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before ? c.before : "(missing)");
        for (int& slot : RankingTable) slot = 9;  // nothing may survive from before the load
        if (c.before) WriteFile(file, c.before); else fs::remove(file);
        ExpectComplaint(c.complaint, [&] { LoadRankingFrom(file.c_str()); });
        InsertScore(c.score);
        EXPECT_TRUE(SaveRankingTo(file.c_str()));
        EXPECT_EQ(Folder(folder), std::string(c.after) + "|ranking.dat");
    }
    // Something that opens but cannot be read (a folder in the file's place) is told, not taken
    // for an empty ranking in silence.
    fs::remove(file);
    fs::create_directory(file);
    ExpectComplaint(file, [&] { LoadRankingFrom(file.c_str()); });
    EXPECT_EQ(Table(), "0 0 0 0 0 0 0 0 ");
}

TEST(RankingFile, FailedOrInterruptedSaveKeepsTheOldFile) {
    TempFolder folder;
    const std::string file = WriteFile(folder / "ranking.dat", "8 7 6 5 4 3 2 1 ");
    LoadRankingFrom(file.c_str());
    InsertScore(100);
    // A write that goes wrong before the swap, a read-only folder (root writes anywhere) and a
    // "folder" that is really a file: old file whole, no stray file, the table kept, one line said.
    const std::string inside = WriteFile(folder / "notafolder", "x") + "/ranking.dat";
    for (int failure = 0; failure < 3; ++failure) {
        rankingBeforeRename = failure == 0 ? +[](const char*) { return false; } : nullptr;
        if (failure == 1 && geteuid() == 0) continue;
        if (failure == 1) fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
        const std::string& path = failure == 2 ? inside : file;
        ExpectComplaint(path, [&] { EXPECT_FALSE(SaveRankingTo(path.c_str())); });
        fs::permissions(folder.path, fs::perms::owner_all);
        EXPECT_EQ(Folder(folder), "8 7 6 5 4 3 2 1 |notafolder|ranking.dat");
        EXPECT_EQ(Table(), "100 8 7 6 5 4 3 2 ");
    }
    // Killed just before the rename: the old file stands, the complete new table beside it.
    rankingBeforeRename = [](const char*) -> bool { _exit(7); };
    EXPECT_EXIT(SaveRankingTo(file.c_str()), testing::ExitedWithCode(7), "");
    rankingBeforeRename = nullptr;
    const std::string seen = Folder(folder);
    EXPECT_EQ(seen.rfind("8 7 6 5 4 3 2 1 |notafolder|ranking.dat|ranking.dat.", 0), 0u) << seen;
    EXPECT_EQ(ReadFile(folder / seen.substr(seen.rfind('|') + 1)), "100 8 7 6 5 4 3 2 ");
    EXPECT_TRUE(SaveRankingTo(file.c_str()));  // a later save goes through and leaves nothing beside
    EXPECT_EQ(Folder(folder), "100 8 7 6 5 4 3 2 |notafolder|ranking.dat");
}

// Two games end together: the second waits for the first's slow save and ranks into its table.
TEST(RankScore, TwoGamesEndingTogetherKeepBothScores) {
    TempFolder folder;
    SetRankingPath(folder / "ranking.dat");
    RankScore(1);
    static int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t first = fork();
    if (first == 0) {
        rankingBeforeRename = [](const char*) { return write(ready[1], "!", 1) == 1 && usleep(300000) == 0; };
        RankScore(50);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);  // the first holds the lock, just before its rename
    RankScore(40);
    waitpid(first, nullptr, 0);
    SetRankingPath("res/ranking.dat");
    EXPECT_EQ(Folder(folder), "50 40 1 0 0 0 0 0 |ranking.dat|ranking.dat.lock");
}

// A file that does not read cleanly is kept beside the ranking, the latest one only, with one line.
TEST(RankScore, DamagedRankingIsKeptBeforeTheSave) {
    TempFolder folder;
    const std::string file = folder / "ranking.dat";
    SetRankingPath(file);
    const struct { std::string before; const char* said; const char* after; } cases[] = {
        {"2147483648 5 4", "item 1 is a number out of range", "7 0 0 0 0 0 0 0 "},
        {"-2147483649 5 4", "item 1 is a number out of range", "7 0 0 0 0 0 0 0 "},
        {std::string("30 20\0 10 9 ", 12), "item 3 is not a number", "30 20 20 20 20 20 20 20 "},
        {std::string(100000, ' '), "too large: 100000 bytes", "7 0 0 0 0 0 0 0 "},
    };
    for (const auto& c : cases) {
        ExpectComplaint(c.said, [&] { RankScore((WriteFile(file, c.before), 7)); });
        EXPECT_EQ(Folder(folder), c.after + std::string("|ranking.dat|ranking.dat.damaged|ranking.dat.lock"));
        EXPECT_EQ(ReadFile(file + ".damaged"), c.before);
    }
    SetRankingPath("res/ranking.dat");
}
