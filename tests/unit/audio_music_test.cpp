// The music's clock-driven restart, without any audio output.
#include <gtest/gtest.h>


#include "audio/Music.h"

// A never-opened player (as in a silent game) only keeps the clock: it restarts once 68 whole
// seconds have passed, across midnight too, and a late tick counts from the late time.
TEST(AudioMusicClock, RestartsOnceSixtyEightWholeSecondsHavePassed) {
    // {start, first and last second ticked (twice each), seconds after the start that restarted}
    const struct { int start, from, to; std::vector<int> restarts; } cases[] = {
        {12 * 3600, 1, 150, {68, 136}}, {24 * 3600 - 30, 1, 100, {68}}, {12 * 3600, 220, 220, {220}}};
    for (const auto& c : cases) {
        MusicPlayer player;
        player.lengthSeconds = 68;
        player.PlayAt(c.start / 3600, c.start / 60 % 60, c.start % 60);
        std::vector<int> restarts;
        for (int t = c.from; t <= c.to; ++t) {
            const int now = (c.start + t) % 86400;
            for (int tick = 0; tick < 2; ++tick) {
                const int before = player.startHour * 3600 + player.startMinute * 60 + player.startSecond;
                player.RestartIfEndedAt(now / 3600, now / 60 % 60, now % 60);
                const int after = player.startHour * 3600 + player.startMinute * 60 + player.startSecond;
                if (after != before) restarts.push_back(t);
            }
        }
        EXPECT_EQ(restarts, c.restarts) << c.start;
    }
}
