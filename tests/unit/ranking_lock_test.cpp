// Finished games ranked through RankScore: one step under a lock between copies of the game, a
// damaged file kept before it is replaced, and no temporary file left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "scenes/RankingFile.h"

namespace fs = std::filesystem;

namespace {

int readyPipe[2];

// The game's ranking, for one test, in a folder of its own (the first save makes "res").
struct TempRanking {
    char name[32] = "/tmp/torvinel-rankscore-XXXXXX";
    std::string folder = mkdtemp(name), file = folder + "/res/ranking.dat";
    TempRanking() { SetRankingPath(file); }
    ~TempRanking() { SetRankingPath("res/ranking.dat"), fs::remove_all(folder); }
    // A file's text, then every name beside it.
    static std::string Look(const std::string& path) {
        std::ostringstream all;
        all << std::ifstream(path, std::ios::binary).rdbuf();
        for (const fs::path& name : std::set<fs::path>(fs::directory_iterator(fs::path(path).parent_path()), {}))
            all << "|" << name.filename().string();
        return all.str();
    }
};

}  // namespace

// Two games end together: the second waits for the first's slow save and ranks into its table.
TEST(RankScore, TwoGamesEndingTogetherKeepBothScores) {
    const TempRanking ranking;
    RankScore(1);
    ASSERT_EQ(pipe(readyPipe), 0);
    const pid_t first = fork();
    if (first == 0) {
        rankingBeforeRename = [](const char*) { return write(readyPipe[1], "!", 1) == 1 && usleep(300000) == 0; };
        RankScore(50);
        _exit(0);
    }
    char ready = 0;
    ASSERT_EQ(read(readyPipe[0], &ready, 1), 1);  // the first holds the lock, just before its rename
    RankScore(40);
    waitpid(first, nullptr, 0);
    EXPECT_EQ(ranking.Look(ranking.file), "50 40 1 0 0 0 0 0 |ranking.dat|ranking.dat.lock");
    // A game killed in mid-save leaves its temporary file; the next save takes it up.
    rankingBeforeRename = [](const char*) -> bool { _exit(7); };
    EXPECT_EXIT(RankScore(30), testing::ExitedWithCode(7), "");
    rankingBeforeRename = nullptr;
    RankScore(20);
    EXPECT_EQ(ranking.Look(ranking.file), "50 40 20 1 0 0 0 0 |ranking.dat|ranking.dat.lock");
}

// A file that does not read cleanly is kept beside the ranking, the latest one only, with one line.
TEST(RankScore, DamagedRankingIsKeptBeforeTheSave) {
    const TempRanking ranking;
    const struct { std::string before; const char* said; const char* after; } cases[] = {
        {"2147483648 5 4", "item 1 is a number out of range", "7 0 0 0 0 0 0 0 "},
        {"-2147483649 5 4", "item 1 is a number out of range", "7 0 0 0 0 0 0 0 "},
        {std::string("30 20\0 10 9 ", 12), "item 3 is not a number", "30 20 20 20 20 20 20 20 "},
        {std::string(100000, ' '), "too large: 100000 bytes", "7 0 0 0 0 0 0 0 "},
    };
    RankScore(0);  // makes the folder
    for (const auto& c : cases) {
        std::ofstream(ranking.file, std::ios::binary) << c.before;
        testing::internal::CaptureStderr();
        RankScore(7);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(said.find(c.said) != said.npos && said.find("kept as " + ranking.file + ".damaged\n") != said.npos &&
                    said.find('\n') == said.size() - 1) << said;
        EXPECT_EQ(ranking.Look(ranking.file), c.after + std::string("|ranking.dat|ranking.dat.damaged|ranking.dat.lock"));
        EXPECT_EQ(ranking.Look(ranking.file + ".damaged").find(c.before + "|"), 0u);
    }
}
