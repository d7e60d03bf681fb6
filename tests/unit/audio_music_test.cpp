// The music's restart by ticks and the check of its file, without any audio output.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Game.h"
#include "audio/Mp3Frames.h"
#include "audio/Music.h"
#include "audio/SoundEffect.h"
#include "audio/SoundMix.h"
#include "scenes/GameScene.h"

// The track starts again 68 s of ticks after it last started, never earlier, whatever tick the
// last start was on.
TEST(AudioMusicClock, RestartsEveryFortyTwoHundredFiftyTicks) {
    const struct { long start, from, to; std::vector<long> restarts; } cases[] = {
        {0, 0, 9000, {4250, 8500}}, {100, 0, 4349, {}}, {100, 4350, 4350, {4350}}};
    for (const auto& c : cases) {
        long start = c.start;
        std::vector<long> restarts;
        for (long tick = c.from; tick <= c.to; ++tick)
            if (MusicRestarts(start, tick)) restarts.push_back(tick);
        EXPECT_EQ(restarts, c.restarts) << c.start;
    }
}

// The music is looked over frame by frame before it reaches the decoder, so that a damaged track
// gets the game's own line instead of the decoder's warnings; the cut sound, for all the sound
// data its header announces.
TEST(SoundFiles, DamagedTracksAndCutSoundsAreToldApart) {
    const std::string track = testsupport::ReadFile(std::string(TORVINEL_SOURCE_DIR) + "/data/" + kMusicTrackPath);
    const std::string id3 = std::string("ID3\3\0\0\0\0\0\0", 10);
    std::size_t edge = 0;  // where frame 1000 starts: the track's frames are 417 bytes, 418 padded
    for (int frame = 0; frame < 1000; ++frame) edge += 417 + (track[edge + 2] >> 1 & 1);
    const std::string wav = testsupport::ReadFile(std::string(TORVINEL_SOURCE_DIR) + "/data/res/se/cut.wav");
    const std::size_t data = wav.find("data") + 8;
    const struct { std::string bytes, why; bool wav = false; } cases[] = {
        {track.substr(0, edge + 100), "is cut short"},  // inside a frame
        {track.substr(0, edge), "is cut short"},        // on a frame's edge: its first frame counts them
        {id3 + std::string(5000, '\x55'), "is not an MP3 file"},
        {track.substr(0, edge) + "junk" + track.substr(edge), "is damaged at byte " + std::to_string(edge)},
        {track + "TAG" + std::string(125, ' '), ""},  // an ID3v1 tag at the end
        {id3, "holds no sound"},
        {wav, "", true},
        {wav.substr(0, data), "holds no sound data", true},  // only the header
        {wav.substr(0, data - 4) + std::string("\0\0\0\x80", 4) + wav.substr(data, 4096),
         "holds 4096 of 2147483648 bytes of sound data", true},
    };
    for (const auto& c : cases) {
        Mp3Shape shape;
        std::string why;
        EXPECT_EQ(c.wav ? WavDataWhole(c.bytes, why) : ScanMp3(c.bytes, shape, why), c.why.empty()) << c.why;
        EXPECT_EQ(why, c.why);
    }
}

// The computed mix, tick by tick: what a tick started begins at its first frame, each sound at
// its own level and silent when muted, a new effect cuts off the one sounding, a sound played out
// falls silent, and the sum is clipped.
TEST(ComputedMix, TicksMixWhatTheyStartedAtTheirLevels) {
    StereoSamples music(2 * kTickFrames * 4), effect(2 * kTickFrames + 20, 0.75f);
    for (std::size_t i = 0; i < music.size(); ++i) music[i] = static_cast<float>(i % 1000) / 2000.0f;
    const auto m = [&](int tick, bool last) { return music[2 * kTickFrames * (tick + last) - last]; };
    // Each tick: whether it started the music and the effect, the levels, then the tick's first
    // sample (left) and last (right).
    const struct { bool music, effect; SoundLevels levels; float first, last; } ticks[] = {
        {true, false, {10, 10, false}, m(0, false), m(0, true)},
        {false, true, {10, 10, false}, 1.0f, m(1, true) + 0.75f},  // clipped where the sum passes 1
        {false, true, {5, 10, true}, 0.0f, 0.0f},                   // the effect again, muted
        {false, false, {5, 10, false}, 0.5f * m(3, false) + 0.75f, 0.5f * m(3, true)},  // its last frames
        {false, false, {10, 10, false}, 0.0f, 0.0f},                // both played out
        {true, false, {10, 4, false}, m(0, false), m(0, true)},
    };
    SoundMix mix;
    std::vector<float> out(2 * kTickFrames);
    int tick = 0;
    for (const auto& t : ticks) {
        TickSounds sounds;
        sounds.musicStarted = t.music;
        sounds.effect = t.effect ? "cut" : nullptr;
        MixTick(mix, sounds, music, t.effect ? &effect : nullptr, t.levels, out.data());
        EXPECT_FLOAT_EQ(out[0], t.first) << "tick " << tick;
        EXPECT_FLOAT_EQ(out.back(), t.last) << "tick " << tick;
        ++tick;
    }
}

// Each tick reports what it played, and only that: the effect its step noted, the music when it
// is due to start again.
TEST(ComputedMix, EachTickReportsOnlyWhatItPlayed) {
    StartHeadlessPlay(1, RankingRow{});
    Game game;
    game.musicStart = 3 - kMusicTicks;
    static long steps = 0;
    game.step = [] {
        if (steps++ == 1) SoundsThisTick().effect = kCutSoundPath;
    };
    std::string heard;
    for (int tick = 0; tick < 5; ++tick) {
        RunGameTick(game, KeySet{});
        heard += SoundsThisTick().effect != nullptr ? 'e' : SoundsThisTick().musicStarted ? 'm' : '-';
    }
    EXPECT_EQ(heard, "-e-m-");
    EndScenes();
}
