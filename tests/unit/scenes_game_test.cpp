#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <memory>

#include "app/Input.h"
#include "mesh/Field.h"
#include "render/Camera.h"
#include "render/MeshDraw.h"
#include "scenes/GameScene.h"
#include "scenes/RankingScene.h"

namespace {

void ExpectPoint(const Vec3& p, float x, float y, float z) {
    EXPECT_NEAR(p.x, x, 1e-6);
    EXPECT_NEAR(p.y, y, 1e-6);
    EXPECT_NEAR(p.z, z, 1e-6);
}

void NoSound(const char*) {}

void ClearKeys() {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
}

}  // namespace

TEST(Game, RestingBladeGivesTheRestStreamSpeed) {
    Blade blade;
    int angle = 0;
    float orbit = 0.0f;
    const double speed = SteerBlade(blade, angle, orbit, GameKeys{});
    EXPECT_EQ(speed, 0.05000000074505806);
    EXPECT_EQ(FieldStepY(speed), -0.5f);
    EXPECT_EQ(blade.offset.y, 0.0f);
    EXPECT_EQ(blade.yaw, 0);
}

TEST(Game, LiftClimbsDecaysAndSetsTheStreamSpeed) {
    Blade blade;
    int angle = 0;
    float orbit = 0.0f;
    GameKeys up;
    up.upHeld = true;
    double speed = SteerBlade(blade, angle, orbit, up);
    EXPECT_FLOAT_EQ(blade.offset.y, 0.19f);  // (0 + 0.2) * 0.95, the decay comes first
    EXPECT_EQ(speed, static_cast<double>(blade.offset.y) * 0.005 + static_cast<double>(0.05f));
    for (int i = 0; i < 300; ++i) speed = SteerBlade(blade, angle, orbit, up);
    EXPECT_NEAR(blade.offset.y, 3.8f, 1e-3);
    EXPECT_NEAR(speed, 0.069, 1e-4);

    GameKeys both = up;
    both.downHeld = true;
    const float high = blade.offset.y;
    SteerBlade(blade, angle, orbit, both);
    EXPECT_FLOAT_EQ(blade.offset.y, high * 0.95f);  // up and down cancel: only the decay

    GameKeys down;
    down.downHeld = true;
    for (int i = 0; i < 400; ++i) speed = SteerBlade(blade, angle, orbit, down);
    EXPECT_NEAR(blade.offset.y, -3.8f, 1e-3);
    EXPECT_NEAR(speed, 0.031, 1e-4);
}

TEST(Game, BladeTurnsWithAAndDAndWraps) {
    Blade blade;
    int angle = 0;
    float orbit = 0.0f;
    GameKeys a;
    a.aHeld = true;
    SteerBlade(blade, angle, orbit, a);
    EXPECT_EQ(blade.yaw, 355);
    GameKeys both = a;
    both.dHeld = true;  // d wins
    SteerBlade(blade, angle, orbit, both);
    SteerBlade(blade, angle, orbit, both);
    EXPECT_EQ(blade.yaw, 5);
    EXPECT_EQ(angle, 0);
}

TEST(Game, BladePointsFollowYawAndOrbit) {
    Blade blade;
    UpdateBlade(blade, 0);
    ExpectPoint(blade.geometry.hitTriangle[0], 0.0f, 4.0f, 1.0f);
    ExpectPoint(blade.geometry.hitTriangle[1], 0.0f, 8.0f, 0.0f);
    ExpectPoint(blade.geometry.hitTriangle[2], 0.0f, 4.0f, -1.0f);
    ExpectPoint(blade.geometry.cutTriangle[0], 0.0f, 4.0f, 5.0f);
    ExpectPoint(blade.geometry.cutTriangle[1], 0.0f, 14.0f, 0.0f);
    ExpectPoint(blade.geometry.cutTriangle[2], 0.0f, 4.0f, -5.0f);

    // At orbit angle 90 the blade sits 0.75 behind the axis on -z and faces along x.
    Blade turned;
    int angle = 90;
    float orbit = 0.0f;
    SteerBlade(turned, angle, orbit, GameKeys{});
    ExpectPoint(turned.offset, 0.0f, 0.0f, -0.75f);
    ExpectPoint(turned.geometry.hitTriangle[0], -1.0f, 4.0f, -0.75f);
    ExpectPoint(turned.geometry.hitTriangle[2], 1.0f, 4.0f, -0.75f);
    ExpectPoint(turned.geometry.cutTriangle[0], -5.0f, 4.0f, -0.75f);

    // The blade's own yaw of 90 on top of orbit 0 turns it the same way.
    Blade yawed;
    yawed.yaw = 90;
    UpdateBlade(yawed, 0);
    ExpectPoint(yawed.geometry.hitTriangle[0], -1.0f, 4.0f, 0.0f);
    // Both at 90 make half a turn.
    yawed.yaw = 90;
    UpdateBlade(yawed, 90);
    ExpectPoint(yawed.geometry.hitTriangle[0], 0.0f, 4.0f, -1.0f);
}

