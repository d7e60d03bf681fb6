#pragma once
// A game stands still while paused: the time, the gems, the sparks and the blade. Enter (or a
// pad's Start) pauses and resumes; the window losing the keyboard only pauses, so a player whose
// focus a notification stole resumes when ready.

// Whether the game is paused after this tick's keys.
bool NextPaused(bool paused, bool pausePressed, bool focusLost);

// Where the "PAUSED" picture and the line below it telling how to resume go, in window pixels:
// centred, the picture drawn twice its size a little above the middle, the line at its own size
// below it.
struct PausedLayout {
    int titleX = 0, titleY = 0;
    int hintX = 0, hintY = 0;
};

PausedLayout LayoutPaused(int windowWidth, int windowHeight, int titleWidth, int titleHeight, int hintWidth);

// Draws the two pictures over the game, when they loaded.
void DrawPaused();
