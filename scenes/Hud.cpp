#include "scenes/Hud.h"

#include <GL/gl.h>

#include <cstdlib>

#include "mesh/Random.h"
#include "render/DrawingArea.h"
#include "render/Registry.h"
#include "render/Sprite.h"
#include "render/Texture.h"
#include "scenes/ResourceNames.h"

int DigitCell(int q) {
    const int digit = ((q % 10) + 10) % 10;
    return 10 - digit;
}

int DigitInRow(int row) {
    return ((10 - row) % 10 + 10) % 10;
}

int ShakeFromRandom(int t, int r) {
    if (t < 30) return r % 40 - 20;
    if (t < 60) return r % 20 - 10;
    if (t < 90) return r % 10 - 5;
    if (t < 180) return r % 5 - 2;
    return 0;
}

int TimeShake(int t) {
    if (t >= 180) return 0;
    return ShakeFromRandom(t, GameRandom());
}

TimeLeftLayout LayoutTimeLeft(int t, int windowWidth, int shake) {
    TimeLeftLayout layout;
    const int x0 = windowWidth - 576;
    layout.labelX = x0;
    layout.labelY = 0;
    // Sixty ticks make a displayed second, six a tenth.
    layout.quotients = {t / 6000, t / 600, t / 60, t / 6};
    layout.digitX = {x0 + 72 + shake, x0 + 144 + shake, x0 + 216 + shake, x0 + 360 + shake};
    layout.digitY = 90 + shake;
    layout.dotX = x0 + 308 + shake;
    layout.dotY = 160 + shake;
    layout.red = static_cast<int>(static_cast<float>(t) / 60.0f * 255.0f);
    layout.green = static_cast<int>(static_cast<float>(t) / 120.0f * 255.0f);
    layout.blue = layout.green;
    return layout;
}

ScoreLayout LayoutScore(int score) {
    ScoreLayout layout;
    layout.quotients = {score / 1000, score / 100, score / 10, score};
    return layout;
}

std::array<int, 4> ShownDigits(const std::array<int, 4>& quotients) {
    std::array<int, 4> digits{};
    for (int i = 0; i < 4; ++i) digits[i] = DigitInRow(DigitCell(quotients[i]));
    return digits;
}

Texture* DrawableTexture(const char* name) {
    Texture* texture = Registry<Texture>().Get(name);
    if (texture == nullptr || !TextureLoaded(*texture)) return nullptr;
    return texture;
}

void DrawTimeLeft(int t, int shake) {
    const TimeLeftLayout layout = LayoutTimeLeft(t, windowWidth, shake);

    if (Texture* label = DrawableTexture(kRemainingTextureName)) {
        DrawSpriteCell(label, 1, 1, layout.labelX, layout.labelY, 3.0f, 3.0f);
    }
    glPushMatrix();
    if (Texture* digits = DrawableTexture("score_num")) {
        for (int i = 0; i < 4; ++i) {
            DrawSpriteCellTinted(digits, layout.red, layout.green, layout.blue,
                                 DigitCell(layout.quotients[i]), layout.digitX[i], layout.digitY,
                                 3.0f, 3.0f);
        }
    }
    if (Texture* dot = DrawableTexture("dot")) DrawSprite(dot, layout.dotX, layout.dotY);
    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();
}

void DrawScore(int score) {
    const ScoreLayout layout = LayoutScore(score);
    if (Texture* label = DrawableTexture("score")) {
        DrawSpriteCell(label, 1, 1, layout.labelX, layout.labelY, 3.0f, 3.0f);
    }
    if (Texture* digits = DrawableTexture("score_num")) {
        for (int i = 0; i < 4; ++i) {
            DrawSpriteCell(digits, 0, DigitCell(layout.quotients[i]), layout.digitX[i],
                           layout.digitY, 3.0f, 3.0f);
        }
    }
}
