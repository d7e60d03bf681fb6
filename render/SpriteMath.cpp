#include "render/SpriteMath.h"

SpriteQuad SpriteRect(const Texture& texture, int x, int y) {
    SpriteQuad q;
    q.x0 = x;
    q.y0 = y;
    q.x1 = x + texture.width;
    q.y1 = y + texture.height;
    q.s0 = 0.0;
    q.s1 = 1.0;
    q.t0 = 0.0;
    q.t1 = 1.0;
    return q;
}

SpriteQuad SpriteScaledRect(const Texture& texture, int x, int y, float sx, float sy) {
    SpriteQuad q;
    q.x0 = x;
    q.y0 = y;
    q.x1 = static_cast<float>(x) + static_cast<float>(texture.width) * sx;
    q.y1 = static_cast<float>(y) + static_cast<float>(texture.height) * sy;
    q.s0 = 0.0;
    q.s1 = 1.0;
    q.t0 = 0.0;
    q.t1 = 1.0;
    return q;
}

SpriteQuad SpriteCellRect(const Texture& texture, int column, int row, int x, int y, float sx,
                          float sy) {
    const int cellWidth = texture.width / texture.columns;
    const int cellHeight = texture.height / texture.rows;
    const float columns = static_cast<float>(texture.columns);
    const float rows = static_cast<float>(texture.rows);
    SpriteQuad q;
    q.x0 = x;
    q.y0 = y;
    q.x1 = static_cast<float>(x) + static_cast<float>(cellWidth) * sx;
    q.y1 = static_cast<float>(y) + static_cast<float>(cellHeight) * sy;
    q.s0 = static_cast<float>(column) / columns;
    q.s1 = static_cast<float>(column + 1) / columns;
    q.t0 = static_cast<float>(row - 1) / rows;
    q.t1 = static_cast<float>(row) / rows;
    return q;
}

SpriteQuad SpriteCellTintedRect(const Texture& texture, int row, int x, int y, float sx, float sy) {
    return SpriteCellRect(texture, 0, row, x, y, sx, sy);
}

bool SpriteDrawable(const Texture* texture) {
    return texture != nullptr && TextureLoaded(*texture);
}
