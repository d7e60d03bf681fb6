#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>

#include "mesh/Cut.h"
#include "mesh/Sphere.h"
#include "mesh/VecMath.h"
#include "mesh/Random.h"

namespace {

using Face = std::array<int, 3>;
using Plane = std::array<Vec3, 3>;

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
double Length(Vec3 v) { return std::sqrt(double(Dot(v, v))); }
Vec3 V(const std::array<float, 3>& v) { return {v[0], v[1], v[2]}; }
bool Same(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
Plane Level(float y) { return {Vec3{0, y, 0}, Vec3{0, y, 1}, Vec3{1, y, 0}}; }  // normal +y
Model Sphere(int n, Vec3 at) { return *std::unique_ptr<Model>(GenerateSphereModel(n, at)); }
Model Mesh(std::vector<std::array<float, 3>> vertices, std::vector<Face> faces) {
    return {false, std::vector<bool>(faces.size(), true), vertices, faces, {}, {}};
}

Vec3 FaceNormal(const Model& m, const Face& f) {
    return Cross(Sub(V(m.vertices[f[1]]), V(m.vertices[f[0]])), Sub(V(m.vertices[f[2]]), V(m.vertices[f[0]])));
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
    Vec3 s{};
    for (const Face& f : m.faces) s = s + FaceNormal(m, f);
    return Length(s);
}

int Caps(const Model& m) { return int(std::count(m.faceIsSurface.begin(), m.faceIsSurface.end(), false)); }

// Lists parallel, every index in range, nothing non-finite.
bool WellFormed(const Model& m) {
    bool ok = m.faces.size() == m.faceIsSurface.size() && std::isfinite(Dot(m.velocity, m.velocity));
    for (const Face& f : m.faces)
        for (int i : f) ok = ok && i >= 0 && i < int(m.vertices.size());
    for (const auto& v : m.vertices) ok = ok && std::isfinite(Dot(V(v), V(v)));
    return ok;
}

// The first `count` rand() values after seeding with 4242, as the cut would draw them.
std::vector<int> Draws(int count) {
    SeedGameRandom(4242);
    std::vector<int> r(count);
    for (int& d : r) d = GameRandom();
    return r;
}

// A model cut by the plane p into itself and a piece that starts empty at its position.
struct Cut {
    Model model, piece;
    ParticleList particles;
    int draws = 0;  // rand() values the cut drew
    Cut(Model m, const Plane& p) : model(std::move(m)), piece(*std::unique_ptr<Model>(MakeEmptyPiece(model.position))) {
        SeedGameRandom(4242);
        CutModel(model, p[0], p[1], p[2], piece, particles);
        const int next = GameRandom();
        const std::vector<int> r = Draws(5000);
        draws = int(std::find(r.begin(), r.end(), next) - r.begin());
    }
    // What holds for every cut: both halves well formed and sharing the new points, two points and
    // four sparks per crossed face. Returns the number of crossed faces, or -1.
    int Crossed(std::size_t original) const {
        const std::size_t added = model.vertices.size() - original;
        const bool ok = WellFormed(model) && WellFormed(piece) && piece.vertices == model.vertices && added % 2 == 0 &&
                        particles.size() == 2 * added;
        return ok ? int(added / 2) : -1;
    }
};

}  // namespace

TEST(CutPlane, ThroughTheCentreCapsBothHalvesPushesThemApartAndThrowsSparks) {
    for (int n : {3, 4, 5}) {
        for (bool level : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "n=" << n << " level=" << level);
            const Vec3 at = n == 4 ? Vec3{} : Vec3{1.25f, 40.0f, -0.75f};
            // The oblique blade is tilted about two axes.
            const Plane p = level ? Level(at.y) : Plane{at, at + Vec3{0.3f, 0.2f, 1.0f}, at + Vec3{1.0f, -0.4f, 0.1f}};
            const Model original = Sphere(n, at);
            const Cut c(original, p);
            const int v = (n + 1) * (n + 1), crossed = c.Crossed(v);
            ASSERT_GE(crossed, 3);
            EXPECT_EQ(c.draws, 16 * crossed) << "eight draws per crossed face in each walk";
            const Vec3 normal = Cross(Sub(p[1], p[0]), Sub(p[2], p[0]));
            const double l = Length(normal);
            const Vec3 nHat = {float(normal.x / l), float(normal.y / l), float(normal.z / l)};
            for (const Model* m : {&c.model, &c.piece}) {
                const float side = m == &c.model ? 1.0f : -1.0f;  // model caps face +n, piece caps -n
                EXPECT_EQ(Caps(*m), crossed - 2);
                for (std::size_t i = 0; i < m->faces.size(); ++i) {
                    const Face& f = m->faces[i];
                    const Vec3 centre = V(m->vertices[f[0]]) + V(m->vertices[f[1]]) + V(m->vertices[f[2]]);
                    if (m->faceIsSurface[i]) {  // outer faces still wind outward from the centre
                        EXPECT_GE(Dot(FaceNormal(*m, f), centre), -1e-5f);
                    } else {  // caps fan from the anchor
                        EXPECT_TRUE(f[0] == v + 1 && side * Dot(FaceNormal(*m, f), nHat) >= -1e-6f);
                    }
                }
                // The push is applied exactly once: 0.05 along -n for the model, +n for the piece.
                const float push = -side * 0.05f;
                EXPECT_TRUE(Same(m->velocity, {push * nHat.x, push * nHat.y, push * nHat.z}));
            }
            EXPECT_NEAR(Area(c.model, false), Area(c.piece, false), 1e-5);  // mirrored caps
            const double skin = Area(original, true);  // split without losing any
            EXPECT_NEAR(Area(c.model, true) + Area(c.piece, true), skin, 1e-5 * skin);
            if (level) {  // a level cut closes both halves; the cap is inscribed in the unit circle
                EXPECT_LT(Openness(c.model) + Openness(c.piece), 1e-5);
                EXPECT_TRUE(Area(c.model, false) > 0.95 && Area(c.model, false) < 3.1416);
            }
            // The model's sparks come first and fly outward along the edge points X and Y; the
            // piece's follow all of them and fly inward.
            const std::vector<int> r = Draws(8 * crossed + 4);
            const Vec3 x = V(c.model.vertices[v]);
            const Particle &outward = c.particles[0], &inward = c.particles[2 * crossed];
            EXPECT_TRUE(outward.position[1] == at.y + x.y && inward.position[2] == at.z + x.z);
            EXPECT_DOUBLE_EQ(outward.velocity[0], (r[0] % 10) * x.x * 0.01);
            EXPECT_DOUBLE_EQ(inward.velocity[0], (r[8 * crossed] % 10) * -x.x * 0.01);
            EXPECT_EQ(inward.life, r[8 * crossed + 3] % 20 + 10);
        }
    }
}

