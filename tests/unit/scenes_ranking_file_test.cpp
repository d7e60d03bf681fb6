#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "scenes/RankingFile.h"

namespace {

using Table = std::array<int, kRankingSlots>;

class RankingFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/torvinel-rankfile-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        file = folder + "/ranking.dat";
        rankingBeforeRename = nullptr;
    }
    void TearDown() override {
        rankingBeforeRename = nullptr;
        chmod(folder.c_str(), 0755);
        for (const std::string& name : Entries()) {
            const std::string path = folder + "/" + name;
            chmod(path.c_str(), 0644);
            std::remove(path.c_str());
        }
        rmdir(folder.c_str());
    }

    void Write(const std::string& text) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string Read() const {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* dir = opendir(folder.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") names.push_back(name);
            }
            closedir(dir);
        }
        return names;
    }
    static Table Current() {
        Table table;
        for (int i = 0; i < kRankingSlots; ++i) table[i] = RankingTable[i];
        return table;
    }
    static void Fill(const Table& table) {
        for (int i = 0; i < kRankingSlots; ++i) RankingTable[i] = table[i];
    }
    // Load, insert, save: what every finished game does.
    void Rank(int score) {
        LoadRankingFrom(file.c_str());
        InsertScore(score);
        EXPECT_TRUE(SaveRankingTo(file.c_str()));
    }

    std::string folder;
    std::string file;
};

bool AbandonSave(const char*) { return false; }
[[noreturn]] bool CrashBeforeRename(const char*) { _exit(7); }

}  // namespace

TEST_F(RankingFileTest, InsertionExamplesRewriteTheFileExactly) {
    Write("30 20 10 0 0 0 0 0 ");
    Rank(20);  // a tie goes below the older score
    EXPECT_EQ(Current(), (Table{30, 20, 20, 10, 0, 0, 0, 0}));
    EXPECT_EQ(Read(), "30 20 20 10 0 0 0 0 ");

    Write("8 7 6 5 4 3 2 1 ");
    Rank(1);  // equal to the eighth: does not enter
    EXPECT_EQ(Read(), "8 7 6 5 4 3 2 1 ");
    Rank(9);
    EXPECT_EQ(Read(), "9 8 7 6 5 4 3 2 ");

    Write("0 0 0 0 0 0 0 0 ");
    Rank(0);
    EXPECT_EQ(Read(), "0 0 0 0 0 0 0 0 ");
    EXPECT_EQ(Read().size(), 16u);

    Write("7 -3 ");  // negative scores keep their sign; the rest repeat -3
    Rank(-3);
    EXPECT_EQ(Read(), "7 -3 -3 -3 -3 -3 -3 -3 ");
}

TEST_F(RankingFileTest, ReadingRules) {
    Write("5 4\n3");
    LoadRankingFrom(file.c_str());
    EXPECT_EQ(Current(), (Table{5, 4, 3, 3, 3, 3, 3, 3}));

    Write("");
    Fill({9, 9, 9, 9, 9, 9, 9, 9});
    LoadRankingFrom(file.c_str());
    EXPECT_EQ(Current(), (Table{0, 0, 0, 0, 0, 0, 0, 0}));

    Write("\t 10\r\n+9 8 7 6 5 4 3 2 1 0 ");
    LoadRankingFrom(file.c_str());
    EXPECT_EQ(Current(), (Table{10, 9, 8, 7, 6, 5, 4, 3}));
    EXPECT_TRUE(SaveRankingTo(file.c_str()));
    EXPECT_EQ(Read(), "10 9 8 7 6 5 4 3 ");

    // Text that is not a number stops the reading; later items are not looked at.
    Write("12 x 11 10");
    testing::internal::CaptureStderr();
    LoadRankingFrom(file.c_str());
    const std::string complaint = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Current(), (Table{12, 12, 12, 12, 12, 12, 12, 12}));
    EXPECT_NE(complaint.find("not a number"), std::string::npos);

    // A missing file is the first run: eight zeros, and nothing to complain about.
    std::remove(file.c_str());
    Fill({9, 9, 9, 9, 9, 9, 9, 9});
    testing::internal::CaptureStderr();
    LoadRankingFrom(file.c_str());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Current(), (Table{0, 0, 0, 0, 0, 0, 0, 0}));
    InsertScore(4);
    EXPECT_TRUE(SaveRankingTo(file.c_str()));  // the save creates it
    EXPECT_EQ(Read(), "4 0 0 0 0 0 0 0 ");
}

