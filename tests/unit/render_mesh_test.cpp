// Tube points, strip texture coordinates and normals; gem face normals and texture coordinates.
#include <gtest/gtest.h>

#include <cmath>

#include "render/MeshMath.h"

namespace {

float Length(Vec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

}  // namespace

TEST(SurfaceGeometry, TwoRingsOfTwelvePointsOnRadiusThree) {
    const Surface surface;
    EXPECT_EQ(surface.scroll, 0.0);
    for (int i = 0; i < 24; ++i) {
        const float* p = surface.points[i];
        EXPECT_NEAR(std::hypot(p[0], p[2]), 3.0, 1e-5) << i;
        EXPECT_EQ(p[1], i < 12 ? 0.0f : 150.0f) << i;
        EXPECT_EQ(p[0], surface.points[i % 12][0]);
        EXPECT_EQ(p[2], surface.points[i % 12][2]);
    }
    EXPECT_FLOAT_EQ(surface.points[0][0], 3.0f);
    EXPECT_FLOAT_EQ(surface.points[0][2], 0.0f);
    // Point 3 is a quarter turn on: (0, 0, 3) up to the 3.1415 used for the angle.
    EXPECT_NEAR(surface.points[3][0], 3.0 * std::cos(6 * 3.1415 / 12), 1e-6);
    EXPECT_NEAR(surface.points[3][2], 3.0, 1e-6);
}

TEST(SurfaceGeometry, StripTextureCoordinatesFollowTheScroll) {
    Surface surface;
    for (double scroll : {0.0, 0.05}) {
        surface.scroll = scroll;
        const auto strip = SurfaceStrip(surface);
        for (int i = 0; i < 12; ++i) {
            EXPECT_FLOAT_EQ(static_cast<float>(strip[2 * i].s), (i + 1) / 6.0f);
            EXPECT_DOUBLE_EQ(strip[2 * i].t, scroll);
            EXPECT_FLOAT_EQ(static_cast<float>(strip[2 * i + 1].s), i / 6.0f);
            EXPECT_DOUBLE_EQ(strip[2 * i + 1].t, scroll + 15.0);
            EXPECT_EQ(strip[2 * i].position.y, 0.0f);
            EXPECT_EQ(strip[2 * i + 1].position.y, 150.0f);
        }
        EXPECT_FLOAT_EQ(static_cast<float>(strip[24].s), 2.1666667f);
        EXPECT_FLOAT_EQ(static_cast<float>(strip[25].s), 1.8333334f);
        EXPECT_DOUBLE_EQ(strip[24].t, scroll);
        EXPECT_DOUBLE_EQ(strip[25].t, scroll + 15.0);
        EXPECT_EQ(strip[24].position.x, surface.points[0][0]);
        EXPECT_EQ(strip[25].position.y, 150.0f);
    }
}

TEST(SurfaceGeometry, EveryNormalIsFiniteUnitAndPointsAtTheAxis) {
    const Surface surface;
    const auto strip = SurfaceStrip(surface);
    for (int v = 0; v < kStripVertices; ++v) {
        const Vec3 n = strip[v].normal;
        ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z)) << v;
        EXPECT_NEAR(Length(n), 1.0f, 1e-5) << v;
        EXPECT_NEAR(n.y, 0.0f, 1e-6) << v;
        // Facing inwards: against the direction from the axis to the point.
        const Vec3 p = strip[v].position;
        const float outward = (n.x * p.x + n.z * p.z) / std::hypot(p.x, p.z);
        EXPECT_LT(outward, -0.9f) << v;
    }
    // The first pair's preceding point is A(11): its normal is that of the panel from -30 to 0
    // degrees, centred near -15 degrees.
    EXPECT_NEAR(strip[0].normal.x, -std::cos(-15.0 * M_PI / 180), 2e-3);
    EXPECT_NEAR(strip[0].normal.z, -std::sin(-15.0 * M_PI / 180), 2e-3);
    // The closing pair repeats pair 0.
    EXPECT_EQ(strip[24].normal.x, strip[0].normal.x);
    EXPECT_EQ(strip[25].normal.z, strip[0].normal.z);
}

TEST(ModelGeometry, FaceNormalsAndDegenerateFaces) {
    Model model;
    model.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}};
    model.faces = {{0, 1, 2}, {0, 1, 3}, {0, 0, 0}};
    model.faceIsSurface = {true, true, false};
    // Counter-clockwise seen from +z: the normal points at +z.
    const Vec3 n = ModelFaceNormal(model, 0, Vec3{9, 9, 9});
    EXPECT_FLOAT_EQ(n.x, 0.0f);
    EXPECT_FLOAT_EQ(n.y, 0.0f);
    EXPECT_FLOAT_EQ(n.z, 1.0f);
    // Collinear and collapsed faces have no direction: the fallback, never NaN.
    const Vec3 keep{0.0f, 0.6f, 0.8f};
    for (int face : {1, 2}) {
        const Vec3 d = ModelFaceNormal(model, face, keep);
        EXPECT_EQ(d.x, keep.x);
        EXPECT_EQ(d.y, keep.y);
        EXPECT_EQ(d.z, keep.z);
    }
    // Tiny but real faces still get a unit normal.
    Model tiny;
    tiny.vertices = {{0, 0, 0}, {1e-3f, 0, 0}, {0, 0, 1e-3f}};
    tiny.faces = {{0, 1, 2}};
    tiny.faceIsSurface = {true};
    const Vec3 t = ModelFaceNormal(tiny, 0, keep);
    EXPECT_NEAR(t.y, -1.0f, 1e-6);

    EXPECT_TRUE(ModelFaceValid(model, 0));
    EXPECT_FALSE(ModelFaceValid(model, 3));
    model.faces.push_back({0, 1, 4});  // vertex 4 does not exist
    model.faceIsSurface.push_back(true);
    EXPECT_FALSE(ModelFaceValid(model, 3));
    model.faces.push_back({0, 1, 2});  // no faceIsSurface entry
    EXPECT_FALSE(ModelFaceValid(model, 4));
}

TEST(ModelGeometry, TextureCoordinatesComeFromPositions) {
    const std::array<float, 3> v{1.0f, 0.0f, -1.0f};
    const auto cut = ModelTexCoord(v, false);
    EXPECT_DOUBLE_EQ(cut[0], 0.0);
    EXPECT_DOUBLE_EQ(cut[1], -0.5);
    EXPECT_DOUBLE_EQ(cut[2], -1.0);
    const auto skin = ModelTexCoord(v, true);
    EXPECT_DOUBLE_EQ(skin[0], 1.0);
    EXPECT_DOUBLE_EQ(skin[1], 0.0);
    EXPECT_DOUBLE_EQ(skin[2], -1.0);
    const auto odd = ModelTexCoord({0.1f, 0.3f, 2.5f}, false);
    EXPECT_DOUBLE_EQ(odd[0], static_cast<double>(0.1f) * 0.5 - 0.5);
    EXPECT_DOUBLE_EQ(odd[2], 0.75);
}
