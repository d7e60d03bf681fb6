#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mesh/Field.h"
#include "mesh/Model.h"
#include "mesh/Sphere.h"

namespace {

std::vector<std::string> plays;
void CountPlay(const char* path) { plays.emplace_back(path); }

// Swaps the cut sound for a counter for the length of a test.
struct SoundCounter {
    CutSoundFn saved = cutSoundPlayer;
    SoundCounter() {
        plays.clear();
        cutSoundPlayer = CountPlay;
    }
    ~SoundCounter() { cutSoundPlayer = saved; }
};

// A seed whose first `draws` rand() values all decline to spawn a gem.
unsigned SeedWithoutSpawns(int draws) {
    for (unsigned seed = 1;; ++seed) {
        std::srand(seed);
        bool ok = true;
        for (int i = 0; i < draws; ++i) ok = ok && (std::rand() % 48 != 0);
        if (ok) return seed;
    }
}

std::vector<int> DrawsFor(unsigned seed, int count) {
    std::srand(seed);
    std::vector<int> draws(count);
    for (int& d : draws) d = std::rand();
    return draws;
}

Model* Gem(Vec3 position, bool cuttable = true) {
    Model* m = GenerateSphereModel(4, position);
    m->cuttable = cuttable;
    return m;
}

// A level blade at height y: a large hit triangle and the cutting plane, normal +y.
BladeGeometry LevelBlade(float y) {
    BladeGeometry blade;
    blade.hitTriangle[0] = {-10.0f, y, -10.0f};
    blade.hitTriangle[1] = {-10.0f, y, 30.0f};
    blade.hitTriangle[2] = {30.0f, y, -10.0f};
    blade.cutTriangle[0] = {0.0f, y, 0.0f};
    blade.cutTriangle[1] = {0.0f, y, 1.0f};
    blade.cutTriangle[2] = {1.0f, y, 0.0f};
    return blade;
}

}  // namespace

TEST(FieldStep, RemovesOnlyBelowTheFloorAndKeepsOrder) {
    ModelField field;
    field.models = {Gem({0, 3.0f, 0}), Gem({0, 2.9999f, 0}), Gem({0, 10.0f, 0})};
    field.models[2]->velocity = {0.0f, 0.5f, 0.0f};
    Model* atFloor = field.models[0];
    Model* high = field.models[2];
    field.cutCount = 5;
    std::srand(SeedWithoutSpawns(2));
    AdvanceModels(field, 0.5f, -1.0f, 0.25f);
    EXPECT_EQ(field.cutCount, 0);
    ASSERT_EQ(field.models.size(), 2u);
    EXPECT_EQ(field.models[0], atFloor);
    EXPECT_EQ(field.models[1], high);
    EXPECT_EQ(atFloor->position.y, 2.0f);
    EXPECT_EQ(atFloor->position.x, 0.5f);
    EXPECT_EQ(atFloor->position.z, 0.25f);
    EXPECT_EQ(high->position.y, 9.5f);  // scroll plus its own drift
    AdvanceModels(field, 0.0f, 0.0f, 0.0f);
    ASSERT_EQ(field.models.size(), 1u);
    EXPECT_EQ(field.models[0], high);
}

