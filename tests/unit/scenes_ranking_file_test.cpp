#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scenes/RankingFile.h"

namespace fs = std::filesystem;

namespace {

class RankingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/torvinel-rankfile-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        file = folder + "/ranking.dat";
    }
    void TearDown() override {
        rankingBeforeRename = nullptr;
        fs::permissions(folder, fs::perms::owner_all);
        fs::remove_all(folder);
    }
    std::string Read(const std::string& path) const {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }
    // The file's text and every name in the folder.
    std::string Folder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        std::string all = Read(file);
        for (const std::string& name : names) all += "|" + name;
        return all;
    }
    // Loads "8 7 6 5 4 3 2 1 " and inserts score.
    void Start(int score) {
        std::ofstream(file, std::ios::binary) << "8 7 6 5 4 3 2 1 ";
        LoadRankingFrom(file.c_str());
        InsertScore(score);
    }

    std::string folder, file;
};

// Exactly one line on stderr naming `what` (empty: nothing at all) while f runs.
template <typename F>
void ExpectComplaint(const std::string& what, F f) {
    testing::internal::CaptureStderr();
    f();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), what.empty() ? 0 : 1) << said;
    EXPECT_NE(said.find(what), std::string::npos) << said;
}

std::string Table() {
    std::string text;
    for (int value : RankingTable) text += std::to_string(value) + " ";
    return text;
}

}  // namespace

// Load, insert, save, as every finished game does; the file's bytes are checked exactly.
TEST_F(RankingFileTest, ReadInsertAndWriteBack) {
    const struct { const char* before; int score; const char* after; const char* complaint; } cases[] = {
        {"30 20 10 0 0 0 0 0 ", 20, "30 20 20 10 0 0 0 0 ", ""},  // a tie goes below
        {"8 7 6 5 4 3 2 1 ", 1, "8 7 6 5 4 3 2 1 ", ""},
        {"8 7 6 5 4 3 2 1 ", 9, "9 8 7 6 5 4 3 2 ", ""},
        {"0 0 0 0 0 0 0 0 ", 0, "0 0 0 0 0 0 0 0 ", ""},
        {"5 4\n3", -9, "5 4 3 3 3 3 3 3 ", ""},  // the last value repeats
        {"", 4, "4 0 0 0 0 0 0 0 ", ""},
        {nullptr, 4, "4 0 0 0 0 0 0 0 ", ""},  // first run: no file is no fault
        {"\t 10\r\n+9 8 7 6 5 4 3 2 1 0 ", -1, "10 9 8 7 6 5 4 3 ", ""},
        {"7 -3 ", -3, "7 -3 -3 -3 -3 -3 -3 -3 ", ""},
        {"12 x 11 10", -1, "12 12 12 12 12 12 12 12 ", "item 2 is not a number"},
        // Beyond int is a failed item, not a wrapped value; int's own extremes are fine.
        {"30 99999999999 10 ", -1, "30 30 30 30 30 30 30 30 ", "item 2"},
        {"2147483648", -1, "0 0 0 0 0 0 0 0 ", "item 1"},
        {"2147483647 -2147483648 ", INT_MIN,
         "2147483647 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before ? c.before : "(missing)");
        for (int& slot : RankingTable) slot = 9;  // nothing may survive from before the load
        if (c.before) std::ofstream(file, std::ios::binary) << c.before; else fs::remove(file);
        ExpectComplaint(c.complaint, [&] { LoadRankingFrom(file.c_str()); });
        InsertScore(c.score);
        EXPECT_TRUE(SaveRankingTo(file.c_str()));
        EXPECT_EQ(Folder(), std::string(c.after) + "|ranking.dat");
    }
}

TEST_F(RankingFileTest, FailedSaveKeepsTheOldFileAndSaysSoOnce) {
    Start(100);
    // A write that goes wrong before the swap, a read-only folder (root writes anywhere) and a
    // "folder" that is really a file: old file whole, no stray file, the table kept, play goes on.
    std::ofstream(folder + "/notafolder") << "x";
    const std::string inside = folder + "/notafolder/ranking.dat";
    for (int failure = 0; failure < 3; ++failure) {
        rankingBeforeRename = failure == 0 ? +[](const char*) { return false; } : nullptr;
        if (failure == 1 && geteuid() == 0) continue;
        if (failure == 1) fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const std::string& path = failure == 2 ? inside : file;
        ExpectComplaint(path, [&] { EXPECT_FALSE(SaveRankingTo(path.c_str())); });
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(Folder(), "8 7 6 5 4 3 2 1 |notafolder|ranking.dat");
        EXPECT_EQ(Table(), "100 8 7 6 5 4 3 2 ");
    }
}

TEST_F(RankingFileTest, SaveInterruptedBeforeTheRenameLeavesTheOldFile) {
    Start(50);
    rankingBeforeRename = [](const char*) -> bool { _exit(7); };
    EXPECT_EXIT(SaveRankingTo(file.c_str()), testing::ExitedWithCode(7), "");
    rankingBeforeRename = nullptr;
    // The complete new table sits beside it under a temporary name in the same folder.
    const std::string seen = Folder();
    EXPECT_EQ(seen.rfind("8 7 6 5 4 3 2 1 |ranking.dat|ranking.dat.", 0), 0u) << seen;
    EXPECT_EQ(Read(folder + "/" + seen.substr(seen.rfind('|') + 1)), "50 8 7 6 5 4 3 2 ");
    EXPECT_TRUE(SaveRankingTo(file.c_str()));  // a later save goes through
    EXPECT_EQ(Read(file), "50 8 7 6 5 4 3 2 ");
}

// Something that opens but cannot be read (a folder where the file should be) is told, not taken
// for an empty ranking in silence; the table still starts from zeros and the game goes on.
TEST_F(RankingFileTest, UnreadableRankingIsReported) {
    fs::create_directory(file);
    ExpectComplaint(file, [&] { LoadRankingFrom(file.c_str()); });
    EXPECT_EQ(Table(), "0 0 0 0 0 0 0 0 ");
}
