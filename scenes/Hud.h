#pragma once
// The game's two overlays: the time left (top right, shaking and darkening as it runs out) and
// the score (top left), both drawn digit by digit from the ten-band digit picture "score_num".
#include <array>

struct Texture;

// Cell row of "score_num" that shows the last decimal digit of q. The picture holds 0 at the top
// and 9 at the bottom, rows count from 1 at the bottom, so digit d is row 10 - d; quotients of
// 10 and more show q mod 10, exactly as the wrapped texture would.
int DigitCell(int q);

// The digit a cell row shows (the inverse of DigitCell), for checking what lands on screen.
int DigitInRow(int row);

// Offset of the time display: the last three seconds shake harder and harder. Draws one value
// below 180 ticks and none from 180 on; the game draws it once a tick, after the tick's play, so
// that a window redrawn more or less often never shifts the gems that follow.
int TimeShake(int t);

// The same rule on an already drawn non-negative random value r.
int ShakeFromRandom(int t, int r);

struct TimeLeftLayout {
    int labelX = 0, labelY = 0;
    std::array<int, 4> quotients{};  // hundreds, tens and units of seconds, then tenths
    std::array<int, 4> digitX{};
    int digitY = 0;
    int dotX = 0, dotY = 0;
    int red = 0, green = 0, blue = 0;  // tint of the digits, 255 meaning full strength
};

// Where everything of the time display goes for t ticks left, a window width and a shake.
TimeLeftLayout LayoutTimeLeft(int t, int windowWidth, int shake);

struct ScoreLayout {
    int labelX = 162, labelY = 0;
    std::array<int, 4> quotients{};  // thousands, hundreds, tens, units
    std::array<int, 4> digitX{{162, 234, 306, 378}};
    int digitY = 90;
};

ScoreLayout LayoutScore(int score);

// The digits a four-digit display shows for these quotients.
std::array<int, 4> ShownDigits(const std::array<int, 4>& quotients);

// Looked up by name; null when the name is missing or the picture failed to load, so callers can
// simply skip drawing it.
Texture* DrawableTexture(const char* name);

void DrawTimeLeft(int t, int shake);
void DrawScore(int score);
