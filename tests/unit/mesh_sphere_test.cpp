#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "mesh/Model.h"
#include "mesh/Sphere.h"

namespace {

std::unique_ptr<Model> Sphere(int n, Vec3 position = {}) {
    return std::unique_ptr<Model>(GenerateSphereModel(n, position));
}

}  // namespace

TEST(SphereGeneration, CountsForEverySize) {
    struct Case { int n; std::size_t vertices; std::size_t faces; };
    for (const Case c : {Case{3, 16, 18}, Case{4, 25, 32}, Case{5, 36, 50}, Case{1, 4, 2},
                         Case{0, 1, 0}, Case{-1, 0, 0}, Case{-7, 0, 0}}) {
        SCOPED_TRACE(c.n);
        auto model = Sphere(c.n, {1.0f, 2.0f, 3.0f});
        EXPECT_EQ(model->vertices.size(), c.vertices);
        EXPECT_EQ(model->faces.size(), c.faces);
        EXPECT_EQ(model->faceIsSurface.size(), c.faces);
        EXPECT_TRUE(model->cuttable);
        EXPECT_EQ(model->position.x, 1.0f);
        EXPECT_EQ(model->position.y, 2.0f);
        EXPECT_EQ(model->position.z, 3.0f);
        EXPECT_EQ(model->velocity.x, 0.0f);
        EXPECT_EQ(model->velocity.y, 0.0f);
        EXPECT_EQ(model->velocity.z, 0.0f);
        for (const auto& v : model->vertices) {
            for (float value : v) EXPECT_TRUE(std::isfinite(value));
        }
    }
}

TEST(SphereGeneration, VerticesFollowTheGemAngles) {
    auto model = Sphere(3);
    // Vertex 5 is row 1, column 1.
    EXPECT_NEAR(model->vertices[5][0], -0.4330130f, 1e-7);
    EXPECT_NEAR(model->vertices[5][1], 0.4999999f, 1e-7);
    EXPECT_NEAR(model->vertices[5][2], 0.75f, 1e-7);
    // The slightly-large pi leaves cos(theta) just under one half, not exactly 0.5.
    EXPECT_LT(model->vertices[5][1], 0.5f);

    // Same value as single-precision angles with double-precision trigonometry give.
    const float theta = (2.0f * 3.141593f) / 3.0f;
    const float phi = (1.0f * 6.283186f) / 3.0f;
    const float expectedX = static_cast<float>(std::cos(static_cast<double>(phi))) *
                            static_cast<float>(std::sin(static_cast<double>(theta)));
    EXPECT_EQ(model->vertices[2 * 4 + 1][0], expectedX);

    for (int n : {3, 4, 5}) {
        SCOPED_TRACE(n);
        auto m = Sphere(n);
        for (const auto& v : m->vertices) {
            EXPECT_NEAR(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 1.0f, 1e-5f);
        }
    }
}

TEST(SphereGeneration, FirstFacesAndFlags) {
    auto model = Sphere(3);
    ASSERT_GE(model->faces.size(), 4u);
    EXPECT_EQ(model->faces[0], (std::array<int, 3>{0, 1, 5}));
    EXPECT_EQ(model->faces[1], (std::array<int, 3>{0, 5, 4}));
    EXPECT_EQ(model->faces[2], (std::array<int, 3>{1, 2, 6}));
    EXPECT_EQ(model->faces[3], (std::array<int, 3>{1, 6, 5}));
    for (int n : {3, 4, 5}) {
        auto m = Sphere(n);
        for (bool flag : m->faceIsSurface) EXPECT_TRUE(flag);
        const int count = static_cast<int>(m->vertices.size());
        for (const auto& f : m->faces) {
            for (int index : f) {
                EXPECT_GE(index, 0);
                EXPECT_LT(index, count);
            }
        }
    }
}

TEST(SphereGeneration, PolesAndSeamStaySeparate) {
    for (int n : {3, 4, 5}) {
        SCOPED_TRACE(n);
        auto model = Sphere(n);
        const int side = n + 1;
        // Row 0: n + 1 separate copies of the north pole.
        for (int j = 0; j <= n; ++j) {
            EXPECT_EQ(model->vertices[j][0], 0.0f);
            EXPECT_EQ(model->vertices[j][1], 1.0f);
            EXPECT_EQ(model->vertices[j][2], 0.0f);
        }
        // Last row: the south pole, up to the rounding of sin(pi).
        for (int j = 0; j <= n; ++j) {
            const auto& v = model->vertices[n * side + j];
            EXPECT_NEAR(v[1], -1.0f, 1e-6f);
            EXPECT_NEAR(v[0], 0.0f, 1e-6f);
            EXPECT_NEAR(v[2], 0.0f, 1e-6f);
        }
        // Column n repeats column 0 in position but is its own vertex.
        for (int i = 0; i <= n; ++i) {
            EXPECT_NEAR(model->vertices[i * side + n][0], model->vertices[i * side][0], 1e-6f);
            EXPECT_EQ(model->vertices[i * side + n][1], model->vertices[i * side][1]);
        }
        // The seam cell uses both column n and column 0 vertices as distinct indices.
        EXPECT_EQ(model->faces[2 * (n - 1)][1], n);
        // Pole cells are kept as zero-area triangles.
        EXPECT_EQ(model->faces.size(), static_cast<std::size_t>(2 * n * n));
    }
}

TEST(SphereGeneration, FacesWindOutward) {
    for (int n : {3, 4, 5}) {
        auto model = Sphere(n);
        for (const auto& f : model->faces) {
            const auto& p = model->vertices[f[0]];
            const auto& q = model->vertices[f[1]];
            const auto& r = model->vertices[f[2]];
            const float ux = q[0] - p[0], uy = q[1] - p[1], uz = q[2] - p[2];
            const float vx = r[0] - p[0], vy = r[1] - p[1], vz = r[2] - p[2];
            const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
            const float cx = (p[0] + q[0] + r[0]), cy = (p[1] + q[1] + r[1]), cz = (p[2] + q[2] + r[2]);
            EXPECT_GE(nx * cx + ny * cy + nz * cz, -1e-5f);
        }
    }
}

TEST(MeshModel, EmptyPieceAndParticles) {
    std::unique_ptr<Model> piece(MakeEmptyPiece({4.0f, 5.0f, 6.0f}));
    EXPECT_FALSE(piece->cuttable);
    EXPECT_TRUE(piece->vertices.empty());
    EXPECT_TRUE(piece->faces.empty());
    EXPECT_TRUE(piece->faceIsSurface.empty());
    EXPECT_EQ(piece->position.y, 5.0f);
    EXPECT_EQ(piece->velocity.x, 0.0f);

    std::srand(1234);
    const int r0 = std::rand(), r1 = std::rand(), r2 = std::rand(), r3 = std::rand();
    const int after = std::rand();
    std::srand(1234);
    const Particle p = MakeParticle({1.0f, 2.0f, 3.0f}, {10.0f, -20.0f, 0.5f});
    EXPECT_EQ(std::rand(), after);  // exactly four draws
    EXPECT_EQ(p.position[0], 1.0);
    EXPECT_EQ(p.position[2], 3.0);
    EXPECT_DOUBLE_EQ(p.velocity[0], (r0 % 10) * 10.0 * 0.01);
    EXPECT_DOUBLE_EQ(p.velocity[1], (r1 % 10) * -20.0 * 0.01);
    EXPECT_DOUBLE_EQ(p.velocity[2], (r2 % 10) * 0.5 * 0.01);
    EXPECT_EQ(p.life, r3 % 20 + 10);
}