TEST(FieldStep, SpawnTestsAndNewGems) {
    ModelField field;
    // One spawn test per plain step, whatever the scroll.
    const unsigned quiet = SeedWithoutSpawns(3);
    const std::vector<int> draws = DrawsFor(quiet, 4);
    std::srand(quiet);
    AdvanceModels(field, 0.0f, 0.0f, 0.0f);
    AdvanceModels(field, 0.0f, -5.0f, 0.0f);
    AdvanceModels(field, 0.0f, 5.0f, 0.0f);
    EXPECT_EQ(std::rand(), draws[3]);
    EXPECT_TRUE(field.models.empty());

    // A spawning draw is followed by the ring angle and the size.
    unsigned seed = 1;
    while (DrawsFor(seed, 1)[0] % 48 != 0) ++seed;
    const std::vector<int> spawnDraws = DrawsFor(seed, 4);
    std::srand(seed);
    AdvanceModels(field, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(std::rand(), spawnDraws[3]);
    ASSERT_EQ(field.models.size(), 1u);
    const Model& gem = *field.models[0];
    const int degrees = spawnDraws[1] % 360;
    const int n = spawnDraws[2] % 3 + 3;
    EXPECT_TRUE(gem.cuttable);
    EXPECT_EQ(gem.position.y, 150.0f);
    EXPECT_NEAR(gem.position.x, std::cos(degrees * 3.1415 / 180.0) * 1.25, 1e-5);
    EXPECT_NEAR(gem.position.z, std::sin(degrees * 3.1415 / 180.0) * 1.15, 1e-5);
    EXPECT_EQ(gem.vertices.size(), static_cast<std::size_t>((n + 1) * (n + 1)));
}

TEST(FieldStep, PrewarmRunsThreeHundredStepsWithoutRemoving) {
    const unsigned seed = 31337;
    // Replay the draws: one test per step, two more for each gem spawned.
    std::srand(seed);
    std::vector<int> bornAt;
    for (int step = 0; step < 300; ++step) {
        if (std::rand() % 48 == 0) {
            std::rand();
            std::rand();
            bornAt.push_back(step);
        }
    }
    const int next = std::rand();
    ASSERT_FALSE(bornAt.empty());

    std::srand(seed);
    std::unique_ptr<ModelField> field(PrewarmField());
    EXPECT_EQ(std::rand(), next);
    ASSERT_EQ(field->models.size(), bornAt.size());
    EXPECT_EQ(field->cutCount, 0);
    for (std::size_t i = 0; i < bornAt.size(); ++i) {
        const int steps = 299 - bornAt[i];  // drifts start the step after its spawn
        EXPECT_NEAR(field->models[i]->position.y, 150.0f - 0.05f * steps, 1e-3f);
        EXPECT_TRUE(field->models[i]->cuttable);
    }
}

TEST(FieldStep, TravelPacesTheCuttingStepsSpawns) {
    ModelField field;
    const BladeGeometry blade = LevelBlade(-100.0f);
    ParticleList particles;
    const unsigned seed = SeedWithoutSpawns(2);
    const std::vector<int> draws = DrawsFor(seed, 3);

    spawnTravel = 0.0f;
    std::srand(seed);
    AdvanceAndCut(field, 0.0f, -1.2f, 0.0f, blade, particles);
    EXPECT_EQ(std::rand(), draws[2]) << "1.2 units down makes two spawn tests";
    float expected = -1.2f;
    expected = static_cast<float>(expected + 0.5);
    expected = static_cast<float>(expected + 0.5);
    EXPECT_EQ(spawnTravel, expected);
    EXPECT_NEAR(spawnTravel, -0.2f, 1e-6f);

    // Upward or no travel makes none; the remainder carries over.
    std::srand(seed);
    AdvanceAndCut(field, 0.0f, 0.0f, 0.0f, blade, particles);
    AdvanceAndCut(field, 0.0f, 0.15f, 0.0f, blade, particles);
    EXPECT_EQ(std::rand(), draws[0]);
    EXPECT_NEAR(spawnTravel, -0.05f, 1e-6f);
    std::srand(seed);
    AdvanceAndCut(field, 0.0f, -0.4f, 0.0f, blade, particles);
    EXPECT_EQ(std::rand(), draws[0]) << "-0.45 is not yet half a unit";
    std::srand(seed);
    AdvanceAndCut(field, 0.0f, -0.1f, 0.0f, blade, particles);
    EXPECT_EQ(std::rand(), draws[1]) << "-0.55 crosses it once";
    EXPECT_NEAR(spawnTravel, -0.05f, 1e-6f);
    spawnTravel = 0.0f;
}

TEST(FieldStep, SeveralCutsInOneStep) {
    SoundCounter sound;
    spawnTravel = 0.0f;
    ModelField field;
    Model* a = Gem({0.0f, 20.5f, 0.0f});
    Model* b = Gem({1.0f, 19.5f, 1.0f});
    Model* spent = Gem({2.0f, 20.0f, 2.0f}, false);   // already cut once
    Model* high = Gem({0.0f, 40.0f, 0.0f});           // above the blade's reach
    field.models = {a, b, spent, high};
    const BladeGeometry blade = LevelBlade(20.0f);
    ParticleList particles;

    AdvanceAndCut(field, 0.5f, 0.0f, 0.0f, blade, particles);
    EXPECT_EQ(field.cutCount, 2);
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[0], "res/se/cut.wav");
    EXPECT_EQ(plays[1], "res/se/cut.wav");
    ASSERT_EQ(field.models.size(), 6u);
    Model* pieceA = field.models[4];
    Model* pieceB = field.models[5];
    EXPECT_FALSE(a->cuttable);
    EXPECT_FALSE(b->cuttable);
    EXPECT_FALSE(pieceA->cuttable);
    EXPECT_FALSE(pieceB->cuttable);
    EXPECT_TRUE(high->cuttable);
    EXPECT_EQ(spent->faces.size(), 32u);
    EXPECT_FALSE(particles.empty());
    EXPECT_FALSE(pieceA->faces.empty());
    EXPECT_FALSE(a->faces.empty());

    // The halves were pushed apart and moved in the same step, pieces included.
    EXPECT_EQ(a->velocity.y, -0.05f);
    EXPECT_EQ(pieceA->velocity.y, 0.05f);
    EXPECT_EQ(a->position.x, 0.5f);
    EXPECT_EQ(a->position.y, 20.5f - 0.05f);
    EXPECT_EQ(pieceA->position.x, 0.5f);
    EXPECT_EQ(pieceA->position.y, 20.5f + 0.05f);
    EXPECT_EQ(pieceB->position.x, 1.5f);
    EXPECT_EQ(spent->position.x, 2.5f);

    // Cut models and pieces are never struck again, even lying across the blade.
    const std::size_t sparks = particles.size();
    AdvanceAndCut(field, 0.0f, 0.0f, 0.0f, blade, particles);
    EXPECT_EQ(field.cutCount, 0);
    EXPECT_EQ(plays.size(), 2u);
    EXPECT_EQ(particles.size(), sparks);
    EXPECT_EQ(field.models.size(), 6u);
}

