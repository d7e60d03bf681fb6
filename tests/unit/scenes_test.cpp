// The scenes' own rules, one tick at a time: steering and scoring, the HUD, the orbiting view and
// the ranking's banner and board.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "input/Input.h"
#include "mesh/Field.h"
#include "mesh/Sphere.h"
#include "render/MeshDraw.h"
#include "scenes/GameScene.h"
#include "scenes/Hud.h"
#include "scenes/Orbit.h"
#include "scenes/RankingScene.h"

namespace {

using Digits = std::array<int, 4>;

void ExpectPoint(const Vec3& p, const Vec3& q) {
    EXPECT_TRUE(std::fabs(p.x - q.x) < 1e-6 && std::fabs(p.y - q.y) < 1e-6 && std::fabs(p.z - q.z) < 1e-6)
        << p.x << "," << p.y << "," << p.z;
}

GameKeys Keys(bool a, bool d, bool up, bool down) { return GameKeys{false, a, d, false, false, up, down}; }

// The whole-degree turn of each of n ticks with these arrows held.
std::vector<int> Turn(float& speed, int& angle, int n, bool left, bool right) {
    std::vector<int> steps;
    for (int i = 0; i < n; ++i) {
        const int before = angle;
        StepOrbit(speed, angle, left, right);
        steps.push_back((angle - before + 540) % 360 - 180);
    }
    return steps;
}

}  // namespace

TEST(Game, SteeringTurnsLiftsAndSetsTheStreamSpeed) {
    Blade blade;
    int angle = 0;
    float orbit = 0.0f;
    const double rest = SteerBlade(blade, angle, orbit, GameKeys{});
    EXPECT_TRUE(rest == 0.05000000074505806 && FieldStepY(rest) == -0.5f);
    SteerBlade(blade, angle, orbit, Keys(true, false, false, false));
    EXPECT_EQ(blade.yaw, 355);  // wraps below 0
    for (int i = 0; i < 2; ++i) SteerBlade(blade, angle, orbit, Keys(true, true, false, false));
    EXPECT_TRUE(blade.yaw == 5 && angle == 0);  // with both, d wins
    double speed = SteerBlade(blade, angle, orbit, Keys(false, false, true, false));
    EXPECT_FLOAT_EQ(blade.offset.y, 0.19f);  // (0 + 0.2) * 0.95: the decay comes first
    for (int i = 0; i < 300; ++i) speed = SteerBlade(blade, angle, orbit, Keys(false, false, true, false));
    EXPECT_TRUE(std::fabs(blade.offset.y - 3.8f) < 1e-3 && std::fabs(speed - 0.069) < 1e-4);
    const float high = blade.offset.y;
    SteerBlade(blade, angle, orbit, Keys(false, false, true, true));  // up and down cancel
    EXPECT_FLOAT_EQ(blade.offset.y, high * 0.95f);
    for (int i = 0; i < 400; ++i) speed = SteerBlade(blade, angle, orbit, Keys(false, false, false, true));
    EXPECT_TRUE(std::fabs(blade.offset.y + 3.8f) < 1e-3 && std::fabs(speed - 0.031) < 1e-4);

    // The hit triangle, then the cutting triangle, at yaw 0 and orbit 0.
    const Vec3 at0[6] = {{0, 4, 1}, {0, 8, 0}, {0, 4, -1}, {0, 4, 5}, {0, 14, 0}, {0, 4, -5}};
    Blade fresh;
    UpdateBlade(fresh, 0);
    for (int i = 0; i < 6; ++i)
        ExpectPoint(i < 3 ? fresh.geometry.hitTriangle[i] : fresh.geometry.cutTriangle[i - 3], at0[i]);
    // At orbit angle 90 the blade sits 0.75 behind the axis on -z and faces along x.
    Blade turned;
    angle = 90;
    SteerBlade(turned, angle, orbit = 0.0f, GameKeys{});
    ExpectPoint(turned.geometry.hitTriangle[0], {-1, 4, -0.75f});
    ExpectPoint(turned.geometry.cutTriangle[2], {5, 4, -0.75f});
    // The blade's own yaw adds to the orbit: 90 alone turns it the same way, both a half turn.
    fresh.yaw = 90;
    UpdateBlade(fresh, 0);
    ExpectPoint(fresh.geometry.hitTriangle[0], {-1, 4, 0});
    UpdateBlade(fresh, 90);
    ExpectPoint(fresh.geometry.hitTriangle[0], {0, 4, -1});
}

