#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "mesh/Arithmetic.h"
#include "mesh/Field.h"
#include "mesh/Random.h"
#include "mesh/Sphere.h"

namespace {

std::vector<int> DrawsFor(unsigned seed, int count) {
    SeedGameRandom(seed);
    std::vector<int> draws(count);
    for (int& d : draws) d = GameRandom();
    return draws;
}

// The first seed whose first `draws` values all decline (or, with `spawn`, all accept) a new gem.
unsigned Seed(int draws, bool spawn = false) {
    for (unsigned seed = 1;; ++seed) {
        const std::vector<int> r = DrawsFor(seed, draws);
        if (std::all_of(r.begin(), r.end(), [&](int d) { return (d % 48 == 0) == spawn; })) return seed;
    }
}

Model* Gem(Vec3 position, bool cuttable = true) {
    Model* m = GenerateSphereModel(4, position);
    m->cuttable = cuttable;
    return m;
}

// A level blade at height y: a large hit triangle and the cutting plane, normal +y.
BladeGeometry LevelBlade(float y) {
    return {{{-10, y, -10}, {-10, y, 30}, {30, y, -10}}, {{0, y, 0}, {0, y, 1}, {1, y, 0}}};
}

}  // namespace

// A plain step drops gems below the floor, moves the rest by the scroll and their own drift, and
// makes one spawn test however far it scrolls; a spawning draw is followed by the ring angle and
// the size of the new gem at the top.
TEST(FieldStep, RemovesBelowTheFloorMovesAndSpawnsAtTheTop) {
    ModelField field;
    Model *atFloor = Gem({0, 3.0f, 0}), *high = Gem({0, 10.0f, 0});
    high->velocity = {0.0f, 0.5f, 0.0f};
    field.models = {atFloor, Gem({0, 2.9999f, 0}), high};
    field.cutCount = 5;
    const unsigned seed = Seed(1, true);
    const std::vector<int> r = DrawsFor(seed, 4);
    SeedGameRandom(seed);
    AdvanceModels(field, 0.5f, -1.0f, 0.25f);
    EXPECT_EQ(GameRandom(), r[3]);
    EXPECT_EQ(field.cutCount, 0);
    ASSERT_EQ(field.models.size(), 3u);  // y exactly 3.0 stays; order kept, the new gem last
    EXPECT_TRUE(field.models[0] == atFloor && field.models[1] == high);
    EXPECT_TRUE(atFloor->position.x == 0.5f && atFloor->position.y == 2.0f && atFloor->position.z == 0.25f);
    EXPECT_EQ(high->position.y, 9.5f);
    const Model& gem = *field.models[2];
    const double radians = r[1] % 360 * 3.1415 / 180.0;
    EXPECT_TRUE(gem.cuttable && gem.position.y == 150.0f);
    EXPECT_NEAR(gem.position.x, std::cos(radians) * 1.25, 1e-5);
    EXPECT_NEAR(gem.position.z, std::sin(radians) * 1.15, 1e-5);
    EXPECT_EQ(gem.vertices.size(), std::size_t((r[2] % 3 + 4) * (r[2] % 3 + 4)));

    // The game's stream is the C library's rand() sequence for the same seed, whatever else draws
    // from rand() meanwhile.
    for (unsigned seed : {0u, 1u, 4242u, 4294967295u}) {
        std::srand(seed);
        const int first = std::rand(), second = std::rand();
        SeedGameRandom(seed);
        std::rand();
        EXPECT_TRUE(GameRandom() == first && GameRandom() == second) << seed;
    }
}

TEST(FieldStep, TravelPacesTheCuttingStepsSpawns) {
    ModelField field;
    ParticleList particles;
    const unsigned seed = Seed(2);
    const std::vector<int> r = DrawsFor(seed, 3);
    // {travel this step, spawn tests made, what remains}; the remainder carries over.
    const struct { float dy; int tests; float left; } steps[] = {
        {-1.2f, 2, float(float(-1.2f + 0.5) + 0.5)},  // 1.2 down: two tests, leaving -0.2
        {0.0f, 0, -0.2f}, {0.15f, 0, -0.05f},          // no travel or upward: none
        {-0.4f, 0, -0.45f}, {-0.1f, 1, -0.05f},        // -0.55 crosses half a unit once
    };
    spawnTravel = 0.0f;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.dy);
        SeedGameRandom(seed);
        AdvanceAndCut(field, 0.0f, s.dy, 0.0f, LevelBlade(-100.0f), particles);
        EXPECT_EQ(GameRandom(), r[s.tests]);
        // The first exactly: the half units are added in double and rounded back each time.
        EXPECT_NEAR(spawnTravel, s.left, &s == steps ? 0.0f : 1e-6f);
    }
    spawnTravel = 0.0f;
}

