#pragma once
// Flat pictures drawn in window pixels over the 3D scene (origin top-left, y down).
#include "render/Texture.h"

void DrawSprite(Texture* texture, int x, int y);
void DrawSpriteScaled(Texture* texture, int x, int y, float sx, float sy);
void DrawSpriteCell(Texture* texture, int column, int row, int x, int y, float sx, float sy);
void DrawSpriteCellTinted(Texture* texture, int red, int green, int blue, int row, int x, int y,
                          float sx, float sy);
