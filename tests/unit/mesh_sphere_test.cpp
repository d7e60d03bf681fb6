#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "mesh/Model.h"
#include "mesh/Sphere.h"

TEST(SphereGeneration, CountsFacesAndFlags) {
    struct Case { int n; std::size_t vertices; std::size_t faces; };
    for (const Case c : {Case{3, 16, 18}, Case{4, 25, 32}, Case{5, 36, 50}, Case{0, 1, 0},
                         Case{-1, 0, 0}}) {
        SCOPED_TRACE(c.n);
        std::unique_ptr<Model> model(GenerateSphereModel(c.n, {1.0f, 2.0f, 3.0f}));
        EXPECT_EQ(model->vertices.size(), c.vertices);
        EXPECT_EQ(model->faces.size(), c.faces);
        ASSERT_EQ(model->faceIsSurface.size(), c.faces);
        for (bool flag : model->faceIsSurface) EXPECT_TRUE(flag);
        EXPECT_TRUE(model->cuttable);
        EXPECT_EQ(model->position.y, 2.0f);
        EXPECT_EQ(model->velocity.x, 0.0f);
        for (const auto& v : model->vertices) {
            for (float value : v) EXPECT_TRUE(std::isfinite(value));
        }
    }
    std::unique_ptr<Model> model(GenerateSphereModel(3, {}));
    EXPECT_EQ(model->faces[0], (std::array<int, 3>{0, 1, 5}));
    EXPECT_EQ(model->faces[1], (std::array<int, 3>{0, 5, 4}));
    EXPECT_EQ(model->faces[2], (std::array<int, 3>{1, 2, 6}));
}

TEST(SphereGeneration, GemAnglesPolesAndSeam) {
    std::unique_ptr<Model> model(GenerateSphereModel(3, {}));
    // Row 1, column 1; the slightly-large pi leaves cos(theta) just under one half.
    EXPECT_NEAR(model->vertices[5][0], -0.4330130f, 1e-7);
    EXPECT_NEAR(model->vertices[5][1], 0.4999999f, 1e-7);
    EXPECT_NEAR(model->vertices[5][2], 0.75f, 1e-7);
    EXPECT_LT(model->vertices[5][1], 0.5f);

    for (int n : {3, 4, 5}) {
        SCOPED_TRACE(n);
        std::unique_ptr<Model> m(GenerateSphereModel(n, {}));
        const int side = n + 1;
        for (int j = 0; j <= n; ++j) {
            // Every column keeps its own copy of both poles.
            EXPECT_EQ(m->vertices[j], (std::array<float, 3>{0.0f, 1.0f, 0.0f}));
            EXPECT_NEAR(m->vertices[n * side + j][1], -1.0f, 1e-6f);
            EXPECT_NEAR(m->vertices[n * side + j][0], 0.0f, 1e-6f);
        }
        // Column n repeats column 0 as separate vertices: the seam is not welded.
        for (int i = 0; i <= n; ++i) {
            EXPECT_NEAR(m->vertices[i * side + n][0], m->vertices[i * side][0], 1e-6f);
            EXPECT_NEAR(m->vertices[i * side + n][2], 0.0f, 1e-6f);
        }
        EXPECT_EQ(m->faces[2 * (n - 1)][1], n);
    }
}

TEST(MeshModel, EmptyPieceAndSparks) {
    std::unique_ptr<Model> piece(MakeEmptyPiece({4.0f, 5.0f, 6.0f}));
    EXPECT_FALSE(piece->cuttable);
    EXPECT_TRUE(piece->vertices.empty() && piece->faces.empty() && piece->faceIsSurface.empty());
    EXPECT_EQ(piece->position.z, 6.0f);

    std::srand(1234);
    const int r0 = std::rand(), r1 = std::rand(), r2 = std::rand(), r3 = std::rand();
    const int after = std::rand();
    std::srand(1234);
    const Particle p = MakeParticle({1.0f, 2.0f, 3.0f}, {10.0f, -20.0f, 0.5f});
    EXPECT_EQ(std::rand(), after);  // exactly four draws: x, y, z, then life
    EXPECT_EQ(p.position[2], 3.0);
    EXPECT_DOUBLE_EQ(p.velocity[0], (r0 % 10) * 10.0 * 0.01);
    EXPECT_DOUBLE_EQ(p.velocity[1], (r1 % 10) * -20.0 * 0.01);
    EXPECT_DOUBLE_EQ(p.velocity[2], (r2 % 10) * 0.5 * 0.01);
    EXPECT_EQ(p.life, r3 % 20 + 10);
}
