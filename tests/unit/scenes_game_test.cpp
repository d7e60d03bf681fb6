#include <gtest/gtest.h>


#include "scenes/GameScene.h"

namespace {

void ExpectPoint(const Vec3& p, const Vec3& q) {
    EXPECT_NEAR(p.x, q.x, 1e-6);
    EXPECT_NEAR(p.y, q.y, 1e-6);
    EXPECT_NEAR(p.z, q.z, 1e-6);
}

}  // namespace

TEST(Game, SteeringTurnsLiftsAndSetsTheStreamSpeed) {
    Blade blade;
    int angle = 0;
    float orbit = 0.0f;
    const double rest = SteerBlade(blade, angle, orbit, GameKeys{});
    EXPECT_EQ(rest, 0.05000000074505806);
    EXPECT_EQ(FieldStepY(rest), -0.5f);

    GameKeys keys;
    keys.aHeld = true;
    SteerBlade(blade, angle, orbit, keys);
    EXPECT_EQ(blade.yaw, 355);  // wraps below 0
    keys.dHeld = true;  // with both, d wins: +5
    SteerBlade(blade, angle, orbit, keys);
    SteerBlade(blade, angle, orbit, keys);
    EXPECT_EQ(blade.yaw, 5);
    EXPECT_EQ(angle, 0);

    keys = GameKeys{};
    keys.upHeld = true;
    double speed = SteerBlade(blade, angle, orbit, keys);
    EXPECT_FLOAT_EQ(blade.offset.y, 0.19f);  // (0 + 0.2) * 0.95: the decay comes first
    EXPECT_EQ(speed, static_cast<double>(blade.offset.y) * 0.005 + static_cast<double>(0.05f));
    for (int i = 0; i < 300; ++i) speed = SteerBlade(blade, angle, orbit, keys);
    EXPECT_NEAR(blade.offset.y, 3.8f, 1e-3);
    EXPECT_NEAR(speed, 0.069, 1e-4);
    keys.downHeld = true;  // up and down cancel: only the decay
    const float high = blade.offset.y;
    SteerBlade(blade, angle, orbit, keys);
    EXPECT_FLOAT_EQ(blade.offset.y, high * 0.95f);
    keys.upHeld = false;
    for (int i = 0; i < 400; ++i) speed = SteerBlade(blade, angle, orbit, keys);
    EXPECT_NEAR(blade.offset.y, -3.8f, 1e-3);
    EXPECT_NEAR(speed, 0.031, 1e-4);
}

TEST(Game, BladePointsFollowYawAndOrbit) {
    // The hit triangle, then the cutting triangle, at yaw 0 and orbit 0.
    const Vec3 rest[6] = {{0, 4, 1}, {0, 8, 0}, {0, 4, -1}, {0, 4, 5}, {0, 14, 0}, {0, 4, -5}};
    Blade blade;
    UpdateBlade(blade, 0);
    const BladeGeometry& g = blade.geometry;
    for (int i = 0; i < 3; ++i) {
        ExpectPoint(g.hitTriangle[i], rest[i]);
        ExpectPoint(g.cutTriangle[i], rest[i + 3]);
    }
    // At orbit angle 90 the blade sits 0.75 behind the axis on -z and faces along x.
    Blade turned;
    int angle = 90;
    float orbit = 0.0f;
    SteerBlade(turned, angle, orbit, GameKeys{});
    ExpectPoint(turned.offset, {0, 0, -0.75f});
    ExpectPoint(turned.geometry.hitTriangle[0], {-1, 4, -0.75f});
    ExpectPoint(turned.geometry.hitTriangle[2], {1, 4, -0.75f});
    ExpectPoint(turned.geometry.cutTriangle[0], {-5, 4, -0.75f});
    // The blade's own yaw adds to the orbit: 90 alone turns it the same way, both a half turn.
    blade.yaw = 90;
    UpdateBlade(blade, 0);
    ExpectPoint(g.hitTriangle[0], {-1, 4, 0});
    UpdateBlade(blade, 90);
    ExpectPoint(g.hitTriangle[0], {0, 4, -1});
}

TEST(Game, TimeScoreAndParticles) {
    // Without cuts the game ends at its 361st update; one cut anywhere buys 40 more.
    for (const int cutAt : {-1, 100}) {
        int timeLeft = kStartTime, score = 0, updates = 0;
        while (!CountCuts(timeLeft, score, updates == cutAt ? 1 : 0)) ++updates;
        EXPECT_EQ(updates + 1, cutAt < 0 ? 361 : 401);
        EXPECT_EQ(timeLeft, -1);
    }
    int timeLeft = 100, score = 5;
    EXPECT_FALSE(CountCuts(timeLeft, score, 3));
    EXPECT_EQ(timeLeft, 219);
    EXPECT_EQ(score, 8);
    timeLeft = 0;  // a cut in the last tick keeps the game going
    EXPECT_FALSE(CountCuts(timeLeft, score, 1));
    EXPECT_EQ(timeLeft, 39);

    // Sparks move twice their velocity and fall with the stream; life L means L + 2 moves.
    Particle spark;
    spark.position[0] = 1.0;
    spark.velocity[0] = 0.25;
    spark.velocity[1] = 0.5;
    spark.velocity[2] = -0.125;
    spark.life = 3;
    Particle longer = spark;
    longer.life = 10;
    ParticleList particles{spark, longer};
    UpdateParticles(particles, 0.05);
    EXPECT_DOUBLE_EQ(particles.front().position[0], 1.5);
    EXPECT_DOUBLE_EQ(particles.front().position[1], 1.0 - 0.05);
    EXPECT_DOUBLE_EQ(particles.front().position[2], -0.25);
    int moves = 1;
    for (; particles.size() == 2; ++moves) UpdateParticles(particles, 0.05);
    EXPECT_EQ(moves, 3 + 2);
    ASSERT_EQ(particles.size(), 1u);  // the other kept its place and its moves
    EXPECT_EQ(particles.front().life, 10 - 5);
    EXPECT_DOUBLE_EQ(particles.front().position[0], 1.0 + 5 * 0.5);
}
