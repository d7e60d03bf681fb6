// One deterministic trip round the whole game with the real scenes and the real data files:
// title, a game in which a scripted blade cuts gems, the ranking with the new score, and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RenderGlHelpers.h"
#include "app/Input.h"
#include "mesh/Field.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Sprite.h"
#include "render/Texture.h"
#include "scenes/GameScene.h"
#include "scenes/Hud.h"
#include "scenes/RankingScene.h"
#include "scenes/TitleScene.h"

namespace fs = std::filesystem;

namespace {

int soundsPlayed = 0;
void ClearKeys() { std::memset(&Input(), 0, sizeof(InputState)); }

// The game's start-up state: blending, depth, lighting and its linear fog.
void FixedGlState() {
    rendertest::ClearFrame(0, 0, 0);
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogi(GL_FOG_START, 31);
    glFogi(GL_FOG_END, 127);
}

// One tick as the game's timer runs it; one display.
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

// Expects the frame to show each {digit, x, y} of "score_num" at scale 3: every pixel a
// reference drawing of that digit covers fully (the same over black and over white) must match.
// Spoils the frame.
void ExpectDigits(std::initializer_list<std::array<int, 3>> cells) {
    Texture* digits = Registry<Texture>().Get("score_num");
    const int w = digits->width * 3, h = digits->height / digits->rows * 3;
    std::vector<std::vector<unsigned char>> seen;
    for (const auto& c : cells) seen.push_back(ReadRegion(c[1], c[2], w, h));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int digit = cells.begin()[i][0];
        std::vector<unsigned char> ref[2];
        for (int pass = 0; pass < 2; ++pass) {
            rendertest::ClearFrame(pass * 255, pass * 255, pass * 255);
            DrawSpriteCell(digits, 0, DigitCell(digit), 0, 0, 3.0f, 3.0f);
            ref[pass] = ReadRegion(0, 0, w, h);
        }
        int solid = 0, matching = 0;
        for (size_t p = 0; p < ref[0].size(); p += 3) {
            if (!std::equal(&ref[0][p], &ref[0][p + 3], &ref[1][p])) continue;
            ++solid;
            matching += std::equal(&ref[0][p], &ref[0][p + 3], &seen[i][p]);
        }
        EXPECT_GT(solid, w * h / 8);
        EXPECT_EQ(matching, solid) << "digit " << digit << " at " << cells.begin()[i][1] << "," << cells.begin()[i][2];
    }
    FixedGlState();
}

// The ranking file holds the best eight of these scores and the new one, in "%d " items.
void ExpectRanked(std::vector<int> scores, int score) {
    scores.push_back(score);
    std::sort(scores.rbegin(), scores.rend());
    std::string text;
    for (int i = 0; i < 8; ++i) text += std::to_string(scores[i]) + " ";
    std::ostringstream file;
    file << std::ifstream("res/ranking.dat", std::ios::binary).rdbuf();
    EXPECT_EQ(file.str(), text);
}

// Holds the arrows so the blade swings towards the lowest whole gem it can still reach in time;
// lets go once two are cut.
void Steer(const GameScene& game) {
    float lowest = 1e9f;
    double turn = 0.0;
    for (const Model* m : game.field->models) {
        // The blade stands across the axis from the eye, so it meets the gem from the far side.
        const double t = std::remainder(
            std::atan2(m->position.z / 1.15, m->position.x / 1.25) * 180.0 / M_PI + 180.0 - game.angle, 360.0);
        const double ticksLeft = (m->position.y - 6.0f) / 0.5;
        if (m->cuttable && ticksLeft >= std::fabs(t) / 4.0 + 3.0 && m->position.y < lowest) {
            lowest = m->position.y;
            turn = t;
        }
    }
    Input().arrows[ArrowRight] = game.score < 2 && turn > 8.0;
    Input().arrows[ArrowLeft] = game.score < 2 && turn < -8.0;
}

// Each test plays in a copy of the data folder, counting cut sounds instead of playing them.
class ScenesCycle : public ::testing::Test {
protected:
    void SetUp() override {
        FixedGlState();
        char name[] = "/tmp/torvinel-cycle-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        fs::copy(fs::path(TORVINEL_SOURCE_DIR) / "data", folder, fs::copy_options::recursive);
        fs::current_path(folder);
        cutSoundPlayer = [](const char*) { ++soundsPlayed; };
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
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    // Starts the cycle as the game does, keeping hold of the shared tube and stream.
    TitleScene* StartTitle() {
        StartScenesWith(MakeFirstScene(std::make_shared<SceneContext>()));
        auto* title = dynamic_cast<TitleScene*>(currentScene);
        if (title != nullptr) surface = title->surface, field = title->field;
        return title;
    }

    fs::path previous = fs::current_path(), folder;
    CutSoundFn savedSound = cutSoundPlayer;
    Surface* surface = nullptr;
    ModelField* field = nullptr;
};

}  // namespace

