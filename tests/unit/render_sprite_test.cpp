// Sprite placement and texture areas for the four sprite operations.
#include <gtest/gtest.h>

#include "render/SpriteMath.h"

namespace {

Texture Loaded(int width, int height, int rows) {
    Texture t;
    t.id = 7;
    t.width = width;
    t.height = height;
    t.columns = 1;
    t.rows = rows;
    return t;
}

void ExpectQuad(const SpriteQuad& q, double x0, double y0, double x1, double y1, double s0,
                double s1, double t0, double t1) {
    EXPECT_DOUBLE_EQ(q.x0, x0);
    EXPECT_DOUBLE_EQ(q.y0, y0);
    EXPECT_DOUBLE_EQ(q.x1, x1);
    EXPECT_DOUBLE_EQ(q.y1, y1);
    EXPECT_NEAR(q.s0, s0, 1e-6);
    EXPECT_NEAR(q.s1, s1, 1e-6);
    EXPECT_NEAR(q.t0, t0, 1e-6);
    EXPECT_NEAR(q.t1, t1, 1e-6);
}

}  // namespace

TEST(SpriteRects, WholePictureAtItsOwnSizeAndScaled) {
    const Texture t = Loaded(200, 100, 1);
    // Upright: the picture's top (t = 1) at y 20.
    ExpectQuad(SpriteRect(t, 10, 20), 10, 20, 210, 120, 0, 1, 0, 1);
    ExpectQuad(SpriteScaledRect(t, 10, 20, 0.5f, 2.0f), 10, 20, 110, 220, 0, 1, 0, 1);
    ExpectQuad(SpriteScaledRect(t, -5, 0, 1.0f, 1.0f), -5, 0, 195, 100, 0, 1, 0, 1);
}

TEST(SpriteRects, CellsCountRowsFromTheBottomAndColumnsWrap) {
    // Ten stacked digit bands of 24 pixels: row 10 is the top band (digit 0), row 1 the bottom.
    const Texture digits = Loaded(24, 240, 10);
    ExpectQuad(SpriteCellRect(digits, 0, 10, 100, 50, 1.0f, 1.0f), 100, 50, 124, 74, 0, 1, 0.9, 1.0);
    ExpectQuad(SpriteCellRect(digits, 0, 1, 100, 50, 1.0f, 1.0f), 100, 50, 124, 74, 0, 1, 0.0, 0.1);
    // Digit d is drawn with row 10 - d: digit 7 is the third band from the bottom.
    ExpectQuad(SpriteCellRect(digits, 0, 10 - 7, 0, 0, 3.0f, 3.0f), 0, 0, 72, 72, 0, 1, 0.2, 0.3);

    // Column 1 of a one-column picture is s 1..2: the whole width again through REPEAT.
    const Texture title = Loaded(301, 99, 1);
    ExpectQuad(SpriteCellRect(title, 1, 1, 8, 9, 1.0f, 1.0f), 8, 9, 309, 108, 1, 2, 0, 1);

    // Cell sizes are whole pixels before scaling: 25 / 10 rows gives 2-pixel cells.
    const Texture uneven = Loaded(25, 25, 10);
    ExpectQuad(SpriteCellRect(uneven, 0, 1, 0, 0, 1.5f, 1.5f), 0, 0, 37.5, 3, 0, 1, 0, 0.1);

    // The tinted form always shows column 0, whatever the grid.
    Texture grid = Loaded(40, 30, 3);
    grid.columns = 4;
    ExpectQuad(SpriteCellTintedRect(grid, 2, 1, 2, 2.0f, 1.0f), 1, 2, 21, 12, 0, 0.25, 1.0 / 3,
               2.0 / 3);
    ExpectQuad(SpriteCellRect(grid, 3, 3, 1, 2, 1.0f, 1.0f), 1, 2, 11, 12, 0.75, 1.0, 2.0 / 3, 1.0);
}

TEST(SpriteRects, OnlyLoadedTexturesAreDrawable) {
    EXPECT_FALSE(SpriteDrawable(nullptr));
    Texture fresh;  // as the registry makes it: no GL name, no grid
    EXPECT_FALSE(SpriteDrawable(&fresh));
    fresh.columns = 1;
    fresh.rows = 1;
    EXPECT_FALSE(SpriteDrawable(&fresh));  // a failed load keeps the grid but no picture
    const Texture ok = Loaded(4, 4, 1);
    EXPECT_TRUE(SpriteDrawable(&ok));
    Texture noRows = ok;
    noRows.rows = 0;
    EXPECT_FALSE(SpriteDrawable(&noRows));
}
