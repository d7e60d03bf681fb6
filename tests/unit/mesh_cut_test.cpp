#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "mesh/Cut.h"
#include "mesh/Sphere.h"

namespace {

using Face = std::array<int, 3>;
using Plane = std::array<Vec3, 3>;
const unsigned kSeed = 4242;

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Length(Vec3 v) { return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z); }
Vec3 V(const std::array<float, 3>& v) { return {v[0], v[1], v[2]}; }
bool Same(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
Plane Level(float y) { return {Vec3{0, y, 0}, Vec3{0, y, 1}, Vec3{1, y, 0}}; }  // normal +y

// The blade plane's unit normal, rounded the way the game rounds it.
Vec3 UnitNormal(const Plane& p) {
    const Vec3 n = Cross(p[1] - p[0], p[2] - p[0]);
    const double l = std::sqrt(double(Dot(n, n)));
    return {float(n.x / l), float(n.y / l), float(n.z / l)};
}

Vec3 FaceNormal(const Model& m, const Face& f) {
    return Cross(V(m.vertices[f[1]]) - V(m.vertices[f[0]]), V(m.vertices[f[2]]) - V(m.vertices[f[0]]));
}

// Total area of the outer faces (surface) or of the cap faces.
double Area(const Model& m, bool surface) {
    double total = 0.0;
    for (std::size_t i = 0; i < m.faces.size(); ++i)
        if (m.faceIsSurface[i] == surface) total += 0.5 * Length(FaceNormal(m, m.faces[i]));
    return total;
}

// Length of the sum of the faces' area vectors: zero for a closed surface.
double Openness(const Model& m) {
    double s[3] = {0, 0, 0};
    for (const Face& f : m.faces) {
        const Vec3 n = FaceNormal(m, f);
        s[0] += n.x, s[1] += n.y, s[2] += n.z;
    }
    return std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
}

int Caps(const Model& m) { return int(std::count(m.faceIsSurface.begin(), m.faceIsSurface.end(), false)); }

// Lists parallel, every index in range, nothing non-finite.
bool WellFormed(const Model& m) {
    bool ok = m.faces.size() == m.faceIsSurface.size() && Finite(m.velocity);
    for (const Face& f : m.faces)
        for (int i : f) ok = ok && i >= 0 && i < int(m.vertices.size());
    for (const auto& v : m.vertices) ok = ok && Finite(V(v));
    return ok;
}

Model Mesh(std::vector<std::array<float, 3>> vertices, std::vector<Face> faces) {
    return {false, std::vector<bool>(faces.size(), true), vertices, faces, {}, {}};
}

Model Sphere(int n, Vec3 position) {
    std::unique_ptr<Model> m(GenerateSphereModel(n, position));
    m->cuttable = false;  // as the field does before cutting
    return *m;
}

// A model cut by the plane p into itself and a piece that starts empty at its position.
struct Cut {
    Model model, piece;
    ParticleList particles;
    Cut() = default;
    Cut(Model m, const Plane& p) : model(std::move(m)), piece(*std::unique_ptr<Model>(MakeEmptyPiece(model.position))) {
        CutModel(model, p[0], p[1], p[2], piece, particles);
    }
    // What holds for every cut: both halves well formed and sharing the new points, two points and
    // four finite sparks per crossed face. Returns the number of crossed faces, or -1.
    int Crossed(std::size_t original) const {
        const std::size_t added = model.vertices.size() - original;
        bool ok = WellFormed(model) && WellFormed(piece) && piece.vertices == model.vertices && added % 2 == 0 &&
                  particles.size() == 2 * added;
        for (const Particle& s : particles)
            for (int i = 0; i < 3; ++i) ok = ok && std::isfinite(s.position[i]) && std::isfinite(s.velocity[i]);
        return ok ? int(added / 2) : -1;
    }
};

std::vector<int> RandFrom(unsigned seed, int count) {
    std::srand(seed);
    std::vector<int> r(count);
    for (int& d : r) d = std::rand();
    return r;
}

// How many rand() draws fn makes, found by replaying the seed.
int DrawsMade(const std::function<void()>& fn) {
    std::srand(kSeed);
    fn();
    const int next = std::rand();
    const std::vector<int> r = RandFrom(kSeed, 5000);
    return int(std::find(r.begin(), r.end(), next) - r.begin());
}

}  // namespace

