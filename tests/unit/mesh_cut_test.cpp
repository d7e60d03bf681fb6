#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "mesh/Cut.h"
#include "mesh/Model.h"
#include "mesh/Sphere.h"

namespace {

using Face = std::array<int, 3>;

Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 V(const std::array<float, 3>& v) { return {v[0], v[1], v[2]}; }

// The blade plane's unit normal, rounded the way the game rounds it.
Vec3 UnitNormal(Vec3 p0, Vec3 p1, Vec3 p2) {
    const Vec3 n = Cross(Sub(p1, p0), Sub(p2, p0));
    const double length = std::sqrt(static_cast<double>(Dot(n, n)));
    return {static_cast<float>(n.x / length), static_cast<float>(n.y / length),
            static_cast<float>(n.z / length)};
}

Vec3 FaceNormal(const Model& m, const Face& f) {
    const Vec3 p = V(m.vertices[f[0]]);
    return Cross(Sub(V(m.vertices[f[1]]), p), Sub(V(m.vertices[f[2]]), p));
}

double Length(Vec3 v) { return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z); }

// Sum of the faces' area vectors: zero for a closed surface.
Vec3 AreaVectorSum(const Model& m) {
    double s[3] = {0, 0, 0};
    for (const Face& f : m.faces) {
        const Vec3 n = FaceNormal(m, f);
        s[0] += n.x;
        s[1] += n.y;
        s[2] += n.z;
    }
    return {float(s[0]), float(s[1]), float(s[2])};
}

double Area(const Model& m, bool surface) {
    double total = 0.0;
    for (std::size_t i = 0; i < m.faces.size(); ++i) {
        if (m.faceIsSurface[i] == surface) total += 0.5 * Length(FaceNormal(m, m.faces[i]));
    }
    return total;
}

int CapCount(const Model& m) {
    int count = 0;
    for (bool flag : m.faceIsSurface) count += flag ? 0 : 1;
    return count;
}

struct Cut {
    std::unique_ptr<Model> model;
    std::unique_ptr<Model> piece;
    ParticleList particles;
};

// Cuts a sphere of n subdivisions at position with the plane p0, p1, p2 (world).
Cut CutSphere(int n, Vec3 position, Vec3 p0, Vec3 p1, Vec3 p2) {
    Cut c;
    c.model.reset(GenerateSphereModel(n, position));
    c.model->cuttable = false;
    c.piece.reset(MakeEmptyPiece(position));
    CutModel(*c.model, p0, p1, p2, *c.piece, c.particles);
    return c;
}

// Horizontal plane at height y, normal +y.
void Horizontal(float y, Vec3& p0, Vec3& p1, Vec3& p2) {
    p0 = {0.0f, y, 0.0f};
    p1 = {0.0f, y, 1.0f};
    p2 = {1.0f, y, 0.0f};
}

void ExpectWellFormed(const Model& m) {
    ASSERT_EQ(m.faces.size(), m.faceIsSurface.size());
    const int count = static_cast<int>(m.vertices.size());
    for (const Face& f : m.faces) {
        for (int index : f) {
            ASSERT_GE(index, 0);
            ASSERT_LT(index, count);
        }
    }
    for (const auto& v : m.vertices) {
        for (float value : v) ASSERT_TRUE(std::isfinite(value));
    }
    ASSERT_TRUE(std::isfinite(m.velocity.x) && std::isfinite(m.velocity.y) &&
                std::isfinite(m.velocity.z));
}

}  // namespace

TEST(CutPlane, PlaneThatMissesLeavesOneHalfWhole) {
    const Vec3 position = {0.5f, 20.0f, -0.5f};
    for (float height : {25.0f, 15.0f}) {
        SCOPED_TRACE(height);
        Vec3 p0, p1, p2;
        Horizontal(height, p0, p1, p2);
        std::srand(77);
        const int next = std::rand();
        std::srand(77);
        Cut c = CutSphere(4, position, p0, p1, p2);
        EXPECT_EQ(std::rand(), next) << "a miss draws no random numbers";
        const bool aboveModel = height > position.y;
        // Plane above: the whole gem is on the negative side and the model keeps it.
        EXPECT_EQ(c.model->faces.size(), aboveModel ? 32u : 0u);
        EXPECT_EQ(c.piece->faces.size(), aboveModel ? 0u : 32u);
        EXPECT_EQ(c.model->vertices.size(), 25u);
        EXPECT_EQ(c.piece->vertices.size(), 25u);
        EXPECT_EQ(c.piece->faceIsSurface.size(), c.piece->faces.size());
        EXPECT_EQ(CapCount(*c.model) + CapCount(*c.piece), 0);
        EXPECT_TRUE(c.particles.empty());
        EXPECT_EQ(c.model->velocity.y, 0.0f);
        EXPECT_EQ(c.piece->velocity.y, 0.0f);
        EXPECT_EQ(c.piece->position.y, position.y);
    }
}

