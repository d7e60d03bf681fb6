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
        switch (data.ConsumeIntegralInRange(0, 3)) {
            case 0: value = float(data.ConsumeIntegralInRange(-8, 8)) * 0.25f; break;
            case 1: value = data.ConsumeFloatingPointInRange(-2.0f, 2.0f); break;
            case 2: value = data.ConsumeFloatingPointInRange(-200.0f, 200.0f); break;
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
        for (int index : f)
            if (index < 0 || index >= int(m.vertices.size())) return false;
    for (const auto& v : m.vertices)
        if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) return false;
    return m.faces.size() == m.faceIsSurface.size() && !m.cuttable && std::isfinite(m.velocity.x) &&
           std::isfinite(m.velocity.y) && std::isfinite(m.velocity.z);
}

long Caps(const Model& m) { return std::count(m.faceIsSurface.begin(), m.faceIsSurface.end(), false); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    bool bounded = true;
    std::unique_ptr<Model> model;
    if (data.ConsumeBool()) {
        const int n = data.ConsumeIntegralInRange(-1, 6);
        model.reset(GenerateSphereModel(n, Point(data, bounded)));
    } else {
        model.reset(new Model);
        model->position = Point(data, bounded);
        const int vertices = data.ConsumeIntegralInRange(1, 24);
        for (int i = 0; i < vertices; ++i) {
            const Vec3 p = Point(data, bounded);
            model->vertices.push_back({p.x, p.y, p.z});
        }
        for (int i = data.ConsumeIntegralInRange(0, 40); i > 0; --i) {
            std::array<int, 3> f;
            for (int& index : f) index = data.ConsumeIntegralInRange(0, vertices - 1);
            model->faces.push_back(f);
            model->faceIsSurface.push_back(data.ConsumeBool());
        }
    }
    model->cuttable = false;
    const Vec3 p0 = Point(data, bounded), p1 = Point(data, bounded), p2 = Point(data, bounded);
    std::srand(data.ConsumeIntegral<unsigned>());

    const Model original = *model;
    std::unique_ptr<Model> piece(MakeEmptyPiece(model->position));
    ParticleList particles;
    CutModel(*model, p0, p1, p2, *piece, particles);

    Check(WellFormed(*model) && WellFormed(*piece), "halves well formed and not cuttable");
    Check(piece->position.x == model->position.x || std::isnan(model->position.x), "piece starts at the model");
    const std::size_t v = original.vertices.size();
    if (piece->vertices.empty() && piece->faces.empty()) {  // no plane: nothing happened
        Check(model->vertices == original.vertices && model->faces == original.faces && particles.empty(),
              "degenerate cut leaves the model alone");
        return 0;
    }
    Check(piece->vertices == model->vertices, "both halves share the new points");
    Check(model->vertices.size() >= v && std::equal(original.vertices.begin(), original.vertices.end(),
                                                    model->vertices.begin()), "existing vertices unchanged");
    const std::size_t added = model->vertices.size() - v;
    const long crossed = long(added / 2), maxCaps = std::max(0L, crossed - 2);
    Check(added % 2 == 0 && particles.size() == 2 * added, "two points and four sparks per crossed face");
    Check(Caps(*model) - Caps(original) <= maxCaps && Caps(*piece) - Caps(original) <= maxCaps, "caps bounded");
    for (const Particle& p : particles) {
        for (int i = 0; i < 3; ++i)
            Check(!bounded || (std::isfinite(p.position[i]) && std::isfinite(p.velocity[i])), "finite sparks");
        Check(p.life >= 10 && p.life <= 29, "spark life");
    }
    return 0;
}