TEST(CutPlane, ThroughTheCentreCapsBothHalvesAndPushesThemApart) {
    for (int n : {3, 4, 5}) {
        for (bool level : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "n=" << n << " level=" << level);
            const Vec3 at = n == 4 ? Vec3{} : Vec3{1.25f, 40.0f, -0.75f};
            // The oblique blade is tilted about two axes.
            const Plane p = level ? Level(at.y) : Plane{at, at + Vec3{0.3f, 0.2f, 1.0f}, at + Vec3{1.0f, -0.4f, 0.1f}};
            Cut c(Sphere(n, at), p);
            const int original = (n + 1) * (n + 1), crossed = c.Crossed(original);
            ASSERT_GE(crossed, 3);
            const Vec3 nHat = UnitNormal(p);
            for (const Model* m : {&c.model, &c.piece}) {
                const float side = m == &c.model ? 1.0f : -1.0f;  // model caps face +n, piece caps -n
                EXPECT_EQ(Caps(*m), crossed - 2);
                for (std::size_t i = 0; i < m->faces.size(); ++i) {
                    const Face& f = m->faces[i];
                    const Vec3 normal = FaceNormal(*m, f), corner = V(m->vertices[f[0]]);
                    if (m->faceIsSurface[i]) {  // outer faces still wind outward from the centre
                        EXPECT_GE(Dot(normal, corner + V(m->vertices[f[1]]) + V(m->vertices[f[2]])), -1e-5f);
                    } else {
                        EXPECT_EQ(f[0], original + 1);  // the anchor
                        EXPECT_GE(side * Dot(normal, nHat), -1e-6f);
                    }
                }
                // The push is applied exactly once: 0.05 along -n for the model, +n for the piece.
                const float push = -side * 0.05f;
                EXPECT_TRUE(Same(m->velocity, {push * nHat.x, push * nHat.y, push * nHat.z}));
            }
            EXPECT_NEAR(Area(c.model, false), Area(c.piece, false), 1e-5);  // mirrored caps
            if (level) {  // a level cut closes both halves; the cap is inscribed in the unit circle
                EXPECT_LT(Openness(c.model) + Openness(c.piece), 1e-5);
                EXPECT_TRUE(Area(c.model, false) > 0.95 && Area(c.model, false) < 3.1416);
            }
        }
    }
}

TEST(CutPlane, RandomDrawsAndSparks) {
    const Vec3 at = {0.0f, 12.0f, 0.0f};
    const Plane p = {at, at + Vec3{0.2f, 0.1f, 1.0f}, at + Vec3{1.0f, 0.3f, 0.0f}};
    Cut c;
    const int draws = DrawsMade([&] { c = Cut(Sphere(5, at), p); }), crossed = c.Crossed(36);
    ASSERT_GT(crossed, 0);
    EXPECT_EQ(draws, 16 * crossed) << "eight draws per crossed face in each walk";
    const std::vector<int> r = RandFrom(kSeed, draws);
    // The model's walk comes first, its sparks flying outward along the edge points X and Y.
    const Vec3 x = V(c.model.vertices[36]), y = V(c.model.vertices[37]);
    EXPECT_EQ(c.particles[0].position[1], double(at.y + x.y));
    EXPECT_DOUBLE_EQ(c.particles[0].velocity[0], (r[0] % 10) * x.x * 0.01);
    EXPECT_DOUBLE_EQ(c.particles[1].velocity[1], (r[5] % 10) * y.y * 0.01);
    // The piece's walk follows all of the model's sparks and flies inward.
    const Particle& inward = c.particles[2 * crossed];
    EXPECT_EQ(inward.position[2], double(at.z + x.z));
    EXPECT_DOUBLE_EQ(inward.velocity[0], (r[8 * crossed] % 10) * -x.x * 0.01);
    EXPECT_EQ(inward.life, r[8 * crossed + 3] % 20 + 10);
}

