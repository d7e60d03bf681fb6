#include "scenes/ReplayLabel.h"

#include "render/DrawingArea.h"
#include "render/Sprite.h"
#include "render/Texture.h"
#include "scenes/Hud.h"

namespace {
constexpr int kReplayMargin = 12;
}  // namespace

const char* ReplayPacePicture(int pace) {
    switch (pace) {
        case 0: return "replay_paused";
        case 1: return "replay_half";
        case 4: return "replay_double";
        case 8: return "replay_four";
        default: return nullptr;
    }
}

ReplayLabelLayout LayoutReplayLabel(int windowWidth, int windowHeight, int labelWidth, int labelHeight,
                                    int paceWidth) {
    ReplayLabelLayout layout;
    layout.labelX = windowWidth - kReplayMargin - paceWidth - labelWidth;
    layout.labelY = windowHeight - kReplayMargin - labelHeight;
    layout.paceX = layout.labelX + labelWidth;
    layout.paceY = layout.labelY;
    return layout;
}

void DrawReplayLabel(int pace) {
    Texture* label = DrawableTexture("replay_label");
    if (label == nullptr) return;
    const char* paceName = ReplayPacePicture(pace);
    Texture* paceLabel = paceName != nullptr ? DrawableTexture(paceName) : nullptr;
    const int paceWidth = paceLabel != nullptr ? paceLabel->width : 0;
    const ReplayLabelLayout layout = LayoutReplayLabel(windowWidth, windowHeight, label->width, label->height, paceWidth);
    DrawSprite(label, layout.labelX, layout.labelY);
    if (paceLabel != nullptr) DrawSprite(paceLabel, layout.paceX, layout.paceY);
}
