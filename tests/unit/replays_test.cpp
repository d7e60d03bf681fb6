#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "app/Watch.h"
#include "scenes/RankingJournal.h"
#include "scenes/RankingScene.h"
#include "scenes/RankingSave.h"
#include "scenes/Replays.h"

using namespace testsupport;

namespace {

const int kTable[kRankingSlots] = {40, 30, 30, 10, 5, 0, 0, -1};
const std::string kA = "0123456789abcdef", kB = "fedcba9876543210";

std::string Places(const RunNames& runs) {
    std::string text;
    for (const std::string& run : runs) text += (run.empty() ? "-" : run.substr(0, 1)) + " ";
    return text;
}

}  // namespace

TEST(Replays, TheIndexGivesARunOnlyWhereItsLineAgreesWithTheRanking) {
    RunNames runs;
    runs[0] = kA, runs[2] = kB, runs[7] = kA;
    EXPECT_EQ(Places(ReadIndex(IndexText(kTable, runs), kTable)), "0 - f - - - - 0 ");
    const std::string head = std::string(kReplaysMagic) + "\n";
    const struct { const char* what; std::string text; const char* places; } cases[] = {
        {"a whole line", head + "2 30 " + kA + "\n", "- 0 - - - - - - "},
        {"no line break at the end", head + "2 30 " + kA, "- 0 - - - - - - "},
        {"another score: a save killed before the ranking", head + "2 31 " + kA + "\n", "- - - - - - - - "},
        {"a negative score", head + "8 -1 " + kB + "\n", "- - - - - - - f "},
        {"no header", "2 30 " + kA + "\n", "- - - - - - - - "},
        {"a newer format", "torvinel-replays 2\n2 30 " + kA + "\n", "- - - - - - - - "},
        {"a place out of range", head + "0 30 " + kA + "\n9 30 " + kA + "\n", "- - - - - - - - "},
        {"a place twice", head + "2 30 " + kA + "\n2 30 " + kB + "\n3 30 " + kB + "\n", "- - f - - - - - "},
        {"a name too short", head + "2 30 0123456789abcde\n", "- - - - - - - - "},
        {"a name with capitals", head + "2 30 0123456789ABCDEF\n", "- - - - - - - - "},
        {"a path for a name", head + "2 30 ../../../../etc/pass\n", "- - - - - - - - "},
        {"a word too many", head + "2 30 " + kA + " x\n", "- - - - - - - - "},
        {"a huge score", head + "2 3000000000000 " + kA + "\n", "- - - - - - - - "},
        {"no run", head + "2 30 -\n", "- - - - - - - - "},
    };
    for (const auto& c : cases) EXPECT_EQ(Places(ReadIndex(c.text, kTable)), c.places) << c.what;
}

TEST(Replays, EveryScoreKeepsItsOwnRunWhereverItIsRanked) {
    // Into 40 30 30 10 5 0 0 -1 with runs a b c d e f g h, as the ranking inserts scores.
    const struct { int score; const char* table; const char* places; } cases[] = {
        {50, "50 40 30 30 10 5 0 0 ", "N a b c d e f g "},
        {30, "40 30 30 30 10 5 0 0 ", "a b c N d e f g "},
        {0, "40 30 30 10 5 0 0 0 ", "a b c d e f g N "},
        {-1, "40 30 30 10 5 0 0 -1 ", "a b c d e f g h "},
        {-5, "40 30 30 10 5 0 0 -1 ", "a b c d e f g h "},
    };
    for (const auto& c : cases) {
        int table[kRankingSlots];
        std::copy(kTable, kTable + kRankingSlots, table);
        RunNames runs;
        for (int i = 0; i < kRankingSlots; ++i) runs[i] = std::string(1, static_cast<char>('a' + i));
        InsertWithRun(table, runs, c.score, "N");
        std::string text, places;
        for (int i = 0; i < kRankingSlots; ++i) text += std::to_string(table[i]) + " ", places += runs[i] + " ";
        EXPECT_EQ(text, c.table) << c.score;
        EXPECT_EQ(places, c.places) << c.score;
    }
}

TEST(Replays, ARankedGamesRunIsSavedWithItsScoreAndOrphansGo) {
    TempFolder folder;
    const std::string ranking = folder / "ranking.dat";
    WriteFile(ranking, "40 30 30 10 5 0 0 -1 ");
    fs::create_directory(folder / "replays");
    // What a kill left: a run no index names, and a file of the player's that is no run.
    WriteFile(RunPath(ranking, kA), "orphan");
    WriteFile(folder / "replays/notes.demo", "mine");
    SetRankingPath(ranking);
    LoadRanking();
    HoldScoresForRuns(true);
    RankScore(35);
    RankScore(-7);  // two games end before a tick hands their run over: both share it
    GiveRunToHeldScores("the first run");
    EXPECT_TRUE(WaitForRankingSaves(60000));
    RankScore(20);
    HoldScoresForRuns(false);  // leaving: the held score goes without a run
    EXPECT_TRUE(WaitForRankingSaves(60000));
    const std::string first = RunName("the first run");
    const RunNames runs = LoadRuns(ranking, RankingTable);
    EXPECT_EQ(ReadFile(ranking), "40 35 30 30 20 10 5 0 ");
    EXPECT_EQ(runs[1], first);
    EXPECT_EQ(Places(runs), std::string("- ") + first[0] + " - - - - - - ");
    EXPECT_EQ(ReadFile(RunPath(ranking, first)), "the first run");
    EXPECT_EQ(ReadFile(folder / "replays/last.demo"), "the first run");
    EXPECT_FALSE(fs::exists(RunPath(ranking, kA)));
    EXPECT_TRUE(fs::exists(folder / "replays/notes.demo"));
    std::string path, why;
    int score = 0;
    EXPECT_TRUE(FindRankedRun(ranking, 2, path, score, why));
    EXPECT_EQ(path, RunPath(ranking, first));
    EXPECT_EQ(score, 35);
    EXPECT_FALSE(FindRankedRun(ranking, 3, path, score, why));
    EXPECT_EQ(why, "place 3 (score 30) has no run kept");
    SetRankingPath("");
}

