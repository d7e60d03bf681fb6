#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mesh/Field.h"
#include "mesh/Sphere.h"

namespace {

std::vector<std::string> plays;

std::vector<int> DrawsFor(unsigned seed, int count) {
    std::srand(seed);
    std::vector<int> draws(count);
    for (int& d : draws) d = std::rand();
    return draws;
}

// The first seed whose first `draws` rand() values all decline (or, with `spawn`, whose first
// accepts) a new gem.
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

TEST(FieldStep, RemovesOnlyBelowTheFloorAndKeepsOrder) {
    ModelField field;
    Model *atFloor = Gem({0, 3.0f, 0}), *high = Gem({0, 10.0f, 0});
    high->velocity = {0.0f, 0.5f, 0.0f};
    field.models = {atFloor, Gem({0, 2.9999f, 0}), high};
    field.cutCount = 5;
    std::srand(Seed(2));
    AdvanceModels(field, 0.5f, -1.0f, 0.25f);
    EXPECT_EQ(field.cutCount, 0);
    EXPECT_EQ(field.models, (std::vector<Model*>{atFloor, high}));  // y exactly 3.0 stays
    EXPECT_TRUE(atFloor->position.x == 0.5f && atFloor->position.y == 2.0f && atFloor->position.z == 0.25f);
    EXPECT_EQ(high->position.y, 9.5f);  // scroll plus its own drift
    AdvanceModels(field, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(field.models, (std::vector<Model*>{high}));
}

TEST(FieldStep, SpawnTestsPrewarmAndNewGems) {
    ModelField field;
    // One spawn test per plain step, whatever the scroll.
    const int fourth = DrawsFor(Seed(3), 4)[3];
    std::srand(Seed(3));
    for (float dy : {0.0f, -5.0f, 5.0f}) AdvanceModels(field, 0.0f, dy, 0.0f);
    EXPECT_EQ(std::rand(), fourth);
    EXPECT_TRUE(field.models.empty());

    // A spawning draw is followed by the ring angle and the size.
    const unsigned seed = Seed(1, true);
    const std::vector<int> r = DrawsFor(seed, 4);
    std::srand(seed);
    AdvanceModels(field, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(std::rand(), r[3]);
    ASSERT_EQ(field.models.size(), 1u);
    const Model& gem = *field.models[0];
    const double radians = r[1] % 360 * 3.1415 / 180.0;
    EXPECT_TRUE(gem.cuttable && gem.position.y == 150.0f);
    EXPECT_NEAR(gem.position.x, std::cos(radians) * 1.25, 1e-5);
    EXPECT_NEAR(gem.position.z, std::sin(radians) * 1.15, 1e-5);
    EXPECT_EQ(gem.vertices.size(), std::size_t((r[2] % 3 + 4) * (r[2] % 3 + 4)));

    // The warm-up: 300 such steps, nothing removed; replay one test per step, two more per gem.
    std::srand(31337);
    std::vector<int> bornAt;
    for (int step = 0; step < 300; ++step)
        if (std::rand() % 48 == 0) bornAt.push_back(step), std::rand(), std::rand();
    const int next = std::rand();
    std::srand(31337);
    std::unique_ptr<ModelField> warm(PrewarmField());
    EXPECT_EQ(std::rand(), next);
    ASSERT_EQ(warm->models.size(), bornAt.size());
    ASSERT_FALSE(bornAt.empty());
    for (std::size_t i = 0; i < bornAt.size(); ++i)  // drifts start the step after its spawn
        EXPECT_NEAR(warm->models[i]->position.y, 150.0f - 0.05f * (299 - bornAt[i]), 1e-3f);
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
        std::srand(seed);
        AdvanceAndCut(field, 0.0f, s.dy, 0.0f, LevelBlade(-100.0f), particles);
        EXPECT_EQ(std::rand(), r[s.tests]);
        // The first exactly: the half units are added in double and rounded back each time.
        EXPECT_NEAR(spawnTravel, s.left, &s == steps ? 0.0f : 1e-6f);
    }
    spawnTravel = 0.0f;
}

TEST(FieldStep, SeveralCutsInOneStep) {
    const CutSoundFn saved = cutSoundPlayer;
    cutSoundPlayer = [](const char* path) { plays.emplace_back(path); };
    plays.clear();
    spawnTravel = 0.0f;
    ModelField field;
    Model* a = Gem({0.0f, 20.5f, 0.0f});
    Model* spent = Gem({2.0f, 20.0f, 2.0f}, false);  // already cut once
    Model* high = Gem({0.0f, 40.0f, 0.0f});          // above the blade's reach
    field.models = {a, Gem({1.0f, 19.5f, 1.0f}), spent, high};
    ParticleList particles;
    AdvanceAndCut(field, 0.5f, 0.0f, 0.0f, LevelBlade(20.0f), particles);
    const std::vector<std::string> twice = {"res/se/cut.wav", "res/se/cut.wav"};
    EXPECT_EQ(field.cutCount, 2);
    EXPECT_EQ(plays, twice);
    ASSERT_EQ(field.models.size(), 6u);
    for (int i : {0, 1, 4, 5}) EXPECT_FALSE(field.models[i]->cuttable) << i;
    EXPECT_TRUE(high->cuttable && spent->faces.size() == 32u);
    EXPECT_FALSE(particles.empty() || a->faces.empty() || field.models[4]->faces.empty());
    // The halves were pushed apart and moved in the same step, pieces included.
    const Model& pieceA = *field.models[4];
    EXPECT_TRUE(a->velocity.y == -0.05f && a->position.y == 20.5f - 0.05f);
    EXPECT_TRUE(pieceA.velocity.y == 0.05f && pieceA.position.y == 20.5f + 0.05f && pieceA.position.x == 0.5f);
    EXPECT_TRUE(field.models[5]->position.x == 1.5f && spent->position.x == 2.5f);

    // Cut models and pieces are never struck again, even lying across the blade.
    const std::size_t sparks = particles.size();
    AdvanceAndCut(field, 0.0f, 0.0f, 0.0f, LevelBlade(20.0f), particles);
    EXPECT_TRUE(field.cutCount == 0 && plays == twice && particles.size() == sparks && field.models.size() == 6u);
    cutSoundPlayer = saved;
}

TEST(FieldStep, BladeHitsModel) {
    const Vec3 t0 = {0.0f, 0.0f, 0.0f}, t1 = {0.0f, 0.0f, 4.0f}, t2 = {4.0f, 0.0f, 0.0f};
    const struct { Vec3 centre; float r; bool hit; } cases[] = {
        {{1.0f, 0.5f, 1.0f}, 1.0f, true},    // above the triangle, within reach
        {{1.0f, -0.99f, 1.0f}, 1.0f, true},  // below works too
        {{1.0f, 1.0f, 1.0f}, 1.0f, true},    // touching exactly
        {{1.0f, 1.5f, 1.0f}, 1.0f, false},   // projects inside but too far from the plane
        {{1.0f, 1.5f, 1.0f}, 2.0f, true},    // same centre, larger sphere
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
