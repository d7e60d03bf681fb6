// Cuts gems and small made-up meshes with arbitrary planes and checks that both halves stay
// well formed: parallel lists, indices in range, nothing non-finite, counts that agree.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "mesh/Cut.h"
#include "mesh/Model.h"
#include "mesh/Sphere.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "cut invariant broken: %s\n", what);
    std::abort();
}

// Coordinates: mostly small grid values (so vertices land exactly on planes and edges lie in
// them), sometimes arbitrary finite floats of any size.
float Coordinate(FuzzedDataProvider& data, bool& bounded) {
    switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return static_cast<float>(data.ConsumeIntegralInRange(-8, 8)) * 0.25f;
        case 1:
            return data.ConsumeFloatingPointInRange(-2.0f, 2.0f);
        case 2:
            return data.ConsumeFloatingPointInRange(-200.0f, 200.0f);
        default: {
            const float value = data.ConsumeFloatingPoint<float>();
            if (!std::isfinite(value)) return 0.0f;
            if (std::fabs(value) > 1e6f) bounded = false;
            return value;
        }
    }
}

Vec3 Point(FuzzedDataProvider& data, bool& bounded) {
    const float x = Coordinate(data, bounded);
    const float y = Coordinate(data, bounded);
    const float z = Coordinate(data, bounded);
    return {x, y, z};
}

bool Finite(const Model& m) {
    for (const auto& v : m.vertices) {
        if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) return false;
    }
    return std::isfinite(m.velocity.x) && std::isfinite(m.velocity.y) && std::isfinite(m.velocity.z);
}

bool IndicesInRange(const Model& m) {
    const int count = static_cast<int>(m.vertices.size());
    for (const auto& f : m.faces) {
        for (int index : f) {
            if (index < 0 || index >= count) return false;
        }
    }
    return true;
}

int Caps(const Model& m) {
    int caps = 0;
    for (bool flag : m.faceIsSurface) caps += flag ? 0 : 1;
    return caps;
}

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
        const int faces = data.ConsumeIntegralInRange(0, 40);
        for (int i = 0; i < faces; ++i) {
            const int a = data.ConsumeIntegralInRange(0, vertices - 1);
            const int b = data.ConsumeIntegralInRange(0, vertices - 1);
            const int c = data.ConsumeIntegralInRange(0, vertices - 1);
            model->faces.push_back({a, b, c});
            model->faceIsSurface.push_back(data.ConsumeBool());
        }
    }
    model->cuttable = false;
    const Vec3 p0 = Point(data, bounded);
    const Vec3 p1 = Point(data, bounded);
    const Vec3 p2 = Point(data, bounded);
    std::srand(data.ConsumeIntegral<unsigned>());

    const Model original = *model;
    std::unique_ptr<Model> piece(MakeEmptyPiece(model->position));
    ParticleList particles;
    CutModel(*model, p0, p1, p2, *piece, particles);

    for (const Model* half : {model.get(), piece.get()}) {
        Check(half->faces.size() == half->faceIsSurface.size(), "faces and flags parallel");
        Check(IndicesInRange(*half), "face indices in range");
        Check(Finite(*half), "finite vertices and velocity");
        Check(!half->cuttable, "halves are not cuttable");
    }
    Check(piece->position.x == model->position.x || std::isnan(model->position.x),
          "piece starts where the model is");

    const std::size_t v = original.vertices.size();
    if (piece->vertices.empty() && piece->faces.empty()) {
        // No plane: the model is untouched and nothing else happened.
        Check(model->vertices == original.vertices, "degenerate cut keeps vertices");
        Check(model->faces == original.faces, "degenerate cut keeps faces");
        Check(particles.empty(), "degenerate cut throws no sparks");
        return 0;
    }
    Check(piece->vertices == model->vertices, "both halves share the new points");
    Check(model->vertices.size() >= v, "vertices only grow");
    for (std::size_t i = 0; i < v; ++i) {
        Check(model->vertices[i] == original.vertices[i], "existing vertices unchanged");
    }
    const std::size_t added = model->vertices.size() - v;
    Check(added % 2 == 0, "two points per crossed face");
    const int crossed = static_cast<int>(added / 2);
    Check(particles.size() == 4 * static_cast<std::size_t>(crossed), "four sparks per crossed face");
    const int maxCaps = crossed > 2 ? crossed - 2 : 0;
    Check(Caps(*model) - Caps(original) <= maxCaps, "model caps bounded");
    Check(Caps(*piece) - Caps(original) <= maxCaps, "piece caps bounded");
    if (bounded) {
        for (const Particle& p : particles) {
            for (int i = 0; i < 3; ++i) {
                Check(std::isfinite(p.position[i]) && std::isfinite(p.velocity[i]), "finite sparks");
            }
            Check(p.life >= 10 && p.life <= 29, "spark life");
        }
    }
    return 0;
}