// A game left before its save waits in a journal with its run, which the next start merges and
// indexes like any other; a journal's runs are read as carefully as the scores before them.
TEST(Replays, AScoreLeftWaitingKeepsItsRunInItsJournal) {
    TempFolder folder;
    const std::string ranking = WriteFile(folder / "ranking.dat", "40 30 30 10 5 0 0 -1 ");
    fs::create_directory(ranking + ".lock");  // no lock to be had: the save fails
    SetRankingPath(ranking);
    ApplySavedRanking(), LoadRanking();
    HoldScoresForRuns(true);
    EXPECT_NE(Stderr([] { RankScore(35), GiveRunToHeldScores("run\nof 35"), WaitForRankingSaves(60000); }), "");
    EXPECT_NE(Stderr([] { FinishRankingSaves(60000); }).find("waits in"), std::string::npos);
    fs::remove(ranking + ".lock");
    EXPECT_NE(Stderr([] { MergeWaitingScores(), WaitForRankingSaves(60000); }).find("merged 1"), std::string::npos);
    const std::string name = RunName("run\nof 35");
    EXPECT_EQ(ReadFile(ranking), "40 35 30 30 10 5 0 0 ");
    EXPECT_EQ(LoadRuns(ranking, RankingTable)[1], name);
    EXPECT_EQ(ReadFile(RunPath(ranking, name)), "run\nof 35");
    EXPECT_EQ(ReadFile(folder / "replays/last.demo"), "run\nof 35");
    SetRankingPath("");

    const struct { std::string text; const char* read; const char* problem; } cases[] = {
        {JournalText({7, 3, 9}, {"", "ab\ncd", "e"}), "7 3:ab\ncd 9:e ", ""},
        {"7 3 ", "7 3 ", ""},  // as older versions wrote it
        {"7 x\nrun 1 1\na", "7 ", "item 2 is not a number"},
        {"7 3\nrun 2 2\nabrun 1 1\nc", "7 3:ab ", "run 2 is damaged"},
        {"7 3\nrun 2 3\nab", "7 3 ", "run 1 is damaged"},
        {"7 3\nrun 3 1\na", "7 3 ", "run 1 is damaged"},
        {"7 3\nrun 1 0\n", "7 3 ", "run 1 is damaged"},
        {"7 3\nrun 1 -1\na", "7 3 ", "run 1 is damaged"},
        {"7 3\nrun 1 1", "7 3 ", "run 1 is damaged"},
        {"7 3\nrun 1 99999999999999999999\na", "7 3 ", "run 1 is damaged"},
        {"7 3\nrux 1 1\na", "7 3 ", "run 1 is damaged"},
    };
    for (const auto& c : cases) {
        const std::string journal = WriteFile(folder / "journal", c.text);
        std::vector<int> scores = {1};
        std::vector<std::string> runs = {"x"};
        EXPECT_EQ(ReadJournal(journal, scores, runs), c.problem) << c.text;
        std::string read;
        for (std::size_t i = 1; i < scores.size(); ++i)
            read += std::to_string(scores[i]) + (runs[i].empty() ? "" : ":" + runs[i]) + " ";
        EXPECT_EQ(read, c.read) << c.text;
        EXPECT_EQ(runs.size(), scores.size());
    }
}

// Watching: the player's keys steer the playback, each on its press alone; an Escape held when
// watching began must be let go before it returns to the board.
TEST(Replays, WatchingKeysPauseChangeTheSpeedAndReturn) {
    // Each frame's keys, the ticks it plays and the pace shown after it (ticks per two frames).
    const struct { const char* keys; int ticks, pace; } frames[] = {
        {"escape", 1, 2}, {"", 1, 2}, {"right", 2, 4}, {"right", 2, 4}, {"", 2, 4}, {"right", 4, 8}, {"", 4, 8},
        {"right", 4, 8}, {"left", 2, 4}, {"", 2, 4}, {"left", 1, 2}, {"", 1, 2}, {"left", 0, 1}, {"", 1, 1},
        {"", 0, 1}, {"left", 1, 1}, {"return", 0, 0}, {"right", 0, 0}, {"", 0, 0}, {"return", 1, 2}, {"", 1, 2},
        {"escape", -1, 2}};
    WatchControl control;
    control.before.keys[27] = 1;  // down already when watching began
    std::string got, want;
    for (const auto& frame : frames) {
        KeySet live{};
        const std::string keys = frame.keys;
        live.keys[27] = keys == "escape", live.keys['\r'] = keys == "return";
        live.arrows[ArrowRight] = keys == "right", live.arrows[ArrowLeft] = keys == "left";
        const int ticks = WatchFrame(control, live);
        got += std::to_string(ticks) + "/" + std::to_string(WatchPace(control)) + " ";
        want += std::to_string(frame.ticks) + "/" + std::to_string(frame.pace) + " ";
    }
    EXPECT_EQ(got, want);
    const int steps[][3] = {{0, -1, 0}, {0, 1, 1}, {7, 1, 7}, {7, -1, 6}, {3, 0, 3}};
    for (const auto& s : steps) EXPECT_EQ(ChoosePlace(s[0], s[1]), s[2]) << s[0] << " " << s[1];
}
