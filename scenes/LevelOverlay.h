#pragma once
// The short overlay that shows a sound level the player just changed: its name and ten bars, as
// many lit as the level, at the bottom of the screen; "MUTED" alone while muted. It shows for a
// second and a half of ticks after the last change.
#include <array>

#include "audio/SoundLevels.h"

inline constexpr int kOverlayTicks = 90;

struct LevelOverlay {
    int ticksLeft = 0;
    SoundKey key = SoundKey::None;  // what changed
    SoundLevels levels;             // the levels after the change
};

// After a sound key: shows the level it changed.
void ShowLevel(LevelOverlay& overlay, SoundKey key, const SoundLevels& levels);

// Once a tick: counts the overlay's time down.
void StepOverlay(LevelOverlay& overlay);

enum class OverlayLabel { None, Music, Effects, Muted };

struct OverlayLayout {
    OverlayLabel label = OverlayLabel::None;  // None: nothing to draw
    int labelX = 0, labelY = 0;
    int lit = 0;                              // bars lit, 0..10; no bars while muted
    int bars = 0;
    std::array<int, kTopSoundLevel> barX{};
    int barY = 0, barWidth = 0, barHeight = 0;
};

// Where the overlay goes in a window, for a label picture of the given size (drawn at twice it).
OverlayLayout LayoutOverlay(const LevelOverlay& overlay, int windowWidth, int windowHeight, int labelWidth,
                            int labelHeight);

void DrawOverlay(const LevelOverlay& overlay);
