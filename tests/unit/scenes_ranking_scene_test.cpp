#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/Input.h"
#include "mesh/Field.h"
#include "render/MeshDraw.h"
#include "scenes/Orbit.h"
#include "scenes/RankingFile.h"
#include "scenes/RankingScene.h"
#include "scenes/TitleScene.h"

namespace {

void ClearKeys() {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
}

// Runs a test inside a fresh folder with an empty "res" beneath it, as the game's data folder.
class DataFolder {
public:
    DataFolder() {
        char name[] = "/tmp/torvinel-ranking-XXXXXX";
        path = mkdtemp(name) ? name : "";
        getcwd(previous, sizeof previous);
        mkdir((path + "/res").c_str(), 0755);
        chdir(path.c_str());
    }
    ~DataFolder() {
        chdir(previous);
        std::remove((path + "/res/ranking.dat").c_str());
        rmdir((path + "/res").c_str());
        rmdir(path.c_str());
    }
    std::string path;
    char previous[4096] = {};
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(RankingScene, BannerTimerStateMachine) {
    struct Row {
        int before;
        bool space;
        int after;
        bool ends;
    };
    const Row rows[] = {
        {3200, true, 3155, false}, {3155, true, 3110, false}, {3200, false, 3199, false},
        {3155, false, 3154, false}, {3154, true, 3109, true}, {1, true, -44, true},
        {1, false, 0, false},       {0, true, -45, true},     {0, false, -46, true},
    };
    for (const Row& row : rows) {
        int timer = row.before;
        EXPECT_EQ(StepBannerTimer(timer, row.space), row.ends) << row.before << " " << row.space;
        EXPECT_EQ(timer, row.after) << row.before << " " << row.space;
    }
}

TEST(RankingScene, SpaceSkipsTheBannerOnlyOnce) {
    int timer = kBannerStart;
    EXPECT_FALSE(StepBannerTimer(timer, true));  // first tick: skip 45
    EXPECT_EQ(timer, 3155);
    EXPECT_FALSE(StepBannerTimer(timer, false));
    EXPECT_TRUE(StepBannerTimer(timer, true));  // the next press ends the scene

    // Four quick presses in the first 45 ticks: the second already ends it.
    timer = kBannerStart;
    EXPECT_FALSE(StepBannerTimer(timer, true));
    EXPECT_FALSE(StepBannerTimer(timer, false));
    EXPECT_FALSE(StepBannerTimer(timer, false));
    EXPECT_TRUE(StepBannerTimer(timer, true));

    // Without any key the scene ends at its 3201st update, in the board phase.
    timer = kBannerStart;
    int updates = 0;
    bool ends = false;
    while (!ends) {
        ends = StepBannerTimer(timer, false);
        ++updates;
        if (updates == 150) {
            EXPECT_EQ(timer, kBannerEnd);
        }
    }
    EXPECT_EQ(updates, 3201);
}

TEST(RankingScene, BannerAndBoardPositionsAtWidth1280) {
    const int w = 300;
    EXPECT_EQ(BannerX(w, 1280, 3200), 1280);
    EXPECT_EQ(BannerX(w, 1280, 3199), 1269);  // (1580 * 149) / 150 - 300
    EXPECT_EQ(BannerX(w, 1280, 3050), -w);                          // gone off the left

    EXPECT_EQ(BoardTitleX(1280), 752);
    DataFolder folder;
    RankingBoard board{0};
    board.slideIn = 300;
    SlideBoard(board);
    EXPECT_EQ(board.slideIn, 298);
    EXPECT_EQ(BoardRowX(board.slideIn, 1280, 0), 5960 - 1920);
    EXPECT_EQ(BoardRowX(board.slideIn, 1280, 3), 5960 - 1920 + 900);
    for (int frame = 1; frame < 150; ++frame) {
        const int before = BoardRowX(board.slideIn, 1280, 0);
        SlideBoard(board);
        const int after = BoardRowX(board.slideIn, 1280, 0);
        if (after > 853) {
            EXPECT_EQ(before - after, 40);  // 40 pixels per drawn frame
        }
    }
    EXPECT_EQ(board.slideIn, 0);
    SlideBoard(board);
    EXPECT_EQ(board.slideIn, 0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(BoardRowX(board.slideIn, 1280, i), 853);
        EXPECT_EQ(BoardRowX(board.slideIn, 1280, i) - 72, 781);  // the rank digit
        EXPECT_EQ(BoardRowY(i), 100 + 100 * i);
    }
}

// The real scene, with a ranking file of its own.
TEST(RankingScene, ConstructionRanksAndSavesThenKeysDriveTheEnd) {
    DataFolder folder;
    {
        std::ofstream seed("res/ranking.dat");
        seed << "30 20 10 0 0 0 0 0 ";
    }
    ClearKeys();
    Surface surface;
    ModelField field;
    auto context = std::make_shared<SceneContext>();
    auto scene = std::make_unique<RankingScene>(context, &surface, &field, 20, 33);
    EXPECT_EQ(ReadAll("res/ranking.dat"), "30 20 20 10 0 0 0 0 ");
    EXPECT_EQ(scene->bannerTimer, kBannerStart);
    EXPECT_EQ(scene->board->slideIn, 300);
    scene->Init();

    // Space held since the game ended is not a press.
    InputState& in = Input();
    in.keys[' '] = 1;
    in.prevKeys[' '] = 1;
    for (int i = 0; i < 100; ++i) {
        scene->Update();
        CopyInputHistory();
    }
    EXPECT_FALSE(scene->finished);
    EXPECT_EQ(scene->bannerTimer, kBannerStart - 100);
    double scroll = 0.0;
    for (int i = 0; i < 100; ++i) scroll = NextScroll(scroll, kRestScrollStep);
    EXPECT_EQ(surface.scroll, scroll);

    in.keys[' '] = 0;
    scene->Update();
    CopyInputHistory();
    in.keys[' '] = 1;
    scene->Update();
    EXPECT_TRUE(scene->finished);

    std::unique_ptr<Scene> next(scene->NextScene());
    auto* title = dynamic_cast<TitleScene*>(next.get());
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->angle, scene->angle);
    EXPECT_EQ(title->surface, &surface);
    EXPECT_EQ(title->field, &field);
    ClearKeys();
}
