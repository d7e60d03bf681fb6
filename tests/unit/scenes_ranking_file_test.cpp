#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <numeric>
#include <thread>

#include "TestSupport.h"
#include "scenes/RankingJournal.h"
#include "scenes/RankingSave.h"

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

// Runs f in a process of its own, as another copy of the game, and expects no failure there.
template <typename F>
void InChild(F f) {
    const pid_t child = fork();
    if (child == 0) f(), _exit(testing::Test::HasFailure() ? 1 : 0);
    int status = -1;
    EXPECT_TRUE(waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);
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
        {"/dev/zero", 4, "4 0 0 0 0 0 0 0 ", "not a regular file but a device"},  // a link to a device
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before ? c.before : "(missing)");
        for (int& slot : RankingTable) slot = 9;  // nothing may survive from before the load
        fs::remove(file);
        if (c.before && c.before[0] == '/') fs::create_symlink(c.before, file); else if (c.before) WriteFile(file, c.before);
        ExpectComplaint(c.complaint, [&] { LoadRankingFrom(file.c_str()); });
        InsertScore(c.score);
        EXPECT_TRUE(SaveRankingTo(file.c_str()));
        EXPECT_EQ(Folder(folder), std::string(c.after) + "|ranking.dat");
        // A file of the game's own mode, whatever stood there or behind a link.
        EXPECT_EQ(fs::symlink_status(file).permissions(), static_cast<fs::perms>(0644));
    }
}

TEST(RankingFile, FailedOrInterruptedSaveKeepsTheOldFile) {
    TempFolder folder;
    const std::string file = WriteFile(folder / "ranking.dat", "8 7 6 5 4 3 2 1 ");
    LoadRankingFrom(file.c_str());
    InsertScore(100);
    // A write that goes wrong before the swap, and a "folder" that is really a file: old file
    // whole, no stray file, the table kept, one line said.
    rankingBeforeRename = [](const char*) { return false; };
    for (const std::string& path : {file, WriteFile(folder / "notafolder", "x") + "/ranking.dat"}) {
        ExpectComplaint(path, [&] { EXPECT_FALSE(SaveRankingTo(path.c_str())); });
        EXPECT_EQ(Folder(folder), "8 7 6 5 4 3 2 1 |notafolder|ranking.dat");
        EXPECT_EQ(Table(), "100 8 7 6 5 4 3 2 ");
    }
    // Killed just before the rename: the old file stands, the complete new table beside it.
    rankingBeforeRename = [](const char*) -> bool { _exit(7); };
    EXPECT_EXIT(SaveRankingTo(file.c_str()), testing::ExitedWithCode(7), "");
    rankingBeforeRename = nullptr;
    const std::string seen = Folder(folder), dead = seen.substr(seen.rfind('|') + 1);
    EXPECT_EQ(seen.rfind("8 7 6 5 4 3 2 1 |notafolder|ranking.dat|ranking.dat.new.", 0), 0u) << seen;
    EXPECT_EQ(ReadFile(folder / dead), "100 8 7 6 5 4 3 2 ");
    // Another save meanwhile (as if that one were only slow) writes through a file of its own.
    EXPECT_TRUE(SaveRankingTo(file.c_str()));
    EXPECT_EQ(Folder(folder), "100 8 7 6 5 4 3 2 |notafolder|ranking.dat|" + dead);
    // Later games' saves clear, under the lock, the temporary files of writers that are gone (the
    // killed one, one whose process id went to another program, an earlier version's names),
    // never a living writer's nor anything else. They merge what copies left waiting, once: a
    // journal that a killed merge noted is in the file already when the file holds its table.
    const std::string living = "ranking.dat.new." + OwnWriterTag() + ".aaaaaa";
    for (const std::string& name : {living, "ranking.dat.new." + std::to_string(getppid()) + "-1.aaaaaa",
                                   std::string("ranking.dat.new"), std::string("ranking.dat.new.Ab12cD"),
                                   std::string("ranking.dat.new.backup1"), std::string("ranking.dat.waiting.1-1.bbbbbb")})
        WriteFile(folder / name, "60 ");
    SetRankingPath(file);
    for (const char* noted : {"100 8 7 6 5 4 3 2 ", "1 1 1 1 1 1 1 1 "}) {
        WriteFile(folder / "ranking.dat.waiting.1-1.aaaaaa", "70 ");
        WriteFile(file + ".merging", noted + std::string("\nranking.dat.waiting.1-1.aaaaaa\n../ranking.dat\n"));
        ExpectComplaint("merged 1 waiting score into the ranking " + file + " from " + file + ".waiting.1-1.",
                        [] { RankScore(9), WaitForRankingSaves(60000); });
    }
    EXPECT_EQ(Folder(folder), "100 70 60 9 9 8 7 6 |notafolder|ranking.dat|ranking.dat.lock|" + living +
                                  "|ranking.dat.new.backup1");
    SetRankingPath("res/ranking.dat");
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
    held.LetOneGo();
    held.Next();  // the second game's save, after the first completed
    // The first save's table, with the score still on its way kept on the board.
    EXPECT_TRUE(ApplySavedRanking());
    EXPECT_EQ(Table(), "50 40 25 5 0 0 0 0 ");
    // Leaving now: the score on its way waits in a journal, and its save, let go, renames nothing.
    ExpectComplaint("the score 5 waits in", [] { EXPECT_FALSE(FinishRankingSaves(0)); });
    held.LetOneGo();
    WaitForRankingSaves(60000);
    EXPECT_EQ(ReadFile(file), "50 40 25 0 0 0 0 0 ");
    held.LetOneGo();  // the next start's save goes straight through
    ExpectComplaint("merged 1 waiting score", [] { MergeWaitingScores(), WaitForRankingSaves(60000); });
    SetRankingPath("res/ranking.dat");
    EXPECT_EQ(Folder(folder), "50 40 25 5 0 0 0 0 |ranking.dat|ranking.dat.lock");
}

