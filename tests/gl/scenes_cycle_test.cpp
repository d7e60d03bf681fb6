// One deterministic trip round the whole game with the real scenes and the real data files,
// played on a game controller: title, a game in which a scripted blade cuts gems, the ranking with
// the new score, and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "GlTestContext.h"
#include "TestSupport.h"
#include "VirtualPad.h"
#include "app/Game.h"
#include "audio/TickSounds.h"
#include "input/Input.h"
#include "mesh/Field.h"
#include "mesh/Random.h"
#include "platform/Pad.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Shader.h"
#include "render/Sprite.h"
#include "render/Texture.h"
#include "scenes/GameScene.h"
#include "scenes/Hud.h"
#include "scenes/RankingSave.h"
#include "scenes/RankingScene.h"
#include "scenes/TitleScene.h"

namespace {

int soundsPlayed = 0;
void ClearKeys() { std::memset(&Input(), 0, sizeof(InputState)), ReleaseAllKeys(); }

// One tick as the game's timer runs it, with the keyboard's and the pads' keys; one display.
void Tick() {
    static Game game;
    PollPads(PadKeys(), KeyPresses());
    RunGameTick(game, TickKeys());
}
void Frame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    currentScene->Draw();
}

// Expects the frame to show each {digit, x, y} of "score_num" at scale 3: every pixel that a
// reference drawing of that digit covers fully (the same over black and over white) must match.
void ExpectDigits(std::initializer_list<std::array<int, 3>> cells) {
    Texture* digits = Registry<Texture>().Get("score_num");
    const int w = digits->width * 3, h = digits->height / digits->rows * 3;
    std::vector<std::vector<unsigned char>> seen;
    for (const auto& c : cells) seen.push_back(gltest::Region(c[1], c[2], w, h));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        std::vector<unsigned char> ref[2];
        for (int pass = 0; pass < 2; ++pass) {
            gltest::ClearFrame(pass * 255, pass * 255, pass * 255);
            DrawSpriteCell(digits, 0, DigitCell(cells.begin()[i][0]), 0, 0, 3.0f, 3.0f);
            ref[pass] = gltest::Region(0, 0, w, h);
        }
        int solid = 0, matching = 0;
        for (size_t p = 0; p < ref[0].size(); p += 3) {
            if (!std::equal(&ref[0][p], &ref[0][p + 3], &ref[1][p])) continue;
            ++solid;
            matching += std::equal(&ref[0][p], &ref[0][p + 3], &seen[i][p]);
        }
        EXPECT_TRUE(solid > w * h / 8 && matching == solid) << "digit " << cells.begin()[i][0] << " at "
                                                            << cells.begin()[i][1] << "," << cells.begin()[i][2];
    }
    gltest::ClearFrame();
}

// The game plays in a copy of the data folder, counting cut sounds instead of playing them; the
// tube and the stream outlive every scene (the game never frees them, the test does).
struct Round {
    testsupport::TempFolder folder{true};
    CutSoundFn savedSound = cutSoundPlayer;
    Surface* surface = nullptr;
    ModelField* field = nullptr;
    Round() {
        gltest::ClearFrame();
        testsupport::fs::copy(TORVINEL_SOURCE_DIR "/data", folder.path, testsupport::fs::copy_options::recursive);
        // A cut sound counts once its tick has noted it too, for a video's mix.
        cutSoundPlayer = [](const char* path) { soundsPlayed += SoundsThisTick().effect == path; };
        ClearKeys();
    }
    ~Round() {
        delete currentScene;
        currentScene = nullptr;
        delete surface;
        delete field;
        cutSoundPlayer = savedSound;
        ClearKeys();
    }
};

}  // namespace