TEST(Game, TimeScoreSparksAndACutSoundForEachCut) {
    // Without cuts the game ends at its 361st update; one cut anywhere buys 40 more.
    for (const int cutAt : {-1, 100}) {
        int timeLeft = kStartTime, score = 0, updates = 0;
        while (!CountCuts(timeLeft, score, updates == cutAt ? 1 : 0)) ++updates;
        EXPECT_EQ(updates + 1, cutAt < 0 ? 361 : 401);
    }
    int timeLeft = 0, score = 5;  // three cuts in the last tick keep the game going
    EXPECT_FALSE(CountCuts(timeLeft, score, 3));
    EXPECT_TRUE(timeLeft == 119 && score == 8);

    // Sparks move twice their velocity and fall with the stream; life L means L + 2 moves.
    ParticleList particles{Particle{{1.0, 0.0, 0.0}, {0.25, 0.5, -0.125}, 3}, Particle{{}, {}, 10}};
    UpdateParticles(particles, 0.05);
    const double* p = particles.front().position;
    EXPECT_TRUE(p[0] == 1.5 && p[1] == 1.0 - 0.05 && p[2] == -0.25);
    for (int moves = 2; moves <= 4; ++moves) UpdateParticles(particles, 0.05);
    EXPECT_EQ(particles.size(), 2u);
    UpdateParticles(particles, 0.05);
    EXPECT_TRUE(particles.size() == 1 && particles.front().life == 10 - 5);  // the other kept its place

    // Every gem the blade cuts in a tick is a point and a cut sound, in that tick: two at once, two.
    static int plays = 0;
    const CutSoundFn saved = cutSoundPlayer;
    cutSoundPlayer = [](const char* path) { plays += std::string(path) == "res/se/cut.wav"; };
    std::memset(&Input(), 0, sizeof(InputState));
    Surface surface;
    ModelField field;
    GameScene game(std::make_shared<SceneContext>(), &surface, &field, 0);
    game.Init();
    // At angle 0 the blade stands in the plane x = -0.75, from 4 to 8 high.
    field.models = {GenerateSphereModel(4, {-0.75f, 5.0f, 0.0f}), GenerateSphereModel(4, {-0.75f, 6.0f, 0.0f})};
    game.Update();
    EXPECT_TRUE(field.cutCount == 2 && plays == 2 && game.score == 2) << field.cutCount << " " << plays;
    cutSoundPlayer = saved;
}

TEST(Hud, DigitsPlacesTintAndShake) {
    for (int q = 0; q < 200; ++q) EXPECT_EQ(DigitInRow(DigitCell(q)), q % 10) << q;
    EXPECT_TRUE(DigitCell(0) == 10 && DigitCell(9) == 1);  // 0 is the top band, 9 the bottom
    // Time: hundreds, tens and units of seconds, then tenths; sixty ticks a second.
    const struct { int t; Digits shown; } times[] = {
        {360, {0, 0, 6, 0}}, {359, {0, 0, 5, 9}}, {6, {0, 0, 0, 1}},     {5, {0, 0, 0, 0}},
        {-1, {0, 0, 0, 0}},  {6000, {1, 0, 0, 0}}, {659, {0, 1, 0, 9}}, {60000, {0, 0, 0, 0}},
    };
    for (const auto& c : times) EXPECT_EQ(ShownDigits(LayoutTimeLeft(c.t, 1280, 0).quotients), c.shown) << c.t;
    EXPECT_EQ(ShownDigits(LayoutScore(12345).quotients), (Digits{2, 3, 4, 5}));
    EXPECT_EQ(LayoutScore(0).digitX, (Digits{162, 234, 306, 378}));
    // The shake moves the digits and the point together, never the label.
    for (const int shake : {0, -7}) {
        const TimeLeftLayout t = LayoutTimeLeft(20, 1280, shake);
        EXPECT_EQ((Digits{t.labelX, t.labelY, t.dotX, t.dotY}), (Digits{704, 0, 1012 + shake, 160 + shake}));
        EXPECT_EQ(t.digitX, (Digits{776 + shake, 848 + shake, 920 + shake, 1064 + shake}));
        EXPECT_EQ(t.digitY, 90 + shake);
    }
    for (const Digits& c : {Digits{120, 510, 255, 255}, Digits{60, 255, 127, 127}, Digits{0, 0, 0, 0}}) {
        const TimeLeftLayout t = LayoutTimeLeft(c[0], 1280, 0);
        EXPECT_EQ((Digits{c[0], t.red, t.green, t.blue}), c);
    }
    // The last three seconds shake harder and harder: {t, least, most}.
    for (const Digits& band : {Digits{-1, -20, 19}, {29, -20, 19}, {30, -10, 9}, {59, -10, 9}, {60, -5, 4}, {89, -5, 4},
                               {90, -2, 2}, {179, -2, 2}, {180, 0, 0}}) {
        Digits seen = {band[0], 1000, -1000, 0};
        for (int r = 0; r < 400; ++r) {
            seen[1] = std::min(seen[1], ShakeFromRandom(band[0], r));
            seen[2] = std::max(seen[2], ShakeFromRandom(band[0], r));
        }
        EXPECT_EQ(seen, band);
    }
}

