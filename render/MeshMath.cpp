#include "render/MeshMath.h"

#include <cmath>

#include "mesh/VecMath.h"

namespace {

Vec3 Point(const float p[3]) { return Vec3{p[0], p[1], p[2]}; }

Vec3 Point(const std::array<float, 3>& p) { return Vec3{p[0], p[1], p[2]}; }

}  // namespace

void FillSurfacePoints(float points[24][3]) {
    for (int ring = 0; ring < 2; ++ring) {
        const double y = ring == 0 ? 0.0 : 150.0;
        for (int k = 0; k < 12; ++k) {
            // 3.1415 rather than pi: the ring very nearly, not exactly, closes; the closing
            // quad pair hides the gap.
            const double a = 2.0 * k * 3.1415 / 12.0;
            float* p = points[ring * 12 + k];
            p[0] = static_cast<float>(3.0 * std::cos(a));
            p[1] = static_cast<float>(y);
            p[2] = static_cast<float>(3.0 * std::sin(a));
        }
    }
}

Vec3 UnitCross(Vec3 u, Vec3 v, Vec3 fallback) {
    const Vec3 c = Cross(u, v);
    const double length = std::sqrt(static_cast<double>(Dot(c, c)));
    if (!(length > 0.0) || !std::isfinite(length)) return fallback;
    return Vec3{static_cast<float>(c.x / length), static_cast<float>(c.y / length),
                static_cast<float>(c.z / length)};
}

std::array<StripVertex, kStripVertices> SurfaceStrip(const Surface& surface) {
    std::array<StripVertex, kStripVertices> strip{};
    const Vec3 up{0.0f, 1.0f, 0.0f};
    Vec3 firstNormal{};
    for (int i = 0; i < 12; ++i) {
        const Vec3 a = Point(surface.points[i]);
        const Vec3 b = Point(surface.points[12 + i]);
        const Vec3 before = Point(surface.points[(i + 11) % 12]);
        const Vec3 normal = UnitCross(Sub(b, a), Sub(before, a), up);
        if (i == 0) firstNormal = normal;

        StripVertex& bottom = strip[2 * i];
        bottom.normal = normal;
        bottom.s = static_cast<float>(i + 1) / 6.0f;
        bottom.t = surface.scroll;
        bottom.position = a;

        StripVertex& top = strip[2 * i + 1];
        top.normal = normal;
        top.s = static_cast<float>(i) / 6.0f;
        top.t = surface.scroll + 15.0;
        top.position = b;
    }
    StripVertex& closeBottom = strip[24];
    closeBottom.normal = firstNormal;
    closeBottom.s = 13.0f / 6.0f;
    closeBottom.t = surface.scroll;
    closeBottom.position = Point(surface.points[0]);
    StripVertex& closeTop = strip[25];
    closeTop.normal = firstNormal;
    closeTop.s = 11.0f / 6.0f;
    closeTop.t = surface.scroll + 15.0;
    closeTop.position = Point(surface.points[12]);
    return strip;
}

Vec3 ModelFaceNormal(const Model& model, int face, Vec3 fallback) {
    const std::array<int, 3>& f = model.faces[face];
    const Vec3 p = Point(model.vertices[f[0]]);
    const Vec3 q = Point(model.vertices[f[1]]);
    const Vec3 r = Point(model.vertices[f[2]]);
    return UnitCross(Sub(r, q), Sub(p, q), fallback);
}

std::array<double, 3> ModelTexCoord(const std::array<float, 3>& vertex, bool surfaceFace) {
    if (surfaceFace) return {vertex[0], vertex[1], vertex[2]};
    return {vertex[0] * 0.5 - 0.5, vertex[1] * 0.5 - 0.5, vertex[2] * 0.5 - 0.5};
}

bool ModelFaceValid(const Model& model, int face) {
    if (face < 0 || static_cast<std::size_t>(face) >= model.faces.size()) return false;
    if (static_cast<std::size_t>(face) >= model.faceIsSurface.size()) return false;
    const int count = static_cast<int>(model.vertices.size());
    for (int index : model.faces[face])
        if (index < 0 || index >= count) return false;
    return true;
}
