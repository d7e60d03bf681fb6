// One deterministic trip round the whole game with the real scenes and the real data files:
// title, a game in which a scripted blade cuts gems, the ranking with the new score, and back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "RenderGlHelpers.h"
#include "app/Input.h"
#include "mesh/Field.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Sprite.h"
#include "render/Texture.h"
#include "scene/Scene.h"
#include "scenes/GameScene.h"
#include "scenes/Hud.h"
#include "scenes/RankingFile.h"
#include "scenes/RankingScene.h"
#include "scenes/TitleScene.h"

namespace fs = std::filesystem;

namespace {

int soundsPlayed = 0;
void CountSound(const char*) { ++soundsPlayed; }

void ClearKeys() {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
}

// The same fixed state the game's start-up sets before its first scene.
void FixedGlState() {
    gltest::EnsureContext();
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_FOG);
    const GLfloat fogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogi(GL_FOG_START, 31);
    glFogi(GL_FOG_END, 127);
}

// One tick as the game's timer runs it, then one display.
void Tick() {
    StepScenes();
    CopyInputHistory();
}
void Frame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    if (currentScene != nullptr) currentScene->Draw();
    glFinish();
}

std::vector<unsigned char> ReadRegion(int x, int y, int w, int h) {
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, gltest::kHeight - y - h, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// What each digit of "score_num" looks like on screen at scale 3, and which of its pixels are
// solid (the same over black and over white).
struct DigitLook {
    int w = 0, h = 0;
    std::vector<std::vector<unsigned char>> pixels;
    std::vector<std::vector<bool>> solid;
};

DigitLook LearnDigits() {
    DigitLook look;
    Texture* digits = Registry<Texture>().Get("score_num");
    look.w = digits->width * 3;
    look.h = digits->height / digits->rows * 3;
    for (int d = 0; d < 10; ++d) {
        std::vector<unsigned char> shots[2];
        for (int pass = 0; pass < 2; ++pass) {
            const unsigned char c = pass == 0 ? 0 : 255;
            rendertest::ClearFrame(c, c, c);
            DrawSpriteCell(digits, 0, DigitCell(d), 100, 300, 3.0f, 3.0f);
            shots[pass] = ReadRegion(100, 300, look.w, look.h);
        }
        std::vector<bool> solid(static_cast<size_t>(look.w) * look.h);
        for (size_t p = 0; p < solid.size(); ++p) {
            solid[p] = std::equal(&shots[0][p * 3], &shots[0][p * 3 + 3], &shots[1][p * 3]);
        }
        look.pixels.push_back(shots[0]);
        look.solid.push_back(solid);
    }
    return look;
}

// The digit whose solid pixels all appear at (x, y) on the current frame, or -1.
int DigitAt(const DigitLook& look, int x, int y) {
    const std::vector<unsigned char> seen = ReadRegion(x, y, look.w, look.h);
    int found = -1;
    for (int d = 0; d < 10; ++d) {
        int solid = 0, matching = 0;
        for (size_t p = 0; p < look.solid[d].size(); ++p) {
            if (!look.solid[d][p]) continue;
            ++solid;
            if (std::equal(&seen[p * 3], &seen[p * 3 + 3], &look.pixels[d][p * 3])) ++matching;
        }
        if (solid > 0 && matching == solid) {
            if (found != -1) return -2;  // two digits fit: the picture tells nothing
            found = d;
        }
    }
    return found;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Holds the arrows so the blade swings in front of the next whole gem it can still reach.
void SteerTowardsAGem(const GameScene& game) {
    InputState& in = Input();
    in.arrows[ArrowLeft] = 0;
    in.arrows[ArrowRight] = 0;
    const Model* target = nullptr;
    double targetTurn = 0.0;
    for (const Model* model : game.field->models) {
        if (!model->cuttable || model->position.y < 6.0f) continue;
        const double gem = std::atan2(model->position.z / 1.15, model->position.x / 1.25) * 180.0 / 3.14159265358979323846;
        // The blade stands on the far side of the axis from the eye: face the gem from across.
        double turn = std::fmod(gem + 180.0 - game.angle + 720.0, 360.0);
        if (turn > 180.0) turn -= 360.0;
        const double ticksNeeded = std::fabs(turn) / 4.0 + 3.0;
        const double ticksLeft = (model->position.y - 6.0f) / 0.5;
        if (ticksNeeded > ticksLeft) continue;
        if (target == nullptr || model->position.y < target->position.y) {
            target = model;
            targetTurn = turn;
        }
    }
    if (target == nullptr) return;
    if (targetTurn > 8.0) in.arrows[ArrowRight] = 1;
    if (targetTurn < -8.0) in.arrows[ArrowLeft] = 1;
}

class ScenesCycle : public ::testing::Test {
protected:
    void SetUp() override {
        FixedGlState();
        char name[] = "/tmp/torvinel-cycle-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        fs::copy(fs::path(TORVINEL_SOURCE_DIR) / "data", folder, fs::copy_options::recursive);
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_EQ(chdir(folder.c_str()), 0);
        savedSound = cutSoundPlayer;
        cutSoundPlayer = CountSound;
        soundsPlayed = 0;
        ClearKeys();
    }
    void TearDown() override {
        // The tube and the stream outlive every scene; the game never frees them, a test does.
        delete currentScene;
        currentScene = nullptr;
        delete surface;
        delete field;
        cutSoundPlayer = savedSound;
        ClearKeys();
        chdir(previous);
        fs::remove_all(folder);
    }

    // Starts the cycle as the game does, keeping hold of the shared tube and stream.
    TitleScene* StartTitle() {
        StartScenesWith(MakeFirstScene(std::make_shared<SceneContext>()));
        auto* title = dynamic_cast<TitleScene*>(currentScene);
        if (title != nullptr) {
            surface = title->surface;
            field = title->field;
        }
        return title;
    }

    std::string folder;
    char previous[4096] = {};
    CutSoundFn savedSound = nullptr;
    Surface* surface = nullptr;
    ModelField* field = nullptr;
};

}  // namespace

TEST_F(ScenesCycle, TitleGameRankingAndBackWithCuts) {
    std::ofstream("res/ranking.dat") << "9 7 5 3 1 0 0 0 ";
    std::srand(20240607);
    InputState& in = Input();

    // Title: the first scene builds the stream and loads every resource.
    TitleScene* title = StartTitle();
    ASSERT_NE(title, nullptr);
    EXPECT_FALSE(field->models.empty());
    for (const TitleResource& entry : kTitleResources) {
        if (entry.kind != TitleResourceKind::Texture) continue;
        Texture* texture = Registry<Texture>().Get(entry.name);
        ASSERT_NE(texture, nullptr) << entry.name;
        EXPECT_TRUE(TextureLoaded(*texture)) << entry.path;
    }
    const DigitLook digits = LearnDigits();
    FixedGlState();

    for (int i = 0; i < 30; ++i) {
        Tick();
        Frame();
    }
    rendertest::Screenshot("cycle_title");
    in.keys[' '] = 1;
    Tick();
    EXPECT_TRUE(title->finished);
    Frame();
    in.keys[' '] = 0;
    Tick();  // the switch: the game's Init and first Update

    // The game: steer the blade into gems until the time runs out.
    auto* game = dynamic_cast<GameScene*>(currentScene);
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->surface, surface);
    EXPECT_EQ(game->field, field);
    Frame();
    EXPECT_EQ(DigitAt(digits, 378, 90), 0);
    int ticks = 1;
    bool checkedScore = false;
    int pressAt = -1;
    while (currentScene == game && ticks < 3000) {
        // Two cuts are plenty; then the player gives up with p a little later.
        if (game->score < 2) {
            SteerTowardsAGem(*game);
        } else {
            in.arrows[ArrowLeft] = 0;
            in.arrows[ArrowRight] = 0;
        }
        if (game->score >= 2 && pressAt < 0) pressAt = ticks + 20;
        in.keys['p'] = ticks + 1 == pressAt ? 1 : 0;
        Tick();
        ++ticks;
        if (currentScene != game) break;
        Frame();
        if (!checkedScore && game->score > 0) {
            checkedScore = true;
            rendertest::Screenshot("cycle_game_first_cut");
            EXPECT_EQ(DigitAt(digits, 378, 90), game->score % 10);  // units
            EXPECT_EQ(DigitAt(digits, 306, 90), game->score / 10 % 10);
            EXPECT_EQ(DigitAt(digits, 162, 90), 0);  // thousands
        }
        if (ticks == pressAt) {
            EXPECT_TRUE(game->finished);
            rendertest::Screenshot("cycle_game_last_frame");
            EXPECT_EQ(DigitAt(digits, 378, 90), game->score % 10);
        }
    }
    ClearKeys();
    ASSERT_NE(currentScene, game) << "the game never ended";
    auto* ranking = dynamic_cast<RankingScene*>(currentScene);
    ASSERT_NE(ranking, nullptr);
    const int score = ranking->board->score;
    EXPECT_GE(score, 2);
    EXPECT_EQ(score, soundsPlayed);  // one sound per cut gem
    EXPECT_EQ(ticks, pressAt + 1);   // p ended it; the next tick switched
    EXPECT_TRUE(checkedScore);

    // The file was rewritten before the ranking drew anything.
    std::vector<int> expected = {9, 7, 5, 3, 1, 0, 0, 0, score};
    std::sort(expected.rbegin(), expected.rend());
    std::string text;
    for (int i = 0; i < 8; ++i) text += std::to_string(expected[i]) + " ";
    EXPECT_EQ(ReadFile("res/ranking.dat"), text);

    // Banner, then the board sliding in, all without a key.
    for (int i = 0; i < 75; ++i) {
        Frame();
        Tick();
    }
    Frame();
    rendertest::Screenshot("cycle_ranking_banner");
    while (ranking->bannerTimer > kBannerEnd) Tick();
    for (int i = 0; i < 160; ++i) {
        Frame();
        Tick();
    }
    Frame();
    rendertest::Screenshot("cycle_ranking_board");
    EXPECT_EQ(ranking->board->slideIn, 0);
    EXPECT_EQ(DigitAt(digits, 378, 90), score % 10);  // the player's score, top left
    EXPECT_EQ(DigitAt(digits, 306, 90), score / 10 % 10);
    EXPECT_EQ(DigitAt(digits, 853 + 288, 100), expected[0] % 10);  // first place, units
    EXPECT_EQ(DigitAt(digits, 781, 100 + 100 * 2), 3);                     // rank 3

    // Space leads back to a title that keeps the stream and the angle.
    const int angle = ranking->angle;
    in.keys[' '] = 1;
    Tick();
    EXPECT_TRUE(ranking->finished);
    in.keys[' '] = 0;
    Tick();
    auto* back = dynamic_cast<TitleScene*>(currentScene);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->surface, surface);
    EXPECT_EQ(back->field, field);
    EXPECT_EQ(back->angle, angle);
    Frame();
    rendertest::Screenshot("cycle_title_again");
}

