// The music's restart by ticks and the check of its file, without any audio output.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "audio/Mp3Frames.h"
#include "audio/Music.h"
#include "audio/SoundEffect.h"

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