TEST_F(RankingFileTest, NumbersBeyondIntAreFailedItems) {
    Write("30 99999999999 10 ");
    testing::internal::CaptureStderr();
    LoadRankingFrom(file.c_str());
    const std::string complaint = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Current(), (Table{30, 30, 30, 30, 30, 30, 30, 30}));
    EXPECT_NE(complaint.find("item 2"), std::string::npos);
    EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1);

    Write("2147483648");
    testing::internal::CaptureStderr();
    LoadRankingFrom(file.c_str());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Current(), (Table{0, 0, 0, 0, 0, 0, 0, 0}));

    // The extremes of int itself are ordinary numbers.
    Write("2147483647 -2147483648 ");
    LoadRankingFrom(file.c_str());
    EXPECT_EQ(RankingTable[0], INT_MAX);
    EXPECT_EQ(RankingTable[1], INT_MIN);
    EXPECT_EQ(RankingTable[7], INT_MIN);
    EXPECT_TRUE(SaveRankingTo(file.c_str()));
    EXPECT_EQ(Read(),
              "2147483647 -2147483648 -2147483648 -2147483648 -2147483648 -2147483648 "
              "-2147483648 -2147483648 ");
}

TEST_F(RankingFileTest, FailedSaveKeepsTheOldFileAndSaysSoOnce) {
    Write("8 7 6 5 4 3 2 1 ");
    LoadRankingFrom(file.c_str());
    InsertScore(100);

    // A write that goes wrong before the swap: the old file stays, no stray file is left.
    rankingBeforeRename = AbandonSave;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveRankingTo(file.c_str()));
    std::string complaint = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1);
    EXPECT_NE(complaint.find(file), std::string::npos);
    EXPECT_EQ(Read(), "8 7 6 5 4 3 2 1 ");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"ranking.dat"}));
    EXPECT_EQ(Current(), (Table{100, 8, 7, 6, 5, 4, 3, 2}));  // play goes on with it in memory
    rankingBeforeRename = nullptr;

    // A folder that cannot be written to at all.
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(SaveRankingTo(file.c_str()));
        complaint = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1);
        EXPECT_EQ(Read(), "8 7 6 5 4 3 2 1 ");
        chmod(folder.c_str(), 0755);
    }
    // Even for root: a "folder" that is really a file takes nothing.
    const std::string blocked = folder + "/notafolder";
    std::ofstream(blocked) << "x";
    const std::string inside = blocked + "/ranking.dat";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveRankingTo(inside.c_str()));
    complaint = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(complaint.begin(), complaint.end(), '\n'), 1);
    EXPECT_NE(complaint.find(inside), std::string::npos);
    EXPECT_EQ(Current(), (Table{100, 8, 7, 6, 5, 4, 3, 2}));
}

TEST_F(RankingFileTest, SaveInterruptedBeforeTheRenameLeavesTheOldFile) {
    Write("8 7 6 5 4 3 2 1 ");
    Fill({50, 40, 30, 20, 10, 5, 4, 3});
    rankingBeforeRename = CrashBeforeRename;
    EXPECT_EXIT(SaveRankingTo(file.c_str()), testing::ExitedWithCode(7), "");
    rankingBeforeRename = nullptr;
    EXPECT_EQ(Read(), "8 7 6 5 4 3 2 1 ");
    // The half-done file sits beside it, complete, under another name.
    std::vector<std::string> names = Entries();
    ASSERT_EQ(names.size(), 2u);
    for (const std::string& name : names) {
        if (name == "ranking.dat") continue;
        EXPECT_EQ(name.rfind("ranking.dat.", 0), 0u);
        std::ifstream in(folder + "/" + name);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text, "50 40 30 20 10 5 4 3 ");
    }
    // A later save goes through as normal.
    EXPECT_TRUE(SaveRankingTo(file.c_str()));
    EXPECT_EQ(Read(), "50 40 30 20 10 5 4 3 ");
}