TEST(CutPlane, ThroughTheCentreCapsBothHalvesAndPushesThemApart) {
    struct Case { int n; Vec3 position; Vec3 p0, p1, p2; bool horizontal; };
    std::vector<Case> cases;
    for (int n : {3, 4, 5}) {
        const Vec3 pos = n == 4 ? Vec3{0.0f, 0.0f, 0.0f} : Vec3{1.25f, 40.0f, -0.75f};
        Case h{n, pos, {}, {}, {}, true};
        Horizontal(pos.y, h.p0, h.p1, h.p2);
        cases.push_back(h);
        // An oblique blade through the centre, tilted about two axes.
        cases.push_back({n, pos, pos, Add(pos, {0.3f, 0.2f, 1.0f}), Add(pos, {1.0f, -0.4f, 0.1f}), false});
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(::testing::Message() << "n=" << k.n << " horizontal=" << k.horizontal);
        Cut c = CutSphere(k.n, k.position, k.p0, k.p1, k.p2);
        ExpectWellFormed(*c.model);
        ExpectWellFormed(*c.piece);
        const Vec3 nHat = UnitNormal(k.p0, k.p1, k.p2);
        const std::size_t original = static_cast<std::size_t>((k.n + 1) * (k.n + 1));
        const int crossed = static_cast<int>(c.model->vertices.size() - original) / 2;
        ASSERT_GE(crossed, 3);
        EXPECT_EQ(c.piece->vertices, c.model->vertices);
        EXPECT_EQ(c.particles.size(), static_cast<std::size_t>(4 * crossed));
        EXPECT_EQ(CapCount(*c.model), crossed - 2);
        EXPECT_EQ(CapCount(*c.piece), crossed - 2);

        const int anchor = static_cast<int>(original) + 1;
        for (std::size_t i = 0; i < c.model->faces.size(); ++i) {
            const Vec3 normal = FaceNormal(*c.model, c.model->faces[i]);
            if (c.model->faceIsSurface[i]) continue;
            EXPECT_EQ(c.model->faces[i][0], anchor);
            EXPECT_GE(Dot(normal, nHat), -1e-6f) << "model cap faces look along +n";
        }
        for (std::size_t i = 0; i < c.piece->faces.size(); ++i) {
            const Vec3 normal = FaceNormal(*c.piece, c.piece->faces[i]);
            if (c.piece->faceIsSurface[i]) continue;
            EXPECT_EQ(c.piece->faces[i][0], anchor);
            EXPECT_LE(Dot(normal, nHat), 1e-6f) << "piece cap faces look along -n";
        }
        // Outer faces keep winding outward from the gem's centre after re-triangulation.
        for (const Model* m : {c.model.get(), c.piece.get()}) {
            for (std::size_t i = 0; i < m->faces.size(); ++i) {
                if (!m->faceIsSurface[i]) continue;
                const Face& f = m->faces[i];
                const Vec3 centroid = Add(Add(V(m->vertices[f[0]]), V(m->vertices[f[1]])), V(m->vertices[f[2]]));
                EXPECT_GE(Dot(FaceNormal(*m, f), centroid), -1e-5f);
            }
        }
        // Both halves' caps cover the same region, mirrored.
        EXPECT_NEAR(Area(*c.model, false), Area(*c.piece, false), 1e-5);
        if (k.horizontal) {
            // A level cut closes both halves completely.
            for (const Model* m : {c.model.get(), c.piece.get()}) {
                const Vec3 s = AreaVectorSum(*m);
                EXPECT_LT(Length(s), 1e-5) << s.x << " " << s.y << " " << s.z;
            }
            // The cap is the whole cross-section: a polygon inscribed in the unit circle,
            // down to a triangle for the three-sided gem.
            EXPECT_GT(Area(*c.model, false), 0.95);
            EXPECT_LT(Area(*c.model, false), 3.1416);
        }
        // The push is applied exactly once: 0.05 along -n for the model, +n for the piece.
        EXPECT_EQ(c.model->velocity.x, -0.05f * nHat.x);
        EXPECT_EQ(c.model->velocity.y, -0.05f * nHat.y);
        EXPECT_EQ(c.model->velocity.z, -0.05f * nHat.z);
        EXPECT_EQ(c.piece->velocity.x, 0.05f * nHat.x);
        EXPECT_EQ(c.piece->velocity.y, 0.05f * nHat.y);
        EXPECT_EQ(c.piece->velocity.z, 0.05f * nHat.z);
    }
}

