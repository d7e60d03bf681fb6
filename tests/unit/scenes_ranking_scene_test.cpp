#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "scenes/RankingScene.h"

namespace {

// The test runs inside a fresh data folder with an empty "res", as the game's own.
struct DataFolder {
    std::filesystem::path previous = std::filesystem::current_path(), path;
    DataFolder() {
        char name[] = "/tmp/torvinel-ranking-XXXXXX";
        path = mkdtemp(name);
        std::filesystem::create_directory(path / "res");
        std::filesystem::current_path(path);
    }
    ~DataFolder() {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(path);
    }
};

}  // namespace

TEST(RankingScene, BannerTimer) {
    const struct { int before; bool space; int after; bool ends; } rows[] = {
        {3200, true, 3155, false}, {3155, true, 3110, false}, {3200, false, 3199, false},
        {3155, false, 3154, false}, {3154, true, 3109, true},  {1, true, -44, true},
        {1, false, 0, false},       {0, true, -45, true},      {0, false, -46, true},
    };
    for (const auto& row : rows) {
        int timer = row.before;
        EXPECT_EQ(StepBannerTimer(timer, row.space), row.ends) << row.before << " " << row.space;
        EXPECT_EQ(timer, row.after) << row.before << " " << row.space;
    }
    // Without any key the scene ends at its 3201st update; the board shows from the 150th.
    int timer = kBannerStart, updates = 0;
    while (!StepBannerTimer(timer, false)) {
        if (++updates == 150) { EXPECT_EQ(timer, kBannerEnd); }
    }
    EXPECT_EQ(updates + 1, 3201);
}

TEST(RankingScene, BannerAndBoardPositionsAtWidth1280) {
    EXPECT_EQ(BannerX(300, 1280, 3200), 1280);
    EXPECT_EQ(BannerX(300, 1280, 3199), 1269);  // (1580 * 149) / 150 - 300
    EXPECT_EQ(BannerX(300, 1280, 3050), -300);  // gone off the left
    EXPECT_EQ(BoardTitleX(1280), 752);

    DataFolder folder;
    RankingBoard board{0};
    SlideBoard(board);
    EXPECT_EQ(board.slideIn, 298);  // the first frame drawn
    EXPECT_EQ(BoardRowX(298, 1280, 0), 4040);
    EXPECT_EQ(BoardRowX(298, 1280, 3), 4940);
    for (int frame = 1; frame < 150; ++frame) {
        const int before = BoardRowX(board.slideIn, 1280, 0);
        SlideBoard(board);
        const int after = BoardRowX(board.slideIn, 1280, 0);
        if (after > 853) { EXPECT_EQ(before - after, 40); }  // 40 pixels a frame
    }
    SlideBoard(board);
    EXPECT_EQ(board.slideIn, 0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(BoardRowX(0, 1280, i), 853);  // the rank digit 72 left of it, at 781
        EXPECT_EQ(BoardRowY(i), 100 + 100 * i);
    }
}
