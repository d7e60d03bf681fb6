// Cuts gems and small made-up meshes with arbitrary planes and checks that both halves stay
// well formed: parallel lists, indices in range, nothing non-finite, counts that agree.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "mesh/Cut.h"
#include "mesh/Sphere.h"
#include "mesh/Random.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "cut invariant broken: %s\n", what);
    std::abort();
}

// Mostly small grid values (so vertices land exactly on planes and edges lie in them), sometimes
// arbitrary finite floats of any size; `bounded` goes false past 1e6, where sparks may overflow.
Vec3 Point(FuzzedDataProvider& data, bool& bounded) {
    float c[3];
    for (float& value : c) {
        switch (data.ConsumeIntegralInRange(0, 2)) {
            case 0: value = float(data.ConsumeIntegralInRange(-8, 8)) * 0.25f; break;
            case 1: value = data.ConsumeFloatingPointInRange(-200.0f, 200.0f); break;
            default:
                value = data.ConsumeFloatingPoint<float>();
                if (!std::isfinite(value)) value = 0.0f;
                bounded = bounded && std::fabs(value) <= 1e6f;
        }
    }
    return {c[0], c[1], c[2]};
}

bool WellFormed(const Model& m) {
    for (const auto& f : m.faces)
        for (int index : f) if (index < 0 || index >= int(m.vertices.size())) return false;
    for (const auto& v : m.vertices)
        if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) return false;
    const Vec3 s = m.velocity;
    return m.faces.size() == m.faceIsSurface.size() && !m.cuttable && std::isfinite(s.x + s.y + s.z);
}

long Caps(const Model& m) { return std::count(m.faceIsSurface.begin(), m.faceIsSurface.end(), false); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    bool bounded = true;
    // A gem, or a small made-up mesh whose faces may repeat corners and carry either flag.
    const bool gem = data.ConsumeBool();
    const Vec3 at = Point(data, bounded);
    std::unique_ptr<Model> model(gem ? GenerateSphereModel(data.ConsumeIntegralInRange(-1, 6), at)
                                     : MakeEmptyPiece(at));
    for (int i = model->vertices.empty() ? data.ConsumeIntegralInRange(1, 24) : 0; i > 0; --i) {
        const Vec3 p = Point(data, bounded);
        model->vertices.push_back({p.x, p.y, p.z});
    }
    for (int i = model->faces.empty() ? data.ConsumeIntegralInRange(0, 40) : 0; i > 0; --i) {
        const int last = int(model->vertices.size()) - 1;
        std::array<int, 3> f;
        for (int& index : f) index = data.ConsumeIntegralInRange(0, last);
        model->faces.push_back(f);
        model->faceIsSurface.push_back(data.ConsumeBool());
    }
    model->cuttable = false;
    const Vec3 p0 = Point(data, bounded), p1 = Point(data, bounded), p2 = Point(data, bounded);
    SeedGameRandom(data.ConsumeIntegral<unsigned>());

    const Model original = *model;
    std::unique_ptr<Model> piece(MakeEmptyPiece(model->position));
    ParticleList particles;
    CutModel(*model, p0, p1, p2, *piece, particles);

    Check(WellFormed(*model) && WellFormed(*piece), "halves well formed and not cuttable");
    if (piece->vertices.empty() && piece->faces.empty()) {  // no plane: nothing happened
        Check(model->vertices == original.vertices && model->faces == original.faces && particles.empty(),
              "degenerate cut leaves the model alone");
        return 0;
    }
    const std::size_t v = original.vertices.size(), added = model->vertices.size() - v;
    Check(piece->vertices == model->vertices, "both halves share the new points");
    Check(std::equal(original.vertices.begin(), original.vertices.end(), model->vertices.begin()), "old points kept");
    const long maxCaps = std::max(0L, long(added / 2) - 2);
    Check(added % 2 == 0 && particles.size() == 2 * added, "two points and four sparks per crossed face");
    Check(Caps(*model) - Caps(original) <= maxCaps && Caps(*piece) - Caps(original) <= maxCaps, "caps bounded");
    for (const Particle& p : particles) {
        Check(!bounded || std::isfinite(p.position[0] + p.position[1] + p.position[2] + p.velocity[0] + p.velocity[1] +
                                        p.velocity[2]), "finite sparks");
        Check(p.life >= 10 && p.life <= 29, "spark life");
    }
    return 0;
}