TEST(CutPlane, RandomDrawsAndSparks) {
    const Vec3 position = {0.0f, 12.0f, 0.0f};
    const Vec3 p0 = position, p1 = Add(position, {0.2f, 0.1f, 1.0f}), p2 = Add(position, {1.0f, 0.3f, 0.0f});
    Cut probe = CutSphere(5, position, p0, p1, p2);
    const int crossed = static_cast<int>(probe.model->vertices.size() - 36) / 2;
    ASSERT_GT(crossed, 0);

    std::srand(4242);
    std::vector<int> draws(16 * crossed + 1);
    for (int& d : draws) d = std::rand();
    std::srand(4242);
    Cut c = CutSphere(5, position, p0, p1, p2);
    EXPECT_EQ(std::rand(), draws.back()) << "eight draws per crossed face in each walk";
    ASSERT_EQ(c.particles.size(), static_cast<std::size_t>(4 * crossed));

    // First spark: the model's walk, first edge point X, flying outward along X.
    const Vec3 x = V(c.model->vertices[36]);
    const Vec3 y = V(c.model->vertices[37]);
    const Particle& first = c.particles[0];
    EXPECT_EQ(first.position[1], static_cast<double>(position.y + x.y));
    EXPECT_DOUBLE_EQ(first.velocity[0], (draws[0] % 10) * x.x * 0.01);
    EXPECT_DOUBLE_EQ(c.particles[1].velocity[1], (draws[5] % 10) * y.y * 0.01);
    // The piece's walk follows all of the model's sparks and flies inward.
    const Particle& inward = c.particles[2 * crossed];
    const int base = 8 * crossed;
    EXPECT_EQ(inward.position[2], static_cast<double>(position.z + x.z));
    EXPECT_DOUBLE_EQ(inward.velocity[0], (draws[base] % 10) * -x.x * 0.01);
    EXPECT_EQ(inward.life, draws[base + 3] % 20 + 10);
}

TEST(CutPlane, IndexBookkeepingOfTheFirstCrossedFaces) {
    const Vec3 position = {0.0f, 0.0f, 0.0f};
    const Vec3 p0 = {0.05f, 0.1f, 0.0f}, p1 = {0.3f, 0.0f, 1.0f}, p2 = {1.0f, 0.2f, 0.1f};
    Cut c = CutSphere(5, position, p0, p1, p2);
    const int v = 36;
    ASSERT_GE(c.model->vertices.size(), static_cast<std::size_t>(v + 6));

    const auto firstUse = [](const Model& m, int index) -> int {
        for (std::size_t i = 0; i < m.faces.size(); ++i) {
            for (int k : m.faces[i]) {
                if (k == index) return static_cast<int>(i);
            }
        }
        return -1;
    };
    const auto firstCap = [](const Model& m) -> int {
        for (std::size_t i = 0; i < m.faces.size(); ++i) {
            if (!m.faceIsSurface[i]) return static_cast<int>(i);
        }
        return -1;
    };
    for (const Model* m : {c.model.get(), c.piece.get()}) {
        const int cap = firstCap(*m);
        ASSERT_GE(cap, 0);
        // Anchor is V+1; the third crossed face makes the first cap from V+4 and V+5.
        const Face& f = m->faces[cap];
        EXPECT_EQ(f[0], v + 1);
        EXPECT_TRUE((f[1] == v + 4 && f[2] == v + 5) || (f[1] == v + 5 && f[2] == v + 4));
        // Faces appear in the order they are made: first crossed face, second, then the cap
        // ahead of the third face's own pieces.
        EXPECT_LT(firstUse(*m, v), firstUse(*m, v + 2));
        EXPECT_LT(firstUse(*m, v + 2), cap);
        EXPECT_EQ(firstUse(*m, v + 4), cap);
        EXPECT_EQ(firstUse(*m, v), firstUse(*m, v + 1));
        EXPECT_EQ(firstUse(*m, v + 2), firstUse(*m, v + 3));
    }
    // The two halves' first caps are the same triangle wound opposite ways.
    const Face& a = c.model->faces[firstCap(*c.model)];
    const Face& b = c.piece->faces[firstCap(*c.piece)];
    EXPECT_EQ(a[1], b[2]);
    EXPECT_EQ(a[2], b[1]);
}

