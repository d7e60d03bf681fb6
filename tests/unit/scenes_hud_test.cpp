#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "scenes/Hud.h"

namespace {

using Digits = std::array<int, 4>;

Digits TimeDigits(int t) { return ShownDigits(LayoutTimeLeft(t, 1280, 0).quotients); }

}  // namespace

TEST(Hud, DigitsOfTimeAndScore) {
    EXPECT_EQ(DigitCell(0), 10);  // 0 is the top band, 9 the bottom
    EXPECT_EQ(DigitCell(9), 1);
    for (int q = 0; q < 200; ++q) EXPECT_EQ(DigitInRow(DigitCell(q)), q % 10) << q;

    const struct { int t; Digits shown; } times[] = {
        {360, {0, 0, 6, 0}}, {359, {0, 0, 5, 9}}, {6, {0, 0, 0, 1}},    {5, {0, 0, 0, 0}},
        {-1, {0, 0, 0, 0}},  {6000, {1, 0, 0, 0}}, {659, {0, 1, 0, 9}},
    };
    for (const auto& c : times) EXPECT_EQ(TimeDigits(c.t), c.shown) << c.t;
    EXPECT_EQ(TimeDigits(60000)[0], 0);  // a quotient of 10 shows 0 again

    EXPECT_EQ(ShownDigits(LayoutScore(7).quotients), (Digits{0, 0, 0, 7}));
    EXPECT_EQ(ShownDigits(LayoutScore(1234).quotients), (Digits{1, 2, 3, 4}));
    EXPECT_EQ(ShownDigits(LayoutScore(12345).quotients), (Digits{2, 3, 4, 5}));
}

TEST(Hud, PlacesAndTint) {
    const ScoreLayout score = LayoutScore(0);
    EXPECT_EQ(score.digitX, (Digits{162, 234, 306, 378}));
    EXPECT_EQ(score.digitY, 90);
    // The shake moves the digits and the point together, never the label.
    for (const int shake : {0, -7}) {
        const TimeLeftLayout t = LayoutTimeLeft(20, 1280, shake);
        EXPECT_EQ(t.labelX, 704);
        EXPECT_EQ(t.labelY, 0);
        EXPECT_EQ(t.digitX, (Digits{776 + shake, 848 + shake, 920 + shake, 1064 + shake}));
        EXPECT_EQ(t.digitY, 90 + shake);
        EXPECT_EQ(t.dotX, 1012 + shake);
        EXPECT_EQ(t.dotY, 160 + shake);
    }
    const struct { int t, red, green, blue; } tints[] = {
        {120, 510, 255, 255}, {60, 255, 127, 127}, {0, 0, 0, 0}};
    for (const auto& c : tints) {
        const TimeLeftLayout t = LayoutTimeLeft(c.t, 1280, 0);
        EXPECT_EQ((Digits{t.red, t.green, t.blue, 0}), (Digits{c.red, c.green, c.blue, 0})) << c.t;
    }
}

TEST(Hud, ShakeBandsAndRandomDraws) {
    const struct { int t, low, high; } bands[] = {
        {0, -20, 19}, {29, -20, 19}, {30, -10, 9}, {59, -10, 9}, {60, -5, 4},
        {89, -5, 4},  {90, -2, 2},   {179, -2, 2}, {-1, -20, 19}};
    for (const auto& band : bands) {
        int low = 1000, high = -1000;
        for (int r = 0; r < 400; ++r) {
            low = std::min(low, ShakeFromRandom(band.t, r));
            high = std::max(high, ShakeFromRandom(band.t, r));
        }
        EXPECT_EQ(low, band.low) << band.t;
        EXPECT_EQ(high, band.high) << band.t;
    }
    // From 180 on no random number is drawn; below it exactly one per call.
    std::srand(77);
    const int first = std::rand(), second = std::rand();
    std::srand(77);
    EXPECT_EQ(TimeShake(180), 0);
    EXPECT_EQ(TimeShake(5000), 0);
    EXPECT_EQ(std::rand(), first);
    std::srand(77);
    EXPECT_EQ(TimeShake(29), first % 40 - 20);
    EXPECT_EQ(std::rand(), second);
}