TEST(Game, TimeAndScore) {
    int timeLeft = kStartTime;
    int score = 0;
    int updates = 0;
    bool over = false;
    while (!over) {
        over = CountCuts(timeLeft, score, 0);
        ++updates;
    }
    EXPECT_EQ(updates, 361);
    EXPECT_EQ(timeLeft, -1);
    EXPECT_EQ(score, 0);

    timeLeft = 100;
    score = 5;
    EXPECT_FALSE(CountCuts(timeLeft, score, 3));
    EXPECT_EQ(timeLeft, 219);
    EXPECT_EQ(score, 8);

    // A cut in the last tick keeps the game going.
    timeLeft = 0;
    EXPECT_FALSE(CountCuts(timeLeft, score, 1));
    EXPECT_EQ(timeLeft, 39);

    // One cut anywhere makes the game 40 ticks longer.
    timeLeft = kStartTime;
    updates = 0;
    over = false;
    while (!over) {
        over = CountCuts(timeLeft, score, updates == 100 ? 1 : 0);
        ++updates;
    }
    EXPECT_EQ(updates, 401);
}

TEST(Game, ParticlesMoveTwiceTheirVelocityAndLiveLifePlusTwoMoves) {
    ParticleList particles;
    Particle spark;
    spark.position[0] = 1.0;
    spark.velocity[0] = 0.25;
    spark.velocity[1] = 0.5;
    spark.velocity[2] = -0.125;
    spark.life = 3;
    particles.push_back(spark);
    Particle longer = spark;
    longer.life = 10;
    particles.push_back(longer);

    UpdateParticles(particles, 0.05);
    ASSERT_EQ(particles.size(), 2u);
    EXPECT_DOUBLE_EQ(particles.front().position[0], 1.5);
    EXPECT_DOUBLE_EQ(particles.front().position[1], 1.0 - 0.05);
    EXPECT_DOUBLE_EQ(particles.front().position[2], -0.25);
    EXPECT_EQ(particles.front().life, 2);

    int moves = 1;
    while (particles.size() == 2) {
        UpdateParticles(particles, 0.05);
        ++moves;
    }
    EXPECT_EQ(moves, 3 + 2);
    // The one behind kept its place and its moves.
    ASSERT_EQ(particles.size(), 1u);
    EXPECT_EQ(particles.front().life, 10 - 5);
    EXPECT_DOUBLE_EQ(particles.front().position[0], 1.0 + 5 * 0.5);
}

// The scene itself, driven tick by tick with recorded key bytes.
class GameSceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearKeys();
        savedSound = cutSoundPlayer;
        cutSoundPlayer = NoSound;
        scene = std::make_unique<GameScene>(std::make_shared<SceneContext>(), &surface, &field, 0);
        scene->Init();
    }
    void TearDown() override {
        scene.reset();
        cutSoundPlayer = savedSound;
        ClearKeys();
    }
    void Tick() {
        scene->Update();
        CopyInputHistory();
    }

    Surface surface;
    ModelField field;
    std::unique_ptr<GameScene> scene;
    CutSoundFn savedSound = nullptr;
};

TEST_F(GameSceneTest, RestTickScrollsAndCostsOneTick) {
    Tick();
    EXPECT_EQ(scene->streamSpeed, 0.05000000074505806);
    EXPECT_EQ(surface.scroll, 0.05000000074505806);
    EXPECT_EQ(scene->timeLeft, kStartTime - 1);
    EXPECT_EQ(scene->score, 0);
    EXPECT_FALSE(scene->finished);
}

TEST_F(GameSceneTest, PEndsTheGameOnlyWhenPressedDuringIt) {
    InputState& in = Input();
    // p held down since the title: not a new press.
    in.keys['p'] = 1;
    in.prevKeys['p'] = 1;
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_FALSE(scene->finished);
    in.keys['p'] = 0;
    Tick();
    in.keys['p'] = 1;
    Tick();
    EXPECT_TRUE(scene->finished);
    EXPECT_EQ(scene->timeLeft, kStartTime - 7);  // the tick still played out
}

TEST_F(GameSceneTest, ArrowsTurnViewAndBladeTogether) {
    InputState& in = Input();
    in.arrows[ArrowLeft] = 1;
    Tick();
    Tick();
    EXPECT_EQ(scene->angle, 356);
    EXPECT_FLOAT_EQ(scene->blade->offset.x, -0.75f * cosDeg[356]);
    EXPECT_FLOAT_EQ(scene->blade->offset.z, -0.75f * sinDeg[356]);
}

TEST_F(GameSceneTest, NextSceneHandsTheScoreToTheRanking) {
    scene->score = 12;
    scene->angle = 77;
    char folder[] = "/tmp/torvinel-game-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(mkdir((std::string(folder) + "/res").c_str(), 0755), 0);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    std::unique_ptr<Scene> next(scene->NextScene());
    auto* ranking = dynamic_cast<RankingScene*>(next.get());
    ASSERT_NE(ranking, nullptr);
    EXPECT_EQ(ranking->board->score, 12);
    EXPECT_EQ(ranking->angle, 77);
    EXPECT_EQ(ranking->surface, &surface);
    EXPECT_EQ(ranking->field, &field);
    next.reset();
    ASSERT_EQ(chdir(cwd), 0);
    std::remove((std::string(folder) + "/res/ranking.dat").c_str());
    rmdir((std::string(folder) + "/res").c_str());
    rmdir(folder);
}
