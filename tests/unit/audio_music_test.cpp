// The music's file-type rule and its clock-driven restart, without any audio output.
#include <gtest/gtest.h>

#include <vector>

#include "audio/Music.h"

TEST(AudioMediaType, ExtensionAfterTheLastDotComparedByteForByte) {
    const struct { const char* name; MediaType type; } cases[] = {
        {"song.mp3", MediaMp3}, {"SONG.MP3", MediaMp3}, {"song.Mp3", MediaOther}, {"song.mP3", MediaOther},
        {"song", MediaOther}, {"mp3", MediaMp3},  // no dot: the whole name is compared
        {"song.", MediaNone}, {"", MediaNone}, {nullptr, MediaNone}, {"a.b.wav", MediaWav}, {"a.wav.b", MediaOther},
        {"x.WAV", MediaWav}, {"x.mid", MediaMid}, {"x.MID", MediaMid}, {"x.fbx", MediaFbx}, {"x.FBX", MediaFbx},
        {"x.png", MediaPng}, {"x.PNG", MediaPng}, {"x.jpg", MediaJpg}, {"x.JPG", MediaJpg}, {"x.bmp", MediaBmp},
        {"x.BMP", MediaBmp}, {"x.jpeg", MediaOther}, {"x.mp", MediaOther}, {"x.mp33", MediaOther},
        {"dir.v2/track", MediaOther}, {kMusicTrackPath, MediaMp3},
    };
    for (const auto& c : cases) EXPECT_EQ(MediaTypeOf(c.name), c.type) << (c.name ? c.name : "(null)");
}

namespace {

// Starts a never-opened player (it only keeps the clock, as in a silent game) at h:m:s and ticks
// twice every second for `span` seconds; returns the seconds after the start at which it restarted.
std::vector<int> RestartsAfter(int h, int m, int s, int span) {
    MusicPlayer player;
    player.lengthSeconds = 68;
    player.PlayAt(h, m, s);
    std::vector<int> restarts;
    for (int t = 1; t <= span; ++t) {
        const int day = (h * 3600 + m * 60 + s + t) % 86400;
        for (int tick = 0; tick < 2; ++tick) {
            const int before = player.startHour * 3600 + player.startMinute * 60 + player.startSecond;
            player.RestartIfEndedAt(day / 3600, day / 60 % 60, day % 60);
            if (player.startHour * 3600 + player.startMinute * 60 + player.startSecond != before) restarts.push_back(t);
        }
    }
    EXPECT_EQ(player.music, nullptr);
    return restarts;
}

}  // namespace

TEST(AudioMusicClock, RestartsOnceSixtyEightWholeSecondsHavePassed) {
    EXPECT_EQ(SecondsBetween(12, 59, 59, 13, 0, 0), 1);
    EXPECT_EQ(SecondsBetween(23, 59, 30, 0, 0, 38), 68);
    EXPECT_EQ(SecondsBetween(0, 0, 1, 0, 0, 0), 24 * 3600 - 1);
    // 12:00:00 restarts at 12:01:08 and 68 s later; 23:59:30 at 00:00:38; not one second early.
    EXPECT_EQ(RestartsAfter(12, 0, 0, 150), (std::vector<int>{68, 136}));
    EXPECT_EQ(RestartsAfter(23, 59, 30, 100), (std::vector<int>{68}));
    // A late tick (the game was busy) still restarts, and counts from the late time.
    MusicPlayer player;
    player.lengthSeconds = 68;
    player.PlayAt(12, 0, 0);
    player.RestartIfEndedAt(12, 3, 40);
    EXPECT_EQ(player.startMinute * 60 + player.startSecond, 3 * 60 + 40);
    // Driven by the real clock and closed without ever opening: harmless.
    player.RestartIfEnded();
    player.Play();
    EXPECT_EQ(player.music, nullptr);
    ReleaseResource(new MusicPlayer(player));
}
