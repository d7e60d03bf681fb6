// The music's file-type rule and its clock-driven restart, without any audio output.
#include <gtest/gtest.h>

#include "audio/Music.h"

TEST(AudioMediaType, ExtensionAfterTheLastDotComparedByteForByte) {
    EXPECT_EQ(MediaTypeOf("song.mp3"), MediaMp3);
    EXPECT_EQ(MediaTypeOf("SONG.MP3"), MediaMp3);
    EXPECT_EQ(MediaTypeOf("song.Mp3"), MediaOther);  // mixed case is not recognised
    EXPECT_EQ(MediaTypeOf("song.mP3"), MediaOther);
    EXPECT_EQ(MediaTypeOf("song"), MediaOther);      // no dot: the whole name is compared
    EXPECT_EQ(MediaTypeOf("mp3"), MediaMp3);         // ... so a bare "mp3" is an mp3
    EXPECT_EQ(MediaTypeOf("song."), MediaNone);      // trailing dot: empty extension
    EXPECT_EQ(MediaTypeOf(""), MediaNone);
    EXPECT_EQ(MediaTypeOf("a.b.wav"), MediaWav);     // only the last dot counts
    EXPECT_EQ(MediaTypeOf("a.wav.b"), MediaOther);
    EXPECT_EQ(MediaTypeOf("x.WAV"), MediaWav);
    EXPECT_EQ(MediaTypeOf("x.mid"), MediaMid);
    EXPECT_EQ(MediaTypeOf("x.MID"), MediaMid);
    EXPECT_EQ(MediaTypeOf("x.fbx"), MediaFbx);
    EXPECT_EQ(MediaTypeOf("x.FBX"), MediaFbx);
    EXPECT_EQ(MediaTypeOf("x.png"), MediaPng);
    EXPECT_EQ(MediaTypeOf("x.PNG"), MediaPng);
    EXPECT_EQ(MediaTypeOf("x.jpg"), MediaJpg);
    EXPECT_EQ(MediaTypeOf("x.JPG"), MediaJpg);
    EXPECT_EQ(MediaTypeOf("x.bmp"), MediaBmp);
    EXPECT_EQ(MediaTypeOf("x.BMP"), MediaBmp);
    EXPECT_EQ(MediaTypeOf("x.jpeg"), MediaOther);
    EXPECT_EQ(MediaTypeOf("x.mp"), MediaOther);      // a prefix of a known extension is not it
    EXPECT_EQ(MediaTypeOf("x.mp33"), MediaOther);
    EXPECT_EQ(MediaTypeOf("dir.v2/track"), MediaOther);
    EXPECT_EQ(MediaTypeOf(nullptr), MediaNone);
    EXPECT_EQ(MediaTypeOf(kMusicTrackPath), MediaMp3);
}

TEST(AudioMusicClock, SecondsBetweenTimesOfDayCountAcrossMidnight) {
    EXPECT_EQ(SecondsBetween(12, 0, 0, 12, 0, 0), 0);
    EXPECT_EQ(SecondsBetween(12, 0, 0, 12, 1, 8), 68);
    EXPECT_EQ(SecondsBetween(12, 0, 59, 12, 1, 0), 1);
    EXPECT_EQ(SecondsBetween(12, 59, 59, 13, 0, 0), 1);
    EXPECT_EQ(SecondsBetween(23, 59, 30, 0, 0, 38), 68);
    EXPECT_EQ(SecondsBetween(23, 59, 59, 0, 0, 0), 1);
    EXPECT_EQ(SecondsBetween(0, 0, 1, 0, 0, 0), 24 * 3600 - 1);
}

namespace {

// A player that never opened the output: playing only records the time, as in a silent game.
MusicPlayer StartedAt(int hour, int minute, int second) {
    MusicPlayer player;
    player.lengthSeconds = 68;
    player.PlayAt(hour, minute, second);
    return player;
}

bool StartedAtTime(const MusicPlayer& p, int hour, int minute, int second) {
    return p.startHour == hour && p.startMinute == minute && p.startSecond == second;
}

}  // namespace

TEST(AudioMusicClock, RestartsOnceSixtyEightWholeSecondsHavePassed) {
    MusicPlayer player = StartedAt(12, 0, 0);
    EXPECT_TRUE(StartedAtTime(player, 12, 0, 0));

    // Every tick until 12:01:07 leaves the track alone; 12:01:08 restarts it.
    for (int s = 0; s < 68; ++s) {
        player.RestartIfEndedAt(12, s / 60, s % 60);
        ASSERT_TRUE(StartedAtTime(player, 12, 0, 0)) << "restarted early at second " << s;
    }
    player.RestartIfEndedAt(12, 1, 8);
    EXPECT_TRUE(StartedAtTime(player, 12, 1, 8));

    // Many ticks fall within one second: the restart happens once, and the next is 68 s later.
    player.RestartIfEndedAt(12, 1, 8);
    player.RestartIfEndedAt(12, 1, 9);
    EXPECT_TRUE(StartedAtTime(player, 12, 1, 8));
    player.RestartIfEndedAt(12, 2, 15);
    EXPECT_TRUE(StartedAtTime(player, 12, 1, 8));
    player.RestartIfEndedAt(12, 2, 16);
    EXPECT_TRUE(StartedAtTime(player, 12, 2, 16));

    // A late tick (the game was busy) still restarts, and counts from the late time.
    player.RestartIfEndedAt(12, 3, 40);
    EXPECT_TRUE(StartedAtTime(player, 12, 3, 40));
}

TEST(AudioMusicClock, RestartAcrossMidnight) {
    MusicPlayer player = StartedAt(23, 59, 30);
    player.RestartIfEndedAt(23, 59, 59);
    player.RestartIfEndedAt(0, 0, 0);
    player.RestartIfEndedAt(0, 0, 37);
    EXPECT_TRUE(StartedAtTime(player, 23, 59, 30));  // not one second early
    player.RestartIfEndedAt(0, 0, 38);
    EXPECT_TRUE(StartedAtTime(player, 0, 0, 38));
}

TEST(AudioMusicClock, SilentPlayerIsHarmlessToDriveAndClose) {
    // Not opened: as after a failed open, every call does nothing but keep the clock.
    MusicPlayer* player = new MusicPlayer();
    EXPECT_EQ(player->lengthSeconds, 0);
    player->lengthSeconds = 68;
    player->PlayAt(8, 0, 0);
    player->RestartIfEnded();
    player->Play();
    EXPECT_EQ(player->music, nullptr);
    ReleaseResource(player);  // frees it; leak checkers would see a miss
}
