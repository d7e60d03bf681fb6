#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "mesh/Sphere.h"

TEST(SphereGeneration, CountsFacesAndFlags) {
    const struct { int n; std::size_t vertices, faces; } cases[] = {{3, 16, 18}, {4, 25, 32}, {5, 36, 50},
                                                                     {0, 1, 0},   {-1, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        std::unique_ptr<Model> model(GenerateSphereModel(c.n, {1.0f, 2.0f, 3.0f}));
        EXPECT_EQ(model->vertices.size(), c.vertices);
        EXPECT_EQ(model->faces.size(), c.faces);
        EXPECT_EQ(model->faceIsSurface, std::vector<bool>(c.faces, true));
        EXPECT_TRUE(model->cuttable);
        EXPECT_EQ(model->position.y, 2.0f);
        for (const auto& v : model->vertices) EXPECT_TRUE(std::isfinite(v[0] + v[1] + v[2]));
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
        for (int j = 0; j <= n; ++j) {  // every column keeps its own copy of both poles
            EXPECT_EQ(m->vertices[j], (std::array<float, 3>{0.0f, 1.0f, 0.0f}));
            EXPECT_NEAR(m->vertices[n * side + j][1], -1.0f, 1e-6f);
            EXPECT_NEAR(m->vertices[n * side + j][0], 0.0f, 1e-6f);
        }
        for (int i = 0; i <= n; ++i) {  // column n repeats column 0 as separate vertices: no welded seam
            EXPECT_NEAR(m->vertices[i * side + n][0], m->vertices[i * side][0], 1e-6f);
            EXPECT_NEAR(m->vertices[i * side + n][2], 0.0f, 1e-6f);
        }
        EXPECT_EQ(m->faces[2 * (n - 1)][1], n);
    }
}