TEST(CutPlane, IndexBookkeepingOfTheFirstCrossedFaces) {
    Cut c(Sphere(5, {}), {Vec3{0.05f, 0.1f, 0.0f}, Vec3{0.3f, 0.0f, 1.0f}, Vec3{1.0f, 0.2f, 0.1f}});
    const int v = 36;
    ASSERT_GE(c.Crossed(v), 3);
    Face firstCaps[2];
    for (int half = 0; half < 2; ++half) {
        const Model& m = half == 0 ? c.model : c.piece;
        const auto firstUse = [&m](int index) {
            for (std::size_t i = 0; i < m.faces.size(); ++i)
                if (std::count(m.faces[i].begin(), m.faces[i].end(), index) > 0) return int(i);
            return -1;
        };
        const int cap = int(std::find(m.faceIsSurface.begin(), m.faceIsSurface.end(), false) - m.faceIsSurface.begin());
        ASSERT_LT(cap, int(m.faces.size()));
        // Anchor V+1; the third crossed face makes the first cap from V+4 and V+5.
        const Face& f = firstCaps[half] = m.faces[cap];
        EXPECT_EQ(f[0], v + 1);
        EXPECT_EQ(std::minmax({f[1], f[2]}), std::make_pair(v + 4, v + 5));
        // Faces appear as made: first crossed face, second, then the cap ahead of the third's pieces.
        EXPECT_EQ(firstUse(v), firstUse(v + 1));
        EXPECT_EQ(firstUse(v + 2), firstUse(v + 3));
        EXPECT_LT(firstUse(v), firstUse(v + 2));
        EXPECT_LT(firstUse(v + 2), cap);
        EXPECT_EQ(firstUse(v + 4), cap);
    }
    // The two halves' first caps are the same triangle wound opposite ways.
    EXPECT_EQ(firstCaps[0], (Face{firstCaps[1][0], firstCaps[1][2], firstCaps[1][1]}));
}

TEST(CutPlane, VertexOnThePlaneAndEdgesLyingInIt) {
    // Row 1 of an n = 3 gem (vertices 4..7) lies exactly in the plane: every edge point is one of them.
    const Model gem = Sphere(3, {});
    const float rowY = gem.vertices[5][1];
    Cut c(gem, Level(rowY));
    ASSERT_GT(c.Crossed(16), 0);
    for (std::size_t i = 16; i < c.model.vertices.size(); ++i) {
        EXPECT_EQ(c.model.vertices[i][1], rowY);
        double best = 1e9;
        for (int j = 4; j < 8; ++j) best = std::min(best, Length(V(c.model.vertices[i]) - V(gem.vertices[j])));
        EXPECT_LT(best, 1e-6);
    }
    // A lone edge lying wholly in the plane gets its first end, never 0/0.
    Cut tri(Mesh({{0, 0, 0}, {2, 0, 0}, {1, -1, 0}}, {{0, 1, 2}}), Level(0));
    ASSERT_EQ(tri.Crossed(3), 1);
    EXPECT_EQ(tri.model.vertices[3][0], 0.0f);  // edge 0 -> 1 lies in the plane: its first end
    EXPECT_EQ(tri.model.vertices[4][0], 2.0f);  // edge 1 -> 2 touches it at corner 1
}