// Pictures missing and a damaged ranking file: every scene still runs and draws, each problem
// is reported, and the ranking is saved again in good form.
TEST_F(ScenesCycle, MissingPicturesAndADamagedRankingFileDoNotStopTheGame) {
    Registry<Texture>().ReleaseAll();  // as in a fresh process: nothing loaded yet
    for (const char* name : {"num.png", "dot.png", "title.png", "SCORE.png", "pressspace.png",
                             "timelimit.png", "RANKING.png", "finish.png"}) {
        fs::remove(fs::path("res/game") / name);
    }
    std::ofstream("res/ranking.dat") << "12 oops 3";
    std::srand(99);
    InputState& in = Input();

    testing::internal::CaptureStderr();
    TitleScene* title = StartTitle();
    ASSERT_NE(title, nullptr);
    EXPECT_FALSE(TextureLoaded(*Registry<Texture>().Get("score_num")));
    EXPECT_TRUE(TextureLoaded(*Registry<Texture>().Get("MySurface")));
    FixedGlState();
    Frame();
    in.keys[' '] = 1;
    Tick();
    in.keys[' '] = 0;
    Tick();
    ASSERT_NE(dynamic_cast<GameScene*>(currentScene), nullptr);
    for (int i = 0; i < 10; ++i) {
        Tick();
        Frame();
    }
    rendertest::Screenshot("cycle_missing_game");
    in.keys['p'] = 1;
    Tick();
    Frame();
    in.keys['p'] = 0;
    Tick();
    auto* ranking = dynamic_cast<RankingScene*>(currentScene);
    ASSERT_NE(ranking, nullptr);
    Frame();  // banner phase
    ranking->bannerTimer = kBannerEnd;
    Tick();
    Frame();  // board phase
    rendertest::Screenshot("cycle_missing_ranking");
    const std::string complaints = testing::internal::GetCapturedStderr();
    EXPECT_NE(complaints.find("res/game/num.png"), std::string::npos);
    EXPECT_NE(complaints.find("res/game/finish.png"), std::string::npos);
    EXPECT_NE(complaints.find("item 2 is not a number"), std::string::npos);

    const int score = ranking->board->score;
    std::vector<int> expected = {12, 12, 12, 12, 12, 12, 12, 12, score};
    std::sort(expected.rbegin(), expected.rend());
    std::string text;
    for (int i = 0; i < 8; ++i) text += std::to_string(expected[i]) + " ";
    EXPECT_EQ(ReadFile("res/ranking.dat"), text);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