// Points on the plane; misses and degenerate blades cut nothing.
TEST(CutPlane, PointsOnThePlaneMissesAndDegenerateBlades) {
    // Two crossed triangles, then one whose corner 0 lies on the plane while the other two straddle
    // it: all three of its edges meet the plane, and it is split without a cap (nor a push).
    const Cut three(
        Mesh({{0, 1, 0}, {1, -1, 0}, {-1, -1, 0}, {0, 0, 5}, {1, 1, 5}, {1, -1, 5}}, {{0, 1, 2}, {0, 1, 2}, {3, 4, 5}}),
        Level(0));
    ASSERT_EQ(three.Crossed(6), 3);
    EXPECT_EQ(Caps(three.model) + Caps(three.piece), 0);
    EXPECT_EQ(three.model.faces, (std::vector<Face>{{2, 6, 7}, {2, 7, 1}, {2, 8, 9}, {2, 9, 1}, {10, 4, 11}}));
    EXPECT_EQ(three.piece.faces, (std::vector<Face>{{6, 0, 7}, {8, 0, 9}, {10, 4, 11}}));
    EXPECT_TRUE(Same(V(three.model.vertices[10]), {0, 0, 5}) && Same(V(three.model.vertices[11]), {1, 0, 5}));
    EXPECT_EQ(three.model.velocity.y, 0.0f);
    // A lone edge lying wholly in the plane gets its first end, never 0/0.
    const Cut tri(Mesh({{0, 0, 0}, {2, 0, 0}, {1, -1, 0}}, {{0, 1, 2}}), Level(0));
    ASSERT_EQ(tri.Crossed(3), 1);
    EXPECT_TRUE(tri.model.vertices[3][0] == 0.0f && tri.model.vertices[4][0] == 2.0f);

    const Vec3 at = {0.0f, 30.0f, 0.0f}, dz = at + Vec3{0, 0, 1}, dx = at + Vec3{1, 0, 0};
    // A plane that misses leaves the whole gem to one half (above: the negative side, the model's);
    // a blade with no plane leaves the model whole and the piece empty, and never stores a NaN.
    const struct { Plane p; bool modelKeeps, pieceGets, pieceHasPoints; } cases[] = {
        {Level(35), true, false, true}, {Level(25), false, true, true},
        {{at, at + Vec3{1, 1, 1}, at + Vec3{2, 2, 2}}, true, false, false},
        {{Vec3{NAN, 30, 0}, dz, dx}, true, false, false},
        {{at, Vec3{1e-30f, 30, 0}, Vec3{0, 30, 1e-30f}}, true, false, false},  // area underflows
        {{at, Vec3{1e30f, 30, 0}, Vec3{0, 30, 1e30f}}, true, false, false},    // area overflows
    };
    const Model whole = Sphere(5, at), empty;
    for (const auto& k : cases) {
        SCOPED_TRACE(&k - cases);
        const Cut c(whole, k.p);
        EXPECT_TRUE(c.draws == 0 && WellFormed(c.model) && WellFormed(c.piece) && c.particles.empty());
        EXPECT_EQ(c.model.vertices, whole.vertices);
        EXPECT_EQ(c.model.faces, (k.modelKeeps ? whole : empty).faces);
        EXPECT_EQ(c.piece.faces, (k.pieceGets ? whole : empty).faces);
        EXPECT_EQ(c.piece.vertices, (k.pieceHasPoints ? whole : empty).vertices);
        EXPECT_TRUE(Same(c.model.velocity, {}) && Same(c.piece.velocity, {}) && c.piece.position.y == 30.0f);
    }
}