TEST(CutPlane, FaceWithThreeMeetingEdgesGetsNoCap) {
    // Two ordinary crossed triangles, then one whose corner 0 lies on the plane y = 0 while the
    // other two straddle it: all three of its edges meet the plane.
    Cut c(Mesh({{0, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {0, 0, 5}, {1, 1, 5}, {1, -1, 5}}, {{0, 1, 2}, {0, 1, 2}, {3, 4, 5}}),
          Level(0));
    ASSERT_EQ(c.Crossed(6), 3);
    EXPECT_EQ(Caps(c.model) + Caps(c.piece), 0);
    // The model keeps the quads below (two faces each), the piece the tips.
    EXPECT_EQ(c.model.faces, (std::vector<Face>{{2, 6, 7}, {2, 7, 1}, {2, 8, 9}, {2, 9, 1}, {10, 4, 11}}));
    EXPECT_EQ(c.piece.faces, (std::vector<Face>{{6, 0, 7}, {8, 0, 9}, {10, 4, 11}}));
    EXPECT_TRUE(Same(V(c.model.vertices[10]), {0, 0, 5}));  // the corner on the plane is its own edge point
    EXPECT_TRUE(Same(V(c.model.vertices[11]), {1, 0, 5}));
    EXPECT_EQ(c.model.velocity.y, 0.0f);  // the only cap candidate had no far corner: no push
}

TEST(CutPlane, MissesAndDegenerateBladesCutNothing) {
    const Vec3 at = {0.0f, 30.0f, 0.0f}, dz = at + Vec3{0, 0, 1}, dx = at + Vec3{1, 0, 0};
    // A plane that misses leaves the whole gem to one half (above: the negative side, the model's);
    // a blade with no plane leaves the model whole and the piece empty, and never stores a NaN.
    const struct { Plane p; bool modelKeeps, pieceGets, pieceHasPoints; } cases[] = {
        {Level(35), true, false, true}, {Level(25), false, true, true},
        {{at, at, at}, true, false, false}, {{at, at + Vec3{1, 1, 1}, at + Vec3{2, 2, 2}}, true, false, false},
        {{Vec3{NAN, 30, 0}, dz, dx}, true, false, false}, {{Vec3{INFINITY, 30, 0}, dz, dx}, true, false, false},
        {{at, Vec3{1e-30f, 30, 0}, Vec3{0, 30, 1e-30f}}, true, false, false},  // area underflows
        {{at, Vec3{1e30f, 30, 0}, Vec3{0, 30, 1e30f}}, true, false, false},    // area overflows
    };
    const Model whole = Sphere(5, at), empty;
    for (const auto& k : cases) {
        SCOPED_TRACE(&k - cases);
        Cut c;
        EXPECT_EQ(DrawsMade([&] { c = Cut(Sphere(5, at), k.p); }), 0);
        EXPECT_TRUE(WellFormed(c.model) && WellFormed(c.piece) && c.particles.empty());
        EXPECT_EQ(c.model.vertices, whole.vertices);
        EXPECT_EQ(c.model.faces, (k.modelKeeps ? whole : empty).faces);
        EXPECT_EQ(c.model.faceIsSurface, (k.modelKeeps ? whole : empty).faceIsSurface);
        EXPECT_EQ(c.piece.faces, (k.pieceGets ? whole : empty).faces);
        EXPECT_EQ(c.piece.vertices, (k.pieceHasPoints ? whole : empty).vertices);
        EXPECT_TRUE(Same(c.model.velocity, {}) && Same(c.piece.velocity, {}) && c.piece.position.y == 30.0f);
    }
}

TEST(CutPlane, RandomPlanesKeepEveryInvariant) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<float> offset(-1.3f, 1.3f), direction(-1.0f, 1.0f);
    const auto random = [&](std::uniform_real_distribution<float>& d) { return Vec3{d(rng), d(rng), d(rng)}; };
    int checkedArea = 0;
    for (int n : {3, 4, 5}) {
        for (int trial = 0; trial < 400; ++trial) {
            SCOPED_TRACE(::testing::Message() << "n=" << n << " trial=" << trial);
            const Vec3 at = {offset(rng), 10.0f + 50.0f * direction(rng), offset(rng)};
            const Vec3 p0 = at + random(offset), p1 = p0 + random(direction);
            const Plane p = {p0, p1, p0 + random(direction)};
            const Model original = Sphere(n, at);
            Cut c(original, p);
            const int crossed = c.Crossed(original.vertices.size()), caps = std::max(0, crossed - 2);
            ASSERT_GE(crossed, 0);
            EXPECT_TRUE(Caps(c.model) <= caps && Caps(c.piece) <= caps);
            // Planes that pass clear of every vertex split the outer skin without losing any.
            const Vec3 nHat = UnitNormal(p);
            if (std::any_of(original.vertices.begin(), original.vertices.end(),
                            [&](const auto& w) { return std::fabs(Dot(at + V(w), nHat) - Dot(p0, nHat)) < 1e-3f; }))
                continue;
            ++checkedArea;
            EXPECT_EQ(Caps(c.model), caps);
            const double skin = Area(original, true);
            EXPECT_NEAR(Area(c.model, true) + Area(c.piece, true), skin, 1e-4 * skin);
        }
    }
    EXPECT_GT(checkedArea, 600);
}