// Keys held over a scene switch are not presses in the next scene: p from the title, Space from
// the game and from the ranking.
TEST_F(ScenesCycle, TitleGameRankingAndBackWithCuts) {
    std::ofstream("res/ranking.dat") << "9 7 5 3 1 0 0 0 ";
    std::srand(20240607);
    InputState& in = Input();

    TitleScene* title = StartTitle();  // builds the stream and loads every resource
    ASSERT_NE(title, nullptr);
    EXPECT_FALSE(field->models.empty());
    for (const TitleResource& entry : kTitleResources)
        EXPECT_TRUE(entry.kind != TitleResourceKind::Texture || TextureLoaded(*Registry<Texture>().Get(entry.name)))
            << entry.path;
    for (int i = 0; i < 30; ++i, Frame()) Tick();
    rendertest::Screenshot("cycle_title");
    in.keys['p'] = in.keys[' '] = 1;
    Tick();
    EXPECT_TRUE(title->finished);
    in.keys[' '] = 0;
    const int titleAngle = title->angle;
    Tick();  // the switch: the game's Init and first Update

    auto* game = dynamic_cast<GameScene*>(currentScene);
    ASSERT_NE(game, nullptr);
    EXPECT_TRUE(game->surface == surface && game->field == field && game->angle == titleAngle);
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_FALSE(game->finished);
    in.keys['p'] = 0;
    Frame();
    ExpectDigits({{0, 378, 90}});
    // Steer into gems; two cuts are plenty, then give up with p (and Space) 20 ticks later.
    int ticks = 6, pressAt = -1, angle = 0;
    bool checkedScore = false;
    while (currentScene == game && ticks < 3000) {
        Steer(*game);
        if (game->score >= 2 && pressAt < 0) pressAt = ticks + 20;
        in.keys['p'] = in.keys[' '] = ticks + 1 >= pressAt && pressAt > 0;
        angle = game->angle;
        Tick();
        if (currentScene != game) break;
        EXPECT_EQ(game->finished, ++ticks == pressAt);
        Frame();
        if (!checkedScore && game->score > 0) {
            checkedScore = true;
            rendertest::Screenshot("cycle_game_first_cut");
            ExpectDigits({{game->score % 10, 378, 90}, {game->score / 10 % 10, 306, 90}, {0, 162, 90}});
        }
    }
    auto* ranking = dynamic_cast<RankingScene*>(currentScene);
    ASSERT_NE(ranking, nullptr) << "the game never ended";
    const int score = ranking->board->score;
    EXPECT_GE(score, 2);
    EXPECT_EQ(score, soundsPlayed);  // one sound per cut gem
    EXPECT_EQ(ticks, pressAt);       // p ended it; the next tick switched
    EXPECT_TRUE(checkedScore);
    EXPECT_EQ(ranking->angle, angle);
    ExpectRanked({9, 7, 5, 3, 1, 0, 0, 0}, score);  // rewritten before the ranking drew anything

    // Banner, then the board sliding in; the Space still held from the game skips nothing.
    for (int i = 0; i < 75; ++i, Tick()) Frame();
    EXPECT_EQ(ranking->bannerTimer, kBannerStart - 76);
    ClearKeys();
    while (ranking->bannerTimer > kBannerEnd) Tick();
    for (int i = 0; i < 160; ++i) Frame(), Tick();
    Frame();
    rendertest::Screenshot("cycle_ranking_board");
    EXPECT_EQ(ranking->board->slideIn, 0);
    // The player's score top left, first place's units and the rank 3 on the board.
    ExpectDigits({{score % 10, 378, 90}, {score / 10 % 10, 306, 90},
                  {std::max(score, 9) % 10, 853 + 288, 100}, {3, 781, 300}});

    angle = ranking->angle;
    in.keys[' '] = 1;
    Tick();
    EXPECT_TRUE(ranking->finished);
    for (int i = 0; i < 5; ++i) Tick();  // Space still held: the title stays
    auto* back = dynamic_cast<TitleScene*>(currentScene);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(!back->finished && back->surface == surface && back->field == field && back->angle == angle);
}

// Pictures missing and a damaged ranking file: every scene still runs and draws, each problem
// is reported, and the ranking is saved again in good form.
TEST_F(ScenesCycle, MissingPicturesAndADamagedRankingFileDoNotStopTheGame) {
    Registry<Texture>().ReleaseAll();  // as in a fresh process: nothing loaded yet
    for (const char* name : {"num.png", "dot.png", "title.png", "SCORE.png", "pressspace.png", "timelimit.png",
                             "RANKING.png", "finish.png"})
        fs::remove(fs::path("res/game") / name);
    std::ofstream("res/ranking.dat") << "12 oops 3";
    std::srand(99);
    testing::internal::CaptureStderr();
    ASSERT_NE(StartTitle(), nullptr);
    const auto loaded = [](const char* name) { return TextureLoaded(*Registry<Texture>().Get(name)); };
    EXPECT_TRUE(!loaded("score_num") && loaded("MySurface"));
    // Each key for one tick: Space leaves the title, p the game, then the board is shown.
    for (const char key : {' ', 'p'}) {
        Frame();
        Input().keys[static_cast<unsigned char>(key)] = 1;
        Tick();
        ClearKeys();
        for (int i = 0; i < 10; ++i, Frame()) Tick();
    }
    auto* ranking = dynamic_cast<RankingScene*>(currentScene);
    ASSERT_NE(ranking, nullptr);
    ranking->bannerTimer = kBannerEnd;
    Tick();
    Frame();
    const std::string complaints = testing::internal::GetCapturedStderr();
    for (const char* what : {"res/game/num.png", "res/game/finish.png", "item 2 is not a number"})
        EXPECT_NE(complaints.find(what), std::string::npos) << what;
    ExpectRanked(std::vector<int>(8, 12), ranking->board->score);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
