#include "mesh/Cut.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "mesh/VecMath.h"

namespace {

// Edge states: the edge meets the plane, or lies wholly on one side of it.
constexpr std::uint8_t kMeets = 0;
constexpr std::uint8_t kPositive = 1;
constexpr std::uint8_t kNegative = 2;

// How far apart the two halves drift per step after a cut.
constexpr float kImpulse = 0.05f;

struct FaceCut {
    std::uint8_t state[3];
    Vec3 point[3];  // model-local; set only where the edge meets the plane
    int crossed;    // first edge e with edges e and e+1 meeting the plane, or -1
};

// Scratch space reused across cuts: a cut happens inside a frame and should not allocate
// more than the growing meshes need.
struct CutScratch {
    std::vector<Vec3> world;
    std::vector<float> distance;
    std::vector<FaceCut> faces;
};

// Faces one half's walk leaves in place (keep[f]) and the faces it makes, in order.
struct HalfFaces {
    std::vector<char> keep;
    std::vector<std::array<int, 3>> added;
    std::vector<char> addedFlags;
};

bool IsFinite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

Vec3 Neg(Vec3 a) { return {-a.x, -a.y, -a.z}; }
Vec3 ToVec(const std::array<float, 3>& v) { return {v[0], v[1], v[2]}; }

// Where the edge from A to B meets the plane, in model-local coordinates: both ends are
// projected onto the plane and blended by their distances, so an end on the plane is that
// end. An edge lying in the plane, or one whose ends are so far out that the blend
// overflows, gets its first end: any point of such an edge is as good, and a non-finite
// vertex would poison the mesh.
Vec3 EdgePoint(Vec3 a, float sA, Vec3 b, float sB, Vec3 nHat, Vec3 position, Vec3 firstEnd) {
    if (sA == 0.0f && sB == 0.0f) return firstEnd;
    const Vec3 aProj = {a.x - nHat.x * sA, a.y - nHat.y * sA, a.z - nHat.z * sA};
    const Vec3 bProj = {b.x - nHat.x * sB, b.y - nHat.y * sB, b.z - nHat.z * sB};
    const float t = std::fabs(sB) / (std::fabs(sA) + std::fabs(sB));
    const Vec3 point = {bProj.x + (aProj.x - bProj.x) * t - position.x,
                        bProj.y + (aProj.y - bProj.y) * t - position.y,
                        bProj.z + (aProj.z - bProj.z) * t - position.z};
    return IsFinite(point) ? point : firstEnd;
}

void AddFace(HalfFaces& out, int i0, int i1, int i2, bool surface) {
    out.added.push_back({i0, i1, i2});
    out.addedFlags.push_back(surface ? 1 : 0);
}

// One half's walk over the original faces. The negative half (kept by the struck model)
// drops faces wholly on the positive side and vice versa. The negative half's first cap face
// that faces the positive side pushes the two halves apart, once per cut.
void WalkHalf(bool negativeHalf, const std::vector<std::array<int, 3>>& faces, int vertexBase,
              Vec3 position, const CutScratch& scratch, HalfFaces& out, ParticleList& particles,
              Model& model, Model& piece, Vec3 nHat) {
    const std::uint8_t dropState = negativeHalf ? kPositive : kNegative;
    const std::uint8_t quadState = negativeHalf ? kNegative : kPositive;
    const std::size_t count = scratch.faces.size();
    out.added.clear();
    out.addedFlags.clear();
    out.keep.assign(count, 0);
    int splits = 0;
    int anchor = -1;
    bool impulsePending = negativeHalf;

    for (std::size_t f = 0; f < count; ++f) {
        const FaceCut& cut = scratch.faces[f];
        if (cut.state[0] == dropState && cut.state[1] == dropState && cut.state[2] == dropState) {
            continue;
        }
        if (cut.crossed < 0) {
            out.keep[f] = 1;
            continue;
        }
        const int e = cut.crossed;
        const int e1 = (e + 1) % 3;
        const int e2 = (e + 2) % 3;
        const Vec3 x = cut.point[e];
        const Vec3 y = cut.point[e1];
        const int k0 = faces[f][e];
        const int k1 = faces[f][e1];
        const int k2 = faces[f][e2];

        // Sparks fly outward from the negative half's edge points, inward for the other.
        const Vec3 worldX = {position.x + x.x, position.y + x.y, position.z + x.z};
        const Vec3 worldY = {position.x + y.x, position.y + y.y, position.z + y.z};
        particles.push_back(MakeParticle(worldX, negativeHalf ? x : Neg(x)));
        particles.push_back(MakeParticle(worldY, negativeHalf ? y : Neg(y)));

        // Both halves append the same two points per crossed face, so the indices agree.
        const int a = vertexBase + 2 * splits;
        const int b = a + 1;
        ++splits;
        if (splits == 1) anchor = b;

        if (splits >= 3) {
            const std::uint8_t far = cut.state[e2];
            if (far == dropState) {
                AddFace(out, anchor, a, b, false);
                if (impulsePending) {
                    model.velocity.x += -kImpulse * nHat.x;
                    model.velocity.y += -kImpulse * nHat.y;
                    model.velocity.z += -kImpulse * nHat.z;
                    piece.velocity.x += kImpulse * nHat.x;
                    piece.velocity.y += kImpulse * nHat.y;
                    piece.velocity.z += kImpulse * nHat.z;
                    impulsePending = false;
                }
            } else if (far == quadState) {
                AddFace(out, anchor, b, a, false);
            }
        }

        if (cut.state[e2] == quadState) {
            AddFace(out, k0, a, b, true);
            AddFace(out, k0, b, k2, true);
        } else {
            AddFace(out, a, k1, b, true);
        }
    }
}

}  // namespace

