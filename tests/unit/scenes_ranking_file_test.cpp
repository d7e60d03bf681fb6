#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <numeric>
#include <thread>

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

// A seam in the save: it stops just before its rename, its temporary file written and synced
// and the lock held, and goes on only when let go.
struct HeldSaves {
    static inline int stopped[2], resume[2];
    HeldSaves() {
        EXPECT_TRUE(pipe(stopped) == 0 && pipe(resume) == 0);
        rankingBeforeRename = [](const char*) {
            char go = 0;
            return write(stopped[1], "!", 1) == 1 && read(resume[0], &go, 1) == 1;
        };
    }
    ~HeldSaves() {
        rankingBeforeRename = nullptr;
        for (int fd : {stopped[0], stopped[1], resume[0], resume[1]}) close(fd);
    }
    char stop = 0;
    void Next() { EXPECT_EQ(read(stopped[0], &stop, 1), 1); }  // waits until a save stops in the seam
    void LetOneGo() { EXPECT_EQ(write(resume[1], "!", 1), 1); }
};

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
    const std::string seen = Folder(folder), temp = seen.substr(seen.rfind('|') + 1);
    EXPECT_EQ(seen.rfind("8 7 6 5 4 3 2 1 |notafolder|ranking.dat|ranking.dat.new.", 0), 0u) << seen;
    EXPECT_EQ(ReadFile(folder / temp), "100 8 7 6 5 4 3 2 ");
    // Another save meanwhile (as if that one were only slow) writes through a file of its own.
    EXPECT_TRUE(SaveRankingTo(file.c_str()));
    EXPECT_EQ(Folder(folder), "100 8 7 6 5 4 3 2 |notafolder|ranking.dat|" + temp);
    // A later game's save clears, under the lock, what killed saves left (an earlier version's
    // fixed name too), and nothing else.
    WriteFile(file + ".new", "");
    WriteFile(file + ".new.mine", "");
    SetRankingPath(file);
    RankScore(9);
    EXPECT_TRUE(FinishRankingSaves(60000));
    SetRankingPath("res/ranking.dat");
    EXPECT_EQ(Folder(folder), "100 9 8 7 6 5 4 3 |notafolder|ranking.dat|ranking.dat.lock|ranking.dat.new.mine");
}

// The save runs beside the game: ranking a score returns at once, the board shows it in the
// table read last, and takes the merged table the save wrote only when the tick asks for it.
TEST(RankScore, ASlowSaveStallsNothingAndTheBoardTakesItsTableBetweenTicks) {
    TempFolder folder;
    const std::string file = WriteFile(folder / "ranking.dat", "30 20 10 0 0 0 0 0 ");
    ApplySavedRanking();  // nothing left from earlier tests
    SetRankingPath(file);
    LoadRanking();
    // Another copy of the game is in the middle of its save.
    const int other = open((file + ".lock").c_str(), O_RDONLY | O_CREAT, 0644);
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    HeldSaves held;
    RankScore(25);
    EXPECT_EQ(Table(), "30 25 20 10 0 0 0 0 ");
    WriteFile(file, "50 40 0 0 0 0 0 0 ");
    close(other);
    held.Next();  // this game's save: merged, written, the lock held
    RankScore(5);  // a second game ends meanwhile
    EXPECT_EQ(Table(), "30 25 20 10 5 0 0 0 ");
    EXPECT_FALSE(ApplySavedRanking());
    // Leaving now waits only so long, and says what it leaves behind.
    ExpectComplaint("the last score may not have been saved", [] { EXPECT_FALSE(FinishRankingSaves(20)); });
    held.LetOneGo();
    held.Next();  // the second game's save, after the first completed
    // The first save's table, with the score still on its way kept on the board.
    EXPECT_TRUE(ApplySavedRanking());
    EXPECT_EQ(Table(), "50 40 25 5 0 0 0 0 ");
    held.LetOneGo();
    EXPECT_TRUE(FinishRankingSaves(60000));
    EXPECT_TRUE(ApplySavedRanking());
    SetRankingPath("res/ranking.dat");
    EXPECT_EQ(Folder(folder), Table() + "|ranking.dat|ranking.dat.lock");
}

// Two copies of the game end together: the second waits for the first's save, whose sync is
// slowed as on a busy disk (past the two seconds an earlier version waited for the lock), and
// ranks into the table it saved.
TEST(RankScore, TwoGamesEndingTogetherKeepBothScores) {
    TempFolder folder;
    SetRankingPath(WriteFile(folder / "ranking.dat", "1 0 0 0 0 0 0 0 "));
    static int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t first = fork();
    if (first == 0) {
        rankingBeforeRename = [](const char*) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2500 * (write(ready[1], "!", 1) == 1)));
            return true;
        };
        RankScore(50);
        _exit(FinishRankingSaves(60000) ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);  // the first holds the lock, just before its rename
    RankScore(40);
    EXPECT_TRUE(FinishRankingSaves(60000));
    int status = -1;
    EXPECT_TRUE(waitpid(first, &status, 0) == first && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    SetRankingPath("res/ranking.dat");
    EXPECT_EQ(Folder(folder), "50 40 1 0 0 0 0 0 |ranking.dat|ranking.dat.lock");
}

// A file that does not read cleanly is kept beside the ranking, the latest one only, with one line.
TEST(RankScore, DamagedRankingIsKeptBeforeTheSave) {
    TempFolder folder;
    const std::string file = folder / "ranking.dat";
    SetRankingPath(file);
    const struct { std::string before; const char* said; const char* after; } cases[] = {
        {"-2147483649 5 4", "item 1 is a number out of range", "7 0 0 0 0 0 0 0 "},
        {std::string("30 20\0 10 9 ", 12), "item 3 is not a number", "30 20 20 20 20 20 20 20 "},
        {std::string(100000, ' '), "too large: 100000 bytes", "7 0 0 0 0 0 0 0 "},
    };
    for (const auto& c : cases) {
        ExpectComplaint(c.said, [&] { RankScore((WriteFile(file, c.before), 7)), FinishRankingSaves(60000); });
        EXPECT_EQ(Folder(folder), c.after + std::string("|ranking.dat|ranking.dat.damaged|ranking.dat.lock"));
        EXPECT_EQ(ReadFile(file + ".damaged"), c.before);
    }
    SetRankingPath("res/ranking.dat");
}