// A save that fails keeps its score on the board and in the queue, says so in one line, and is
// tried again at the next game's end or on leaving; a score still unsaved on leaving waits in a
// journal beside the ranking, which the next start merges. Never a save without the lock.
TEST(RankScore, AFailedSaveKeepsItsScoreUntilASaveHoldsIt) {
    enum Retry { NextGame, Leaving, NextStart };
    const struct { bool readOnly; Retry retry; const char* said; } cases[] = {
        {true, NextGame, "create failed: Permission denied"},
        {false, Leaving, "lock failed: Is a directory"},
        {false, NextStart, "lock failed: Is a directory"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string file = WriteFile(folder / "ranking.dat", "5 0 0 0 0 0 0 0 ");
        WriteFile(file + ".lock", "");
        // Root writes anywhere: the read-only folder belongs to a player the game runs as.
        const bool asPlayer = c.readOnly && geteuid() == 0;
        EXPECT_TRUE(!asPlayer || chown(folder.path.c_str(), 65534, 65534) == 0);
        InChild([&] {
            EXPECT_TRUE(!asPlayer || (setgid(65534) == 0 && setuid(65534) == 0));
            const auto broken = [&](bool yes) {
                if (c.readOnly) return fs::permissions(folder.path, fs::perms(yes ? 0555 : 0755));
                fs::remove(file + ".lock"), yes && fs::create_directory(file + ".lock");
            };
            SetRankingPath(file);
            ApplySavedRanking(), LoadRanking();  // nothing left from earlier tests
            broken(true);
            ExpectComplaint(std::string(c.said) + "); the previous file is kept, and the score 3 is not saved yet",
                            [] { RankScore(3), WaitForRankingSaves(60000); });
            ApplySavedRanking();
            EXPECT_EQ(Table(), "5 3 0 0 0 0 0 0 ");
            EXPECT_EQ(ReadFile(file), "5 0 0 0 0 0 0 0 ");
            if (c.retry == NextStart)  // tried once more, saying nothing new, then kept
                ExpectComplaint("the score 3 waits in " + file + ".waiting.", [] { FinishRankingSaves(60000); });
            broken(false);
            if (c.retry == NextGame) RankScore(4), WaitForRankingSaves(60000);
            EXPECT_TRUE(c.retry != Leaving || FinishRankingSaves(60000));
            if (c.retry == NextStart)
                ExpectComplaint("merged 1 waiting score", [] { MergeWaitingScores(), WaitForRankingSaves(60000); });
            EXPECT_EQ(Folder(folder), (c.retry == NextGame ? "5 4 3 0 0 0 0 0 " : "5 3 0 0 0 0 0 0 ") +
                                          std::string("|ranking.dat|ranking.dat.lock"));
        });
    }
}

// Three copies of the game end together on a disk whose every sync takes 2.5 s and leave at
// once: the first's save completes within the wait, the others, still waiting for the lock, keep
// their scores in journals. A fourth copy, still playing, waits its turn and ranks into the table
// the first saved; what the others kept joins the ranking at its next save. No score lost, none
// kept twice, nothing left behind.
TEST(RankScore, CopiesEndingAndLeavingTogetherKeepEveryScore) {
    TempFolder folder;
    SetRankingPath(WriteFile(folder / "ranking.dat", "1 0 0 0 0 0 0 0 "));
    static int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    std::vector<pid_t> copies;
    for (int score : {50, 40, 30}) {
        copies.push_back(fork());
        if (copies.back() == 0) {
            rankingBeforeRename = [](const char*) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2500 * (write(ready[1], "!", 1) == 1)));
                return true;
            };
            RankScore(score);
            _exit(FinishRankingSaves(score == 50 ? 60000 : 100) == (score == 50) ? 0 : 1);
        }
        char byte = 0;
        ASSERT_TRUE(score != 50 || read(ready[0], &byte, 1) == 1);  // the first holds the lock, mid-sync
    }
    RankScore(20);
    EXPECT_TRUE(WaitForRankingSaves(60000));
    int status = -1;
    for (pid_t copy : copies) EXPECT_TRUE(waitpid(copy, &status, 0) == copy && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    RankScore(10);
    EXPECT_TRUE(WaitForRankingSaves(60000));
    SetRankingPath("res/ranking.dat");
    EXPECT_EQ(Folder(folder), "50 40 30 20 10 1 0 0 |ranking.dat|ranking.dat.lock");
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
        ExpectComplaint(c.said, [&] { RankScore((WriteFile(file, c.before), 7)), WaitForRankingSaves(60000); });
        EXPECT_EQ(Folder(folder), c.after + std::string("|ranking.dat|ranking.dat.damaged|ranking.dat.lock"));
        EXPECT_EQ(ReadFile(file + ".damaged"), c.before);
    }
    SetRankingPath("res/ranking.dat");
}
