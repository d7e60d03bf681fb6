// Tube points, strip texture coordinates and normals; gem face normals and texture coordinates.
#include <gtest/gtest.h>

#include <cmath>

#include "render/MeshMath.h"

TEST(SurfaceGeometry, TwoRingsOfTwelvePointsOnRadiusThree) {
    const Surface surface;
    for (int i = 0; i < 24; ++i) {
        const float* p = surface.points[i];
        EXPECT_NEAR(std::hypot(p[0], p[2]), 3.0, 1e-5) << i;
        EXPECT_EQ(p[1], i < 12 ? 0.0f : 150.0f) << i;
        EXPECT_TRUE(p[0] == surface.points[i % 12][0] && p[2] == surface.points[i % 12][2]) << i;
    }
    // Point 0 at +x, point 3 a quarter turn on at +z.
    EXPECT_FLOAT_EQ(surface.points[0][0], 3.0f);
    EXPECT_NEAR(surface.points[3][2], 3.0, 1e-6);
}

TEST(SurfaceGeometry, StripTextureCoordinatesFollowTheScrollAndNormalsPointAtTheAxis) {
    Surface surface;
    for (double scroll : {0.0, 0.05}) {
        surface.scroll = scroll;
        const auto strip = SurfaceStrip(surface);
        for (int v = 0; v < kStripVertices; ++v) {
            const int pair = v / 2;
            const bool ringB = v % 2 == 1;
            // A(i) has s (i + 1) / 6, B(i) has i / 6; the closing pair has 13/6 and 11/6.
            const double s = pair < 12 ? (pair + (ringB ? 0 : 1)) / 6.0 : (ringB ? 11 : 13) / 6.0;
            EXPECT_NEAR(strip[v].s, s, 1e-6) << v;
            EXPECT_DOUBLE_EQ(strip[v].t, scroll + (ringB ? 15.0 : 0.0)) << v;
            const float* p = surface.points[pair % 12 + (ringB ? 12 : 0)];
            EXPECT_TRUE(strip[v].position.x == p[0] && strip[v].position.y == p[1] &&
                        strip[v].position.z == p[2]) << v;

            // Finite, unit, level and facing inwards (against the direction from the axis).
            const Vec3 n = strip[v].normal;
            ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z)) << v;
            EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0f, 1e-5) << v;
            EXPECT_NEAR(n.y, 0.0f, 1e-6) << v;
            EXPECT_LT((n.x * p[0] + n.z * p[2]) / 3.0f, -0.9f) << v;
        }
        // Pair 0 takes A(11) as its preceding point: the normal of the panel centred near -15
        // degrees; the closing pair repeats it.
        EXPECT_NEAR(strip[0].normal.x, -std::cos(-15.0 * M_PI / 180), 2e-3);
        EXPECT_NEAR(strip[0].normal.z, -std::sin(-15.0 * M_PI / 180), 2e-3);
        EXPECT_EQ(strip[24].normal.x, strip[0].normal.x);
        EXPECT_EQ(strip[25].normal.z, strip[0].normal.z);
    }
}

TEST(ModelGeometry, FaceNormalsDegenerateFacesAndTextureCoordinates) {
    Model model;
    model.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}};
    // Counter-clockwise from +z, collinear, collapsed, and one naming a vertex that is not there.
    model.faces = {{0, 1, 2}, {0, 1, 3}, {0, 0, 0}, {0, 1, 4}};
    model.faceIsSurface = {true, true, false, true};
    const Vec3 keep{0.0f, 0.6f, 0.8f};
    const Vec3 n = ModelFaceNormal(model, 0, keep);
    EXPECT_TRUE(n.x == 0.0f && n.y == 0.0f && n.z == 1.0f);
    // Zero-area faces have no direction: the fallback, never NaN.
    for (int face : {1, 2}) {
        const Vec3 d = ModelFaceNormal(model, face, keep);
        EXPECT_TRUE(d.x == keep.x && d.y == keep.y && d.z == keep.z) << face;
    }
    // Tiny but real faces still get a unit normal.
    Model tiny;
    tiny.vertices = {{0, 0, 0}, {1e-3f, 0, 0}, {0, 0, 1e-3f}};
    tiny.faces = {{0, 1, 2}};
    tiny.faceIsSurface = {true};
    EXPECT_NEAR(ModelFaceNormal(tiny, 0, keep).y, -1.0f, 1e-6);

    EXPECT_TRUE(ModelFaceValid(model, 0));
    EXPECT_FALSE(ModelFaceValid(model, 3));  // vertex 4 does not exist
    EXPECT_FALSE(ModelFaceValid(model, 4));  // no such face
    model.faces.push_back({0, 1, 2});        // no faceIsSurface entry
    EXPECT_FALSE(ModelFaceValid(model, 4));

    // A cut-face vertex (1, 0, -1) maps to (0, -0.5, -1); the outer skin uses the position.
    const auto cut = ModelTexCoord({1.0f, 0.0f, -1.0f}, false);
    const auto skin = ModelTexCoord({1.0f, 0.0f, -1.0f}, true);
    EXPECT_TRUE(cut[0] == 0.0 && cut[1] == -0.5 && cut[2] == -1.0);
    EXPECT_TRUE(skin[0] == 1.0 && skin[1] == 0.0 && skin[2] == -1.0);
}