void CutModel(Model& model, Vec3 p0, Vec3 p1, Vec3 p2, Model& piece, ParticleList& particles) {
    piece.position = model.position;
    piece.vertices.clear();
    piece.faces.clear();
    piece.faceIsSurface.clear();

    const Vec3 n = Cross(Sub(p1, p0), Sub(p2, p0));
    const double length = std::sqrt(static_cast<double>(Dot(n, n)));
    const Vec3 nHat = {static_cast<float>(n.x / length), static_cast<float>(n.y / length),
                       static_cast<float>(n.z / length)};
    // A blade triangle without area (or too large to measure) has no plane: nothing is cut,
    // the model stays whole and the piece stays empty.
    if (!IsFinite(nHat) || (nHat.x == 0.0f && nHat.y == 0.0f && nHat.z == 0.0f)) return;
    const float d = Dot(p0, nHat);

    static thread_local CutScratch scratch;
    static thread_local HalfFaces negative;
    static thread_local HalfFaces positive;
    const Vec3 position = model.position;
    const std::size_t vertexCount = model.vertices.size();
    const std::size_t faceCount = model.faces.size();

    // Signed distance of every vertex once; each edge then reads its two ends.
    scratch.world.resize(vertexCount);
    scratch.distance.resize(vertexCount);
    for (std::size_t k = 0; k < vertexCount; ++k) {
        const auto& v = model.vertices[k];
        const Vec3 w = {position.x + v[0], position.y + v[1], position.z + v[2]};
        scratch.world[k] = w;
        scratch.distance[k] = Dot(w, nHat) - d;
    }

    scratch.faces.resize(faceCount);
    std::size_t crossedCount = 0;
    for (std::size_t f = 0; f < faceCount; ++f) {
        FaceCut& cut = scratch.faces[f];
        const auto& face = model.faces[f];
        for (int e = 0; e < 3; ++e) {
            const int ka = face[e];
            const int kb = face[(e + 1) % 3];
            const float sA = scratch.distance[ka];
            const float sB = scratch.distance[kb];
            if (sA * sB <= 0.0f) {
                cut.state[e] = kMeets;
                cut.point[e] = EdgePoint(scratch.world[ka], sA, scratch.world[kb], sB, nHat,
                                         position, ToVec(model.vertices[ka]));
            } else {
                cut.state[e] = sA > 0.0f ? kPositive : kNegative;
            }
        }
        cut.crossed = -1;
        for (int e = 0; e < 3; ++e) {
            if (cut.state[e] == kMeets && cut.state[(e + 1) % 3] == kMeets) {
                cut.crossed = e;
                ++crossedCount;
                break;
            }
        }
    }

    const int vertexBase = static_cast<int>(vertexCount);

    // Negative half, kept by the struck model; it also applies the push to both halves.
    WalkHalf(true, model.faces, vertexBase, position, scratch, negative, particles, model, piece,
             nHat);

    // Positive half into the piece, from the same states and points.
    WalkHalf(false, model.faces, vertexBase, position, scratch, positive, particles, model, piece,
             nHat);

    // The new points are the same for both halves: two per crossed face, in face order.
    model.vertices.reserve(vertexCount + 2 * crossedCount);
    for (std::size_t f = 0; f < faceCount; ++f) {
        const FaceCut& cut = scratch.faces[f];
        if (cut.crossed < 0) continue;
        const Vec3 x = cut.point[cut.crossed];
        const Vec3 y = cut.point[(cut.crossed + 1) % 3];
        model.vertices.push_back({x.x, x.y, x.z});
        model.vertices.push_back({y.x, y.y, y.z});
    }
    piece.vertices = model.vertices;

    // Faces left untouched keep their order at the front; new faces follow in the order made.
    piece.faces.reserve(faceCount + positive.added.size());
    piece.faceIsSurface.reserve(faceCount + positive.added.size());
    for (std::size_t f = 0; f < faceCount; ++f) {
        if (!positive.keep[f]) continue;
        piece.faces.push_back(model.faces[f]);
        piece.faceIsSurface.push_back(model.faceIsSurface[f]);
    }
    for (std::size_t i = 0; i < positive.added.size(); ++i) {
        piece.faces.push_back(positive.added[i]);
        piece.faceIsSurface.push_back(positive.addedFlags[i] != 0);
    }

    std::size_t write = 0;
    for (std::size_t f = 0; f < faceCount; ++f) {
        if (!negative.keep[f]) continue;
        model.faces[write] = model.faces[f];
        model.faceIsSurface[write] = model.faceIsSurface[f];
        ++write;
    }
    model.faces.resize(write);
    model.faceIsSurface.resize(write);
    for (std::size_t i = 0; i < negative.added.size(); ++i) {
        model.faces.push_back(negative.added[i]);
        model.faceIsSurface.push_back(negative.addedFlags[i] != 0);
    }
}