// Buttons held over a scene switch are not presses in the next scene: p (Y) from the title,
// Space (A, Start) from the game and from the ranking. Start pauses a game and resumes it.
TEST(ScenesCycle, TitleGameRankingAndBackWithCutsOnAPad) {
    Round round;
    testsupport::WriteFile("res/ranking.dat", "9 7 5 3 1 0 0 0 ");
    LoadRanking();  // as start-up does
    SeedGameRandom(9);  // a stream that brings two gems into the resting blade early on
    testsupport::VirtualPad pad;
    StartScenesWith(MakeFirstScene(std::make_shared<SceneContext>()));  // every resource loads
    auto* title = dynamic_cast<TitleScene*>(currentScene);
    ASSERT_NE(title, nullptr);
    round.surface = title->surface, round.field = title->field;
    EXPECT_FALSE(round.field->models.empty());
    for (const TitleResource& e : kTitleResources) {  // every picture loaded, both programs linked
        GLint ok = e.kind != TitleResourceKind::Texture || TextureLoaded(*Registry<Texture>().Get(e.name));
        if (e.kind == TitleResourceKind::Shader)
            glGetProgramiv(Registry<ShaderProgram>().Get(e.name)->program, GL_LINK_STATUS, &ok);
        EXPECT_TRUE(ok) << e.path;
    }
    pad.Stick(32767, 0);  // the view turns away from 0 before the game starts
    for (int i = 0; i < 30; ++i, Frame()) Tick();
    pad.Stick(0, 0);
    pad.Press(SDL_CONTROLLER_BUTTON_Y);
    pad.Press(SDL_CONTROLLER_BUTTON_A);
    Tick();
    EXPECT_TRUE(title->finished && title->angle != 0);
    pad.Press(SDL_CONTROLLER_BUTTON_A, false);
    const int titleAngle = title->angle;
    Tick();  // the switch: the game's Init and first Update

    auto* game = dynamic_cast<GameScene*>(currentScene);
    ASSERT_NE(game, nullptr);
    EXPECT_TRUE(game->surface == round.surface && game->field == round.field && game->angle == titleAngle);
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_FALSE(game->finished);
    pad.Press(SDL_CONTROLLER_BUTTON_Y, false);
    // Start pauses the game, whose time stands still, and resumes it.
    const int timeLeft = game->timeLeft;
    for (bool paused : {true, false}) {
        pad.Press(SDL_CONTROLLER_BUTTON_START);
        Tick();
        pad.Press(SDL_CONTROLLER_BUTTON_START, false);
        for (int i = 0; i < 10; ++i) Tick();
        EXPECT_TRUE(game->paused == paused && (game->timeLeft == timeLeft) == paused);
    }
    Frame();
    ExpectDigits({{0, 378, 90}});
    // Play until two gems are cut, then give up with p (and Space) 20 ticks later.
    int ticks = 6, pressAt = -1, angle = 0, scoreShown = -1;
    while (currentScene == game && ticks < 3000) {
        if (game->score >= 2 && pressAt < 0) pressAt = ticks + 20;
        pad.Press(SDL_CONTROLLER_BUTTON_Y, ticks + 1 >= pressAt && pressAt > 0);
        pad.Press(SDL_CONTROLLER_BUTTON_START, ticks + 1 >= pressAt && pressAt > 0);
        angle = game->angle;
        Tick();
        if (currentScene != game) break;
        EXPECT_EQ(game->finished, ++ticks == pressAt);
        Frame();
        if (scoreShown < 0 && game->score > 0) {
            scoreShown = game->score;
            ExpectDigits({{scoreShown % 10, 378, 90}, {scoreShown / 10 % 10, 306, 90}, {0, 162, 90}});
        }
    }
    auto* ranking = dynamic_cast<RankingScene*>(currentScene);
    ASSERT_NE(ranking, nullptr) << "the game never ended";
    const int score = ranking->board->score;
    EXPECT_GE(score, 2);
    EXPECT_EQ(score, soundsPlayed);  // one sound per cut gem
    EXPECT_EQ(ticks, pressAt);       // p ended it; the next tick switched
    EXPECT_TRUE(scoreShown > 0 && ranking->angle == angle);
    // The new score among the best eight, in the file once saved.
    std::array<int, 9> best = {9, 7, 5, 3, 1, 0, 0, 0, score};
    std::sort(best.rbegin(), best.rend());
    std::string text;
    for (int i = 0; i < 8; ++i) text += std::to_string(best[i]) + " ";
    EXPECT_TRUE(FinishRankingSaves(10000));
    EXPECT_EQ(testsupport::ReadFile("res/ranking.dat"), text);

    // Banner, then the board sliding in; the Space still held from the game skips nothing.
    for (int i = 0; i < 75; ++i, Tick()) Frame();
    EXPECT_EQ(ranking->bannerTimer, kBannerStart - 76);
    pad.Press(SDL_CONTROLLER_BUTTON_Y, false);
    pad.Press(SDL_CONTROLLER_BUTTON_START, false);
    while (ranking->bannerTimer > kBannerEnd) Tick();
    for (int i = 0; i < 150; ++i) Frame(), Tick();
    Frame();
    EXPECT_EQ(ranking->board->slideIn, 0);
    // The player's score top left, first place's units and the rank 3 on the board.
    ExpectDigits({{score % 10, 378, 90}, {score / 10 % 10, 306, 90}, {best[0] % 10, 853 + 288, 100}, {3, 781, 300}});

    angle = ranking->angle;
    pad.Press(SDL_CONTROLLER_BUTTON_A);
    Tick();
    EXPECT_TRUE(ranking->finished);
    for (int i = 0; i < 5; ++i) Tick();  // Space still held: the title stays
    auto* back = dynamic_cast<TitleScene*>(currentScene);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(!back->finished && back->angle == angle);
    EXPECT_TRUE(back->surface == round.surface && back->field == round.field);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// However often the window is drawn (not at all, as a hidden window is, or three times a tick, as
// on exposes and resizes), the play is the same: the time display's shake and the board's slide
// go by the tick, never by the drawing.
TEST(ScenesCycle, DrawingNeverChangesThePlay) {
    std::vector<std::string> seen;
    for (int draws : {0, 1, 3}) {
        Round round;
        SeedGameRandom(11);
        spawnTravel = 0.0f;  // as in a fresh game: each round here is a whole run
        KeySet& in = KeyboardKeys();
        StartScenesWith(MakeFirstScene(std::make_shared<SceneContext>()));
        const auto* title = dynamic_cast<TitleScene*>(currentScene);
        round.surface = title->surface, round.field = title->field;
        const auto play = [&](int ticks) {
            for (int i = 0; i < ticks; ++i, Tick())
                for (int d = 0; d < draws; ++d) Frame();
        };
        in.keys[' '] = 1;
        play(2);
        in.keys[' '] = 0;
        dynamic_cast<GameScene&>(*currentScene).timeLeft = 100;  // the last seconds shake
        play(20);
        in.keys['p'] = 1;
        play(2);
        in.keys['p'] = 0;
        dynamic_cast<RankingScene&>(*currentScene).bannerTimer = kBannerEnd + 2;  // the board slides in
        play(10);
        SceneCheck check;
        currentScene->Check(check);
        seen.push_back(CheckLine(check, 1, 0) + " next=" + std::to_string(GameRandom()));
    }
    EXPECT_EQ(seen[0].substr(0, 8) + seen[0].substr(seen[0].find(" slide=")), "ranking  slide=282" + seen[0].substr(seen[0].find(" next=")));
    EXPECT_TRUE(seen[1] == seen[0] && seen[2] == seen[0]) << seen[0] << "\n" << seen[1] << "\n" << seen[2];
}