TEST(FieldStep, SeveralCutsInOneStepAndWhatTheBladeHits) {
    spawnTravel = 0.0f;
    ModelField field;
    Model* a = Gem({0.0f, 20.5f, 0.0f});
    Model* spent = Gem({2.0f, 20.0f, 2.0f}, false);  // already cut once
    Model* high = Gem({0.0f, 40.0f, 0.0f});          // above the blade's reach
    field.models = {a, Gem({1.0f, 19.5f, 1.0f}), spent, high};
    ParticleList particles;
    AdvanceAndCut(field, 0.5f, 0.0f, 0.0f, LevelBlade(20.0f), particles);
    EXPECT_EQ(field.cutCount, 2);
    ASSERT_EQ(field.models.size(), 6u);  // the two pieces last
    for (int i : {0, 1, 4, 5}) EXPECT_FALSE(field.models[i]->cuttable) << i;
    EXPECT_TRUE(high->cuttable && spent->faces.size() == 32u && !field.models[4]->faces.empty());
    // The halves were pushed apart and moved in the same step, pieces included.
    const Model& pieceA = *field.models[4];
    EXPECT_TRUE(a->velocity.y == -0.05f && a->position.y == 20.5f - 0.05f);
    EXPECT_TRUE(pieceA.velocity.y == 0.05f && pieceA.position.y == 20.5f + 0.05f && pieceA.position.x == 0.5f);
    EXPECT_TRUE(field.models[5]->position.x == 1.5f && spent->position.x == 2.5f);

    // Cut models and pieces are never struck again, even lying across the blade.
    const std::size_t sparks = particles.size();
    AdvanceAndCut(field, 0.0f, 0.0f, 0.0f, LevelBlade(20.0f), particles);
    EXPECT_TRUE(field.cutCount == 0 && particles.size() == sparks && field.models.size() == 6u);

    // Which gems a blade's hit triangle strikes.
    const Vec3 t0 = {0.0f, 0.0f, 0.0f}, t1 = {0.0f, 0.0f, 4.0f}, t2 = {4.0f, 0.0f, 0.0f};
    const struct { Vec3 centre; float r; bool hit; } cases[] = {
        {{1.0f, -0.5f, 1.0f}, 1.0f, true},   // below the triangle, within reach
        {{1.0f, 1.0f, 1.0f}, 1.0f, true},    // touching exactly
        {{1.0f, 1.5f, 1.0f}, 1.0f, false},   // projects inside but too far from the plane
        {{5.0f, 0.2f, 5.0f}, 1.0f, false},   // close to the plane, foot outside
        {{-0.5f, 0.0f, 1.0f}, 1.0f, false},  // in the plane, beside the triangle
        {{0.0f, 0.5f, 1.0f}, 1.0f, true},    // foot on an edge counts as inside
        {{0.0f, 0.5f, 0.0f}, 1.0f, true},    // foot on a corner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.centre.x << "," << c.centre.y << "," << c.centre.z);
        EXPECT_EQ(BladeHitsModel(c.centre, t0, t1, t2, c.r), c.hit);
        EXPECT_EQ(BladeHitsModel(c.centre, t0, t2, t1, c.r), c.hit) << "either winding";
    }
    // A blade seen edge-on has no plane and strikes nothing.
    EXPECT_FALSE(BladeHitsModel({1, 0, 1}, t0, t0, t2, 1.0f));
    EXPECT_FALSE(BladeHitsModel({1, 0, 0}, t0, {2, 0, 0}, t2, 1.0f));
}

// The play's sines and cosines are constants so that every build plays alike; they are the C
// library's, of the very arguments the game has always passed, rounded to float.
TEST(FieldStep, ThePlaysSinesAndCosinesAreTheLibrarysOfTheGamesArguments) {
    const auto sinF = [](double a) { return static_cast<float>(std::sin(a)); };
    const auto cosF = [](double a) { return static_cast<float>(std::cos(a)); };
    const double pi = std::acos(-1.0);
    for (int k = 0; k < 360; ++k) {
        const float ring = static_cast<float>(2 * k) * 3.1415f / 360.0f;
        EXPECT_TRUE(sinDeg[k] == sinF(k * pi / 180.0) && cosDeg[k] == cosF(k * pi / 180.0)) << std::hexfloat << k;
        EXPECT_TRUE(kRingCos[k] == cosF(ring) && kRingSin[k] == sinF(ring)) << k << " " << std::hexfloat << cosF(ring);
    }
    for (int n = kFewestFacets; n <= kMostFacets; ++n) {
        const SphereAngles& a = kSphereAngles[n - kFewestFacets];
        for (int i = 0; i <= n; ++i) {
            const float theta = (static_cast<float>(i) * 3.141593f) / static_cast<float>(n);
            const float phi = (static_cast<float>(i) * 6.283186f) / static_cast<float>(n);
            EXPECT_TRUE(a.sinTheta[i] == sinF(theta) && a.cosTheta[i] == cosF(theta)) << n << " " << i;
            EXPECT_TRUE(a.sinPhi[i] == sinF(phi) && a.cosPhi[i] == cosF(phi)) << n << " " << i;
        }
    }
}
