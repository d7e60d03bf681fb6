// The music is looked over frame by frame before it reaches the decoder, so that a damaged track
// gets the game's own line instead of the decoder's warnings.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "audio/Mp3Frames.h"
#include "audio/Music.h"

TEST(Mp3Frames, DamagedTracksAreToldApart) {
    std::ostringstream read;
    read << std::ifstream(std::string(TORVINEL_SOURCE_DIR) + "/data/" + kMusicTrackPath, std::ios::binary).rdbuf();
    const std::string track = read.str(), id3 = std::string("ID3\3\0\0\0\0\0\0", 10);
    std::size_t edge = 0;  // where frame 1000 starts: the track's frames are 417 bytes, 418 padded
    for (int frame = 0; frame < 1000; ++frame) edge += 417 + (track[edge + 2] >> 1 & 1);
    const struct { std::string bytes, why; } cases[] = {
        {track.substr(0, edge + 100), "is cut short"},  // inside a frame
        {track.substr(0, edge), "is cut short"},        // on a frame's edge: its first frame counts them
        {id3 + std::string(5000, '\x55'), "is not an MP3 file"},
        {track.substr(0, edge) + "junk" + track.substr(edge), "is damaged at byte " + std::to_string(edge)},
        {track + "TAG" + std::string(125, ' '), ""},  // an ID3v1 tag at the end
        {id3, "holds no sound"},
    };
    for (const auto& c : cases) {
        Mp3Shape shape;
        std::string why;
        EXPECT_EQ(ScanMp3(c.bytes, shape, why), c.why.empty()) << c.why;
        EXPECT_EQ(why, c.why);
    }
}
