// Sprite placement and texture areas for the four sprite operations.
#include <gtest/gtest.h>

#include <array>

#include "render/SpriteMath.h"

namespace {

Texture Loaded(int width, int height, int rows, int columns = 1) {
    Texture t;
    t.id = 7;
    t.width = width;
    t.height = height;
    t.columns = columns;
    t.rows = rows;
    return t;
}

std::array<double, 8> Fields(const SpriteQuad& q) {
    return {q.x0, q.y0, q.x1, q.y1, q.s0, q.s1, q.t0, q.t1};
}

}  // namespace

TEST(SpriteRects, EachOperationCoversItsRectangleAndTextureArea) {
    const Texture picture = Loaded(200, 100, 1), digits = Loaded(24, 240, 10),
                  title = Loaded(301, 99, 1), uneven = Loaded(25, 25, 10),
                  grid = Loaded(40, 30, 3, 4);
    const struct {
        SpriteQuad got, want;
    } cases[] = {
        // Upright: the picture's top (t = 1) at y 20.
        {SpriteRect(picture, 10, 20), {10, 20, 210, 120, 0, 1, 0, 1}},
        {SpriteScaledRect(picture, 10, 20, 0.5f, 2.0f), {10, 20, 110, 220, 0, 1, 0, 1}},
        {SpriteScaledRect(picture, -5, 0, 1.0f, 1.0f), {-5, 0, 195, 100, 0, 1, 0, 1}},
        // Ten digit bands: row 10 is the top band (digit 0), row 1 the bottom, digit d row 10 - d.
        {SpriteCellRect(digits, 0, 10, 100, 50, 1.0f, 1.0f), {100, 50, 124, 74, 0, 1, 0.9, 1.0}},
        {SpriteCellRect(digits, 0, 1, 100, 50, 1.0f, 1.0f), {100, 50, 124, 74, 0, 1, 0.0, 0.1}},
        {SpriteCellRect(digits, 0, 10 - 7, 0, 0, 3.0f, 3.0f), {0, 0, 72, 72, 0, 1, 0.2, 0.3}},
        // Column 1 of a one-column picture is s 1..2: the whole width again through REPEAT.
        {SpriteCellRect(title, 1, 1, 8, 9, 1.0f, 1.0f), {8, 9, 309, 108, 1, 2, 0, 1}},
        // Cells are whole pixels before scaling: 25 / 10 rows gives 2-pixel cells.
        {SpriteCellRect(uneven, 0, 1, 0, 0, 1.5f, 1.5f), {0, 0, 37.5, 3, 0, 1, 0, 0.1}},
        {SpriteCellRect(grid, 3, 3, 1, 2, 1.0f, 1.0f), {1, 2, 11, 12, 0.75, 1.0, 2.0 / 3, 1.0}},
        // The tinted form always shows column 0.
        {SpriteCellTintedRect(grid, 2, 1, 2, 2.0f, 1.0f), {1, 2, 21, 12, 0, 0.25, 1. / 3, 2. / 3}},
    };
    for (const auto& c : cases) {
        const auto got = Fields(c.got), want = Fields(c.want);
        for (int k = 0; k < 8; ++k) EXPECT_NEAR(got[k], want[k], 1e-6) << &c - cases << ":" << k;
    }
}

TEST(SpriteRects, OnlyLoadedTexturesWithAGridAreDrawable) {
    Texture fresh;  // as the registry makes it: no GL name, no grid
    Texture ok = Loaded(4, 4, 1), noRows = Loaded(4, 4, 0), unloaded = ok;
    unloaded.id = Texture().id;  // a failed load keeps the grid but no picture
    for (const Texture* t : {&fresh, &unloaded, &noRows}) EXPECT_FALSE(SpriteDrawable(t));
    EXPECT_FALSE(SpriteDrawable(nullptr));
    EXPECT_TRUE(SpriteDrawable(&ok));
}
