#pragma once
// Geometry of the backdrop tube and of a gem's faces, apart from GL: points, normals and the
// texture coordinates derived from positions.
#include <array>

#include "mesh/Model.h"
#include "render/MeshDraw.h"

// The two rings of the tube: 12 points at y = 0, then 12 at y = 150, radius 3.
void FillSurfacePoints(float points[24][3]);

// Unit vector of u x v: cross product and squared length in float, root and division in double.
// A zero-area face has no direction; it gets `fallback` instead of non-finite components.
Vec3 UnitCross(Vec3 u, Vec3 v, Vec3 fallback);

// One vertex of the tube's quad strip, in the order it is sent.
struct StripVertex {
    Vec3 normal;
    double s = 0.0;
    double t = 0.0;
    Vec3 position;
};

constexpr int kStripVertices = 26;  // 12 pairs plus the closing pair

// The whole strip: pair i is A(i) then B(i); the closing pair goes back to A(0), B(0). Pair 0
// takes its preceding point from around the ring (A(11)); the closing pair repeats pair 0's normal.
std::array<StripVertex, kStripVertices> SurfaceStrip(const Surface& surface);

// Normal of face `face`: unit (R - Q) x (P - Q); `fallback` for a degenerate face.
Vec3 ModelFaceNormal(const Model& model, int face, Vec3 fallback);

// Texture coordinate of a vertex: its own position on the outer skin, position * 0.5 - 0.5 on
// a cut face.
std::array<double, 3> ModelTexCoord(const std::array<float, 3>& vertex, bool surfaceFace);

// True when the face's three indices name vertices of the model.
bool ModelFaceValid(const Model& model, int face);
