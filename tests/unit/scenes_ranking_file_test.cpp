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
    void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string Read(const std::string& path = "") const {
        std::ostringstream text;
        text << std::ifstream(path.empty() ? file : path, std::ios::binary).rdbuf();
        return text.str();
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Table() const {
        std::string text;
        for (int value : RankingTable) text += std::to_string(value) + " ";
        return text;
    }

    std::string folder, file;
};

// Exactly one line on stderr naming `what` (empty: nothing at all) while f runs.
template <typename F>
void ExpectComplaint(const std::string& what, F f) {
    testing::internal::CaptureStderr();
    f();
    const std::string said = testing::internal::GetCapturedStderr();
    if (what.empty()) {
        EXPECT_EQ(said, "");
    } else {
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(what), std::string::npos) << said;
    }
}

bool AbandonSave(const char*) { return false; }
[[noreturn]] bool CrashBeforeRename(const char*) { _exit(7); }

}  // namespace

// Load, insert, save, as every finished game does; the file's bytes are checked exactly.
TEST_F(RankingFileTest, ReadInsertAndWriteBack) {
    struct Case {
        const char* before;  // null: no file at all
        int score;
        const char* after;
        const char* complaint;
    };
    const Case cases[] = {
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
         "2147483647 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 "
         "-2147483648 ",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before ? c.before : "(missing)");
        for (int& slot : RankingTable) slot = 9;  // nothing may survive from before the load
        if (c.before) Write(c.before); else fs::remove(file);
        ExpectComplaint(c.complaint, [&] { LoadRankingFrom(file.c_str()); });
        InsertScore(c.score);
        EXPECT_TRUE(SaveRankingTo(file.c_str()));
        EXPECT_EQ(Read(), c.after);
        EXPECT_EQ(Entries(), std::vector<std::string>{"ranking.dat"});
    }
}

TEST_F(RankingFileTest, FailedSaveKeepsTheOldFileAndSaysSoOnce) {
    Write("8 7 6 5 4 3 2 1 ");
    LoadRankingFrom(file.c_str());
    InsertScore(100);
    const std::string kept = "100 8 7 6 5 4 3 2 ";

    // A write that goes wrong before the swap: old file whole, no stray file, play goes on.
    rankingBeforeRename = AbandonSave;
    ExpectComplaint(file, [&] { EXPECT_FALSE(SaveRankingTo(file.c_str())); });
    rankingBeforeRename = nullptr;
    EXPECT_EQ(Read(), "8 7 6 5 4 3 2 1 ");
    EXPECT_EQ(Entries(), std::vector<std::string>{"ranking.dat"});
    EXPECT_EQ(Table(), kept);

    if (geteuid() != 0) {  // root writes anywhere
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        ExpectComplaint(file, [&] { EXPECT_FALSE(SaveRankingTo(file.c_str())); });
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(Read(), "8 7 6 5 4 3 2 1 ");
    }
    // Even for root: a "folder" that is really a file takes nothing.
    std::ofstream(folder + "/notafolder") << "x";
    const std::string inside = folder + "/notafolder/ranking.dat";
    ExpectComplaint(inside, [&] { EXPECT_FALSE(SaveRankingTo(inside.c_str())); });
    EXPECT_EQ(Table(), kept);
}

TEST_F(RankingFileTest, SaveInterruptedBeforeTheRenameLeavesTheOldFile) {
    Write("8 7 6 5 4 3 2 1 ");
    LoadRankingFrom(file.c_str());
    InsertScore(50);
    rankingBeforeRename = CrashBeforeRename;
    EXPECT_EXIT(SaveRankingTo(file.c_str()), testing::ExitedWithCode(7), "");
    rankingBeforeRename = nullptr;
    EXPECT_EQ(Read(), "8 7 6 5 4 3 2 1 ");
    // The complete new table sits beside it under a temporary name in the same folder.
    const std::vector<std::string> names = Entries();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1].rfind("ranking.dat.", 0), 0u);
    EXPECT_EQ(Read(folder + "/" + names[1]), "50 8 7 6 5 4 3 2 ");
    EXPECT_TRUE(SaveRankingTo(file.c_str()));  // a later save goes through
    EXPECT_EQ(Read(), "50 8 7 6 5 4 3 2 ");
}
