// Speed of the gem code: one cut, the title screen's warm-up, and one cutting step.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "mesh/Cut.h"
#include "mesh/Field.h"
#include "mesh/Model.h"
#include "mesh/Sphere.h"
#include "mesh/Random.h"

namespace {

// A tilted blade plane through the origin, as the player's blade usually meets a gem.
constexpr Vec3 kCut0 = {0.0f, 0.0f, 0.0f};
constexpr Vec3 kCut1 = {0.2f, 0.15f, 1.0f};
constexpr Vec3 kCut2 = {1.0f, -0.3f, 0.1f};

// Fresh gem, piece and spark list for every cut, without fresh allocations.
struct CutBench {
    std::unique_ptr<Model> whole{GenerateSphereModel(5, {0.0f, 0.0f, 0.0f})};
    Model model;
    Model piece;
    ParticleList particles;

    void Reset() {
        model = *whole;
        model.cuttable = false;
        piece.vertices.clear();
        piece.faces.clear();
        piece.faceIsSurface.clear();
        piece.velocity = {};
        particles.clear();
    }
};

// The cost of resetting the inputs alone, to subtract from the cut below.
void BM_CutReset(benchmark::State& state) {
    CutBench bench;
    for (auto _ : state) {
        bench.Reset();
        benchmark::DoNotOptimize(bench.model.faces.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CutReset);

void BM_CutSphereThroughCentre(benchmark::State& state) {
    CutBench bench;
    SeedGameRandom(1);
    for (auto _ : state) {
        bench.Reset();
        CutModel(bench.model, kCut0, kCut1, kCut2, bench.piece, bench.particles);
        benchmark::DoNotOptimize(bench.piece.faces.data());
        benchmark::ClobberMemory();
    }
    state.counters["faces"] = static_cast<double>(bench.model.faces.size());
    state.counters["sparks"] = static_cast<double>(bench.particles.size());
}
BENCHMARK(BM_CutSphereThroughCentre);

// The title screen's start-up: prewarm, then 12,000 steps of the stream.
void BM_FieldWarmUp(benchmark::State& state) {
    unsigned seed = 1;
    std::size_t models = 0;
    for (auto _ : state) {
        SeedGameRandom(seed++);
        std::unique_ptr<ModelField> field(PrewarmField());
        for (int i = 0; i < 12000; ++i) AdvanceModels(*field, 0.0f, -0.55f, 0.0f);
        models = field->models.size();
        benchmark::DoNotOptimize(field->models.data());
    }
    state.counters["models"] = static_cast<double>(models);
}
BENCHMARK(BM_FieldWarmUp)->Unit(benchmark::kMillisecond);

// A blade across the ring at height y, as wide as the tube.
BladeGeometry BladeAt(float y) {
    BladeGeometry blade;
    blade.hitTriangle[0] = {-3.0f, y, -3.0f};
    blade.hitTriangle[1] = {-3.0f, y, 6.0f};
    blade.hitTriangle[2] = {6.0f, y, -3.0f};
    blade.cutTriangle[0] = {0.0f, y, 0.0f};
    blade.cutTriangle[1] = {0.2f, y + 0.1f, 1.0f};
    blade.cutTriangle[2] = {1.0f, y - 0.2f, 0.1f};
    return blade;
}

// One cutting step of a full field in its steady state. With the blade in the stream every
// gem is cut once on its way down, so the average includes the cuts; state.range(0) = 0
// keeps the blade out of reach.
void BM_AdvanceAndCutFullField(benchmark::State& state) {
    SeedGameRandom(7);
    std::unique_ptr<ModelField> field(PrewarmField());
    for (int i = 0; i < 12000; ++i) AdvanceModels(*field, 0.0f, -0.55f, 0.0f);
    const BladeGeometry blade = BladeAt(state.range(0) != 0 ? 8.0f : -50.0f);
    ParticleList particles;
    long cuts = 0;
    long models = 0;
    for (auto _ : state) {
        AdvanceAndCut(*field, 0.0f, -0.55f, 0.0f, blade, particles);
        cuts += field->cutCount;
        models += static_cast<long>(field->models.size());
        // The game scene ages sparks away; keep the list from growing without bound.
        if (particles.size() > 4096) particles.clear();
    }
    state.counters["cutsPerStep"] = benchmark::Counter(static_cast<double>(cuts), benchmark::Counter::kAvgIterations);
    state.counters["models"] = benchmark::Counter(static_cast<double>(models), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AdvanceAndCutFullField)->Arg(1)->Arg(0);

}  // namespace