TEST(Orbit, StepsDriftWrapCancelAndNeedAnArrowHeldAcrossATick) {
    float speed = 0.0f;
    int angle = 0;
    EXPECT_EQ(Turn(speed, angle, 9, false, true), (std::vector<int>{3, 3, 3, 3, 3, 3, 4, 4, 4}));
    angle = 359;
    Turn(speed, angle, 1, false, true);
    EXPECT_EQ(angle, 3);
    // Released from the right the drift never reaches a whole degree; from the left it does.
    EXPECT_EQ(Turn(speed, angle, 5, false, false), std::vector<int>(5, 0));
    speed = 0.0f;
    EXPECT_EQ(Turn(speed, angle = 0, 3, true, false), std::vector<int>(3, -4));
    EXPECT_EQ(Turn(speed, angle, 8, false, false), (std::vector<int>{-1, -1, -1, -1, -1, -1, 0, 0}));
    EXPECT_EQ(angle, 342);
    EXPECT_EQ(Turn(speed = 0.0f, angle, 5, true, true), std::vector<int>(5, 0));

    // The left arrow turns left only once it is held across a tick.
    std::memset(&Input(), 0, sizeof(InputState));
    Input().arrows[ArrowLeft] = 1;
    angle = 50;
    for (int expected : {50, 46}) {
        UpdateOrbit(speed = 0.0f, angle);
        CopyInputHistory();
        EXPECT_EQ(angle, expected);
    }
    std::memset(&Input(), 0, sizeof(InputState));

    // The tube's scroll wraps back past 150; exactly 150 is kept.
    EXPECT_TRUE(NextScroll(149.0, 1.0) == 150.0 && NextScroll(149.5, 1.0) == 0.5);
}

TEST(RankingScene, BannerTimerAndPositionsAtWidth1280) {
    // {timer before, Space newly pressed, timer after, the scene ends}
    const struct { int before; bool space; int after; bool ends; } rows[] = {
        {3200, true, 3155, false}, {3155, true, 3110, false}, {3200, false, 3199, false},
        {3154, true, 3109, true},  {1, true, -44, true},      {1, false, 0, false},
        {0, true, -45, true},      {0, false, -46, true},
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
    // The banner enters from the right edge and leaves past the left one.
    EXPECT_EQ((Digits{BannerX(300, 1280, 3200), BannerX(300, 1280, 3199), BannerX(300, 1280, 3050), BoardTitleX(1280)}),
              (Digits{1280, 1269, -300, 752}));

    // Ranked rows slide in 40 pixels a frame and come to rest in one column, 100 pixels apart.
    EXPECT_EQ((Digits{BoardRowX(298, 1280, 3), BoardRowX(296, 1280, 3), BoardRowX(0, 1280, 7), BoardRowY(7)}),
              (Digits{4940, 4900, 853, 800}));
}
