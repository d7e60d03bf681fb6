#pragma once
// Where a sprite lands in window pixels (origin top-left, y down) and which part of its texture
// it shows (t = 0 at the picture's bottom, since the loader flips it).
#include "render/Texture.h"

struct SpriteQuad {
    double x0 = 0.0, y0 = 0.0;  // top-left corner
    double x1 = 0.0, y1 = 0.0;  // bottom-right corner
    double s0 = 0.0, s1 = 0.0;  // left and right texture coordinate
    double t0 = 0.0, t1 = 0.0;  // bottom and top texture coordinate
};

// Whole picture at its own size (integer corners).
SpriteQuad SpriteRect(const Texture& texture, int x, int y);
// Whole picture, scaled.
SpriteQuad SpriteScaledRect(const Texture& texture, int x, int y, float sx, float sy);
// Cell (column, row), rows counted from 1 at the picture's bottom; columns past the grid wrap
// through the texture's REPEAT mode. Needs columns and rows of at least 1.
SpriteQuad SpriteCellRect(const Texture& texture, int column, int row, int x, int y, float sx,
                          float sy);
// The tinted form always shows column 0.
SpriteQuad SpriteCellTintedRect(const Texture& texture, int row, int x, int y, float sx, float sy);

// True when the cell forms can divide by the grid.
bool SpriteDrawable(const Texture* texture);