TEST(CutPlane, VertexOnThePlaneAndEdgesLyingInIt) {
    // Row 1 of an n = 3 gem lies exactly at height vertices[5].y.
    auto probe = std::unique_ptr<Model>(GenerateSphereModel(3, {}));
    const float rowY = probe->vertices[5][1];
    Vec3 p0, p1, p2;
    Horizontal(rowY, p0, p1, p2);
    Cut c = CutSphere(3, {}, p0, p1, p2);
    ExpectWellFormed(*c.model);
    ExpectWellFormed(*c.piece);
    ASSERT_GT(c.model->vertices.size(), 16u);
    // Every edge point is one of the row's vertices (edges along the row lie in the plane).
    for (std::size_t i = 16; i < c.model->vertices.size(); ++i) {
        const Vec3 p = V(c.model->vertices[i]);
        EXPECT_EQ(p.y, rowY);
        double best = 1e9;
        for (int j = 4; j < 8; ++j) best = std::min(best, Length(Sub(p, V(probe->vertices[j]))));
        EXPECT_LT(best, 1e-6);
    }

    // A lone edge lying in the plane gets its first end.
    Model tri;
    tri.vertices = {{0.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}, {1.0f, -1.0f, 0.0f}};
    tri.faces = {{0, 1, 2}};
    tri.faceIsSurface = {true};
    Model piece;
    ParticleList particles;
    Horizontal(0.0f, p0, p1, p2);
    CutModel(tri, p0, p1, p2, piece, particles);
    ExpectWellFormed(tri);
    ExpectWellFormed(piece);
    ASSERT_EQ(tri.vertices.size(), 5u);
    EXPECT_EQ(V(tri.vertices[3]).x, 0.0f);  // edge 0 -> 1 lies in the plane: its first end
    EXPECT_EQ(V(tri.vertices[4]).x, 2.0f);  // edge 1 -> 2 touches it at corner 1
    EXPECT_EQ(particles.size(), 4u);
}

TEST(CutPlane, FaceWithThreeMeetingEdgesGetsNoCap) {
    // Two ordinary crossed triangles, then one whose corner 0 lies on the plane y = 0
    // while the other two straddle it: all three of its edges meet the plane.
    Model model;
    model.vertices = {{0.0f, 1.0f, 0.0f}, {1.0f, -1.0f, 0.0f}, {-1.0f, -1.0f, 0.0f},
                      {0.0f, 0.0f, 5.0f}, {1.0f, 1.0f, 5.0f}, {1.0f, -1.0f, 5.0f}};
    model.faces = {{0, 1, 2}, {0, 1, 2}, {3, 4, 5}};
    model.faceIsSurface = {true, true, true};
    Model piece;
    ParticleList particles;
    Vec3 p0, p1, p2;
    Horizontal(0.0f, p0, p1, p2);
    CutModel(model, p0, p1, p2, piece, particles);
    ExpectWellFormed(model);
    ExpectWellFormed(piece);
    EXPECT_EQ(CapCount(model), 0);
    EXPECT_EQ(CapCount(piece), 0);
    EXPECT_EQ(model.vertices.size(), 12u);
    // The ordinary faces: the model keeps the quad below (two faces), the piece the tip.
    const std::vector<Face> modelFaces = {{2, 6, 7}, {2, 7, 1}, {2, 8, 9}, {2, 9, 1}, {10, 4, 11}};
    const std::vector<Face> pieceFaces = {{6, 0, 7}, {8, 0, 9}, {10, 4, 11}};
    EXPECT_EQ(model.faces, modelFaces);
    EXPECT_EQ(piece.faces, pieceFaces);
    EXPECT_EQ(V(model.vertices[10]).x, 0.0f);  // the corner on the plane is its own edge point
    EXPECT_EQ(V(model.vertices[10]).z, 5.0f);
    EXPECT_EQ(V(model.vertices[11]).x, 1.0f);
    EXPECT_EQ(V(model.vertices[11]).y, 0.0f);
    // No velocity change: the only cap candidate had no far corner.
    EXPECT_EQ(model.velocity.y, 0.0f);
}

