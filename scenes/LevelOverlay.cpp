#include "scenes/LevelOverlay.h"

#include <GL/gl.h>

#include "render/DrawingArea.h"
#include "render/Sprite.h"
#include "scenes/Hud.h"

void ShowLevel(LevelOverlay& overlay, SoundKey key, const SoundLevels& levels) {
    overlay.ticksLeft = kOverlayTicks;
    overlay.key = key;
    overlay.levels = levels;
}

void StepOverlay(LevelOverlay& overlay) {
    if (overlay.ticksLeft > 0) --overlay.ticksLeft;
}

OverlayLayout LayoutOverlay(const LevelOverlay& overlay, int windowWidth, int windowHeight, int labelWidth,
                            int labelHeight) {
    OverlayLayout layout;
    if (overlay.ticksLeft <= 0 || overlay.key == SoundKey::None) return layout;
    // Unmuting shows the music's level: what the player hears come back first.
    const bool music = overlay.key != SoundKey::EffectsDown && overlay.key != SoundKey::EffectsUp;
    layout.label = overlay.levels.muted ? OverlayLabel::Muted : music ? OverlayLabel::Music : OverlayLabel::Effects;
    layout.bars = overlay.levels.muted ? 0 : kTopSoundLevel;
    layout.lit = layout.bars == 0 ? 0 : music ? overlay.levels.music : overlay.levels.effects;
    layout.barWidth = labelHeight / 2;
    layout.barHeight = 2 * labelHeight;
    const int gap = layout.barWidth / 2;
    const int barsWidth = layout.bars == 0 ? 0 : layout.bars * (layout.barWidth + gap);
    const int width = 2 * labelWidth + barsWidth;
    layout.labelX = (windowWidth - width) / 2;
    layout.labelY = windowHeight - 4 * labelHeight;
    for (int i = 0; i < layout.bars; ++i)
        layout.barX[i] = layout.labelX + 2 * labelWidth + gap + i * (layout.barWidth + gap);
    layout.barY = layout.labelY;
    return layout;
}

void DrawOverlay(const LevelOverlay& overlay) {
    if (overlay.ticksLeft <= 0) return;
    static const char* const names[] = {"", "music_label", "effects_label", "muted_label"};
    Texture* probe = DrawableTexture("music_label");
    if (probe == nullptr) return;
    const OverlayLayout layout = LayoutOverlay(overlay, windowWidth, windowHeight, probe->width, probe->height);
    Texture* label = DrawableTexture(names[static_cast<int>(layout.label)]);
    if (label == nullptr) return;
    DrawSpriteScaled(label, layout.labelX, layout.labelY, 2.0f, 2.0f);
    // The bars in window pixels, as the sprites are drawn.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, windowWidth, windowHeight, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    for (int i = 0; i < layout.bars; ++i) {
        // Lit bars in the labels' gold, the rest a dark maroon.
        if (i < layout.lit) glColor3ub(255, 200, 70);
        else glColor3ub(70, 14, 22);
        glRecti(layout.barX[i], layout.barY, layout.barX[i] + layout.barWidth, layout.barY + layout.barHeight);
    }
    glPopAttrib();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
