#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "scenes/Hud.h"

namespace {

using Digits = std::array<int, 4>;

Digits TimeDigits(int t) { return ShownDigits(LayoutTimeLeft(t, 1280, 0).quotients); }
Digits ScoreDigits(int score) { return ShownDigits(LayoutScore(score).quotients); }

}  // namespace

TEST(Hud, DigitCellRowsAndWrap) {
    EXPECT_EQ(DigitCell(0), 10);  // top band
    EXPECT_EQ(DigitCell(9), 1);   // bottom band
    EXPECT_EQ(DigitCell(6), 4);
    for (int q = 0; q < 200; ++q) EXPECT_EQ(DigitInRow(DigitCell(q)), q % 10) << q;
    // Without any folding, row 10 - q on the repeating texture would show the same digit.
    EXPECT_EQ(DigitInRow(10 - 10), 0);
    EXPECT_EQ(DigitInRow(10 - 123), 3);
}

TEST(Hud, TimeLeftReadsSecondsAndTenths) {
    EXPECT_EQ(TimeDigits(360), (Digits{0, 0, 6, 0}));
    EXPECT_EQ(TimeDigits(359), (Digits{0, 0, 5, 9}));
    EXPECT_EQ(TimeDigits(6), (Digits{0, 0, 0, 1}));
    EXPECT_EQ(TimeDigits(5), (Digits{0, 0, 0, 0}));
    EXPECT_EQ(TimeDigits(-1), (Digits{0, 0, 0, 0}));
    EXPECT_EQ(TimeDigits(6000), (Digits{1, 0, 0, 0}));
    EXPECT_EQ(TimeDigits(60000)[0], 0);  // q = 10 shows 0 again
    EXPECT_EQ(TimeDigits(659), (Digits{0, 1, 0, 9}));
}

TEST(Hud, TimeLeftLayoutAndTint) {
    TimeLeftLayout layout = LayoutTimeLeft(360, 1280, 0);
    EXPECT_EQ(layout.labelX, 704);
    EXPECT_EQ(layout.labelY, 0);
    EXPECT_EQ(layout.digitX, (Digits{776, 848, 920, 1064}));
    EXPECT_EQ(layout.digitY, 90);
    EXPECT_EQ(layout.dotX, 1012);
    EXPECT_EQ(layout.dotY, 160);

    // The shake moves the digits and the point together, never the label.
    layout = LayoutTimeLeft(20, 1280, -7);
    EXPECT_EQ(layout.labelX, 704);
    EXPECT_EQ(layout.digitX, (Digits{769, 841, 913, 1057}));
    EXPECT_EQ(layout.digitY, 83);
    EXPECT_EQ(layout.dotX, 1005);
    EXPECT_EQ(layout.dotY, 153);

    layout = LayoutTimeLeft(120, 1280, 0);
    EXPECT_EQ(layout.red, 510);
    EXPECT_EQ(layout.green, 255);
    EXPECT_EQ(layout.blue, 255);
    layout = LayoutTimeLeft(60, 1280, 0);
    EXPECT_EQ(layout.red, 255);
    EXPECT_EQ(layout.green, 127);
    layout = LayoutTimeLeft(0, 1280, 0);
    EXPECT_EQ(layout.red, 0);
    EXPECT_EQ(layout.green, 0);
}

TEST(Hud, ShakeBandsAndRandomDraws) {
    struct Band {
        int t, low, high;
    };
    const Band bands[] = {{0, -20, 19},  {29, -20, 19}, {30, -10, 9}, {59, -10, 9},
                          {60, -5, 4},   {89, -5, 4},   {90, -2, 2},  {179, -2, 2},
                          {-1, -20, 19}};
    for (const Band& band : bands) {
        int low = 1000, high = -1000;
        for (int r = 0; r < 400; ++r) {
            const int s = ShakeFromRandom(band.t, r);
            low = std::min(low, s);
            high = std::max(high, s);
        }
        EXPECT_EQ(low, band.low) << band.t;
        EXPECT_EQ(high, band.high) << band.t;
    }
    EXPECT_EQ(ShakeFromRandom(180, 12345), 0);

    // From 180 on no random number is drawn; below it exactly one per call.
    std::srand(77);
    const int first = std::rand();
    const int second = std::rand();
    std::srand(77);
    EXPECT_EQ(TimeShake(180), 0);
    EXPECT_EQ(TimeShake(5000), 0);
    EXPECT_EQ(std::rand(), first);
    std::srand(77);
    EXPECT_EQ(TimeShake(29), first % 40 - 20);
    EXPECT_EQ(std::rand(), second);
    for (int i = 0; i < 500; ++i) {
        const int s = TimeShake(100);
        EXPECT_GE(s, -2);
        EXPECT_LE(s, 2);
    }
}

TEST(Hud, ScoreDigitsAndPlaces) {
    EXPECT_EQ(ScoreDigits(7), (Digits{0, 0, 0, 7}));
    EXPECT_EQ(ScoreDigits(1234), (Digits{1, 2, 3, 4}));
    EXPECT_EQ(ScoreDigits(12345), (Digits{2, 3, 4, 5}));  // the ten-thousands are lost
    const ScoreLayout layout = LayoutScore(0);
    EXPECT_EQ(layout.labelX, 162);
    EXPECT_EQ(layout.labelY, 0);
    EXPECT_EQ(layout.digitX, (Digits{162, 234, 306, 378}));
    EXPECT_EQ(layout.digitY, 90);
}