TEST(FieldStep, BladeHitsModel) {
    const Vec3 t0 = {0.0f, 0.0f, 0.0f}, t1 = {0.0f, 0.0f, 4.0f}, t2 = {4.0f, 0.0f, 0.0f};
    struct Case { Vec3 centre; float r; bool hit; };
    const Case cases[] = {
        {{1.0f, 0.5f, 1.0f}, 1.0f, true},     // above the triangle, within reach
        {{1.0f, -0.99f, 1.0f}, 1.0f, true},   // below works too
        {{1.0f, 1.0f, 1.0f}, 1.0f, true},     // touching exactly
        {{1.0f, 1.5f, 1.0f}, 1.0f, false},    // projects inside but too far from the plane
        {{1.0f, 1.5f, 1.0f}, 2.0f, true},     // same centre, larger sphere
        {{5.0f, 0.2f, 5.0f}, 1.0f, false},    // close to the plane, foot outside
        {{-0.5f, 0.0f, 1.0f}, 1.0f, false},   // in the plane, beside the triangle
        {{0.0f, 0.5f, 1.0f}, 1.0f, true},     // foot on an edge counts as inside
        {{0.0f, 0.5f, 0.0f}, 1.0f, true},     // foot on a corner
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.centre.x << "," << c.centre.y << "," << c.centre.z);
        EXPECT_EQ(BladeHitsModel(c.centre, t0, t1, t2, c.r), c.hit);
        EXPECT_EQ(BladeHitsModel(c.centre, t0, t2, t1, c.r), c.hit) << "either winding";
    }
    // A blade seen edge-on has no plane and strikes nothing.
    EXPECT_FALSE(BladeHitsModel({1, 0, 1}, t0, t0, t2, 1.0f));
    EXPECT_FALSE(BladeHitsModel({1, 0, 0}, t0, {2, 0, 0}, t2, 1.0f));
}
