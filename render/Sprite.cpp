#include <GL/glew.h>

#include "render/Sprite.h"

#include "render/DrawingArea.h"
#include "render/SpriteMath.h"

namespace {

// Pixel-exact 2D view with alpha-tested, alpha-blended texturing. Lighting and depth go off so
// the overlay sits on top of the 3D pass unshaded.
void Begin2D(bool tinted, int red, int green, int blue) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    if (tinted) {
        const GLint colour[3] = {red, green, blue};
        glColor3iv(colour);
        glDisable(GL_TEXTURE_2D);
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);

    glEnable(GL_BLEND);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glOrtho(0.0, windowWidth, windowHeight, 0.0, -1.0, 1.0);
}

void Quad(const Texture* texture, const SpriteQuad& q) {
    glBindTexture(GL_TEXTURE_2D, texture->id);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_POLYGON);
    glTexCoord2d(q.s1, q.t0);
    glVertex2d(q.x1, q.y1);
    glTexCoord2d(q.s0, q.t0);
    glVertex2d(q.x0, q.y1);
    glTexCoord2d(q.s0, q.t1);
    glVertex2d(q.x0, q.y0);
    glTexCoord2d(q.s1, q.t1);
    glVertex2d(q.x1, q.y0);
    glEnd();
}

// Back to the 3D state every scene's next frame expects.
void End2D() {
    glPopMatrix();
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_BLEND);
}

}  // namespace

// A texture that failed to load is not drawn, but the state changes still happen so the rest
// of the frame looks the same as with the picture present.

void DrawSprite(Texture* texture, int x, int y) {
    Begin2D(false, 0, 0, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (SpriteDrawable(texture)) Quad(texture, SpriteRect(*texture, x, y));
    End2D();
}

void DrawSpriteScaled(Texture* texture, int x, int y, float sx, float sy) {
    Begin2D(false, 0, 0, 0);
    if (SpriteDrawable(texture)) Quad(texture, SpriteScaledRect(*texture, x, y, sx, sy));
    End2D();
}

void DrawSpriteCell(Texture* texture, int column, int row, int x, int y, float sx, float sy) {
    Begin2D(false, 0, 0, 0);
    if (SpriteDrawable(texture))
        Quad(texture, SpriteCellRect(*texture, column, row, x, y, sx, sy));
    End2D();
}

void DrawSpriteCellTinted(Texture* texture, int red, int green, int blue, int row, int x, int y,
                          float sx, float sy) {
    Begin2D(true, red, green, blue);
    if (SpriteDrawable(texture))
        Quad(texture, SpriteCellTintedRect(*texture, row, x, y, sx, sy));
    End2D();
}
