#include "scenes/Pause.h"

#include "render/DrawingArea.h"
#include "render/Sprite.h"
#include "scenes/Hud.h"

bool NextPaused(bool paused, bool pausePressed, bool focusLost) {
    if (focusLost) return true;
    return pausePressed ? !paused : paused;
}

PausedLayout LayoutPaused(int windowWidth, int windowHeight, int titleWidth, int titleHeight, int hintWidth) {
    PausedLayout layout;
    layout.titleX = windowWidth / 2 - titleWidth;
    layout.titleY = windowHeight / 2 - 2 * titleHeight;
    layout.hintX = (windowWidth - hintWidth) / 2;
    layout.hintY = windowHeight / 2 + titleHeight / 2;
    return layout;
}

void DrawPaused() {
    Texture* title = DrawableTexture("paused");
    Texture* hint = DrawableTexture("resume");
    if (title == nullptr || hint == nullptr) return;
    const PausedLayout layout = LayoutPaused(windowWidth, windowHeight, title->width, title->height, hint->width);
    DrawSpriteScaled(title, layout.titleX, layout.titleY, 2.0f, 2.0f);
    DrawSprite(hint, layout.hintX, layout.hintY);
}