TEST(CutPlane, DegenerateBladeLeavesTheModelWhole) {
    const Vec3 position = {0.0f, 30.0f, 0.0f};
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Plane { Vec3 p0, p1, p2; };
    const std::vector<Plane> planes = {
        {position, position, position},                                                  // a point
        {position, Add(position, {1, 1, 1}), Add(position, {2, 2, 2})},                  // a line
        {{nan, 30.0f, 0.0f}, Add(position, {0, 0, 1}), Add(position, {1, 0, 0})},       // NaN corner
        {{inf, 30.0f, 0.0f}, Add(position, {0, 0, 1}), Add(position, {1, 0, 0})},       // infinite corner
        {{0, 30, 0}, {1e-30f, 30, 0}, {0, 30, 1e-30f}},                                  // area underflows
        {{0, 30, 0}, {1e30f, 30, 0}, {0, 30, 1e30f}},                                    // area overflows
    };
    for (std::size_t i = 0; i < planes.size(); ++i) {
        SCOPED_TRACE(i);
        std::unique_ptr<Model> original(GenerateSphereModel(5, position));
        std::srand(9);
        const int next = std::rand();
        std::srand(9);
        Cut c = CutSphere(5, position, planes[i].p0, planes[i].p1, planes[i].p2);
        EXPECT_EQ(std::rand(), next);
        EXPECT_EQ(c.model->vertices, original->vertices);
        EXPECT_EQ(c.model->faces, original->faces);
        EXPECT_EQ(c.model->faceIsSurface, original->faceIsSurface);
        EXPECT_TRUE(c.piece->vertices.empty());
        EXPECT_TRUE(c.piece->faces.empty());
        EXPECT_TRUE(c.piece->faceIsSurface.empty());
        EXPECT_TRUE(c.particles.empty());
        EXPECT_EQ(c.model->velocity.x, 0.0f);
        EXPECT_EQ(c.piece->velocity.x, 0.0f);
    }
}

TEST(CutPlane, RandomPlanesKeepEveryInvariant) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<float> offset(-1.3f, 1.3f);
    std::uniform_real_distribution<float> direction(-1.0f, 1.0f);
    int checkedArea = 0;
    for (int n : {3, 4, 5}) {
        for (int trial = 0; trial < 400; ++trial) {
            SCOPED_TRACE(::testing::Message() << "n=" << n << " trial=" << trial);
            const Vec3 position = {offset(rng), 10.0f + 50.0f * direction(rng), offset(rng)};
            const Vec3 p0 = Add(position, {offset(rng), offset(rng), offset(rng)});
            const Vec3 p1 = Add(p0, {direction(rng), direction(rng), direction(rng)});
            const Vec3 p2 = Add(p0, {direction(rng), direction(rng), direction(rng)});
            std::unique_ptr<Model> original(GenerateSphereModel(n, position));
            Cut c = CutSphere(n, position, p0, p1, p2);
            ExpectWellFormed(*c.model);
            ExpectWellFormed(*c.piece);
            if (HasFatalFailure()) return;

            const std::size_t v = original->vertices.size();
            ASSERT_EQ(c.piece->vertices, c.model->vertices);
            const std::size_t added = c.model->vertices.size() - v;
            ASSERT_EQ(added % 2, 0u);
            const int crossed = static_cast<int>(added / 2);
            EXPECT_EQ(c.particles.size(), 4 * added / 2);
            EXPECT_LE(CapCount(*c.model), std::max(0, crossed - 2));
            EXPECT_LE(CapCount(*c.piece), std::max(0, crossed - 2));
            for (const Particle& p : c.particles) {
                for (int i = 0; i < 3; ++i) {
                    EXPECT_TRUE(std::isfinite(p.position[i]) && std::isfinite(p.velocity[i]));
                }
            }

            // Planes that pass clear of every vertex split the outer skin without losing any.
            const Vec3 nHat = UnitNormal(p0, p1, p2);
            bool clear = true;
            for (const auto& vertex : original->vertices) {
                const Vec3 w = Add(position, V(vertex));
                if (std::fabs(Dot(w, nHat) - Dot(p0, nHat)) < 1e-3f) clear = false;
            }
            if (!clear) continue;
            ++checkedArea;
            EXPECT_EQ(CapCount(*c.model), std::max(0, crossed - 2));
            const double whole = Area(*original, true);
            EXPECT_NEAR(Area(*c.model, true) + Area(*c.piece, true), whole, 1e-4 * whole);
        }
    }
    EXPECT_GT(checkedArea, 600);
}
