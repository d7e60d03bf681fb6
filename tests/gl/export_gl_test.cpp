// A demo's video: its frames are the game's own drawing at the video's size, drawn offscreen, and
// it holds one frame a tick and the game's sound.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <cmath>

#include "GlTestContext.h"
#include "TestSupport.h"
#include "app/App.h"
#include "app/Export.h"
#include "app/Game.h"
#include "scene/Scene.h"
#include "video/SoundFile.h"
#include "video/VideoFile.h"

namespace {

// The shipped demo up to tick 300, where its first game has started and cut: it plays that far.
DemoRun ShortDemo() {
    const std::string whole = testsupport::ReadFile(TORVINEL_SOURCE_DIR "/data/demos/three-games.demo");
    std::string text;
    for (std::size_t at = 0, end; at < whole.size(); at = end + 1) {
        end = whole.find('\n', at);
        const std::string line = whole.substr(at, end - at);
        if (std::isdigit(static_cast<unsigned char>(line[0])) && std::stol(line) > 300) break;
        text += line + "\n";
    }
    DemoRun run;
    std::string why;
    EXPECT_TRUE(LoadDemo(run, testsupport::WriteFile("short.demo", text), why)) << why;
    run.mode = DemoMode::Play;
    return run;
}

long VideoFrames(const char* path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path, nullptr, nullptr) < 0) return -1;
    long frames = 0;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        frames += format->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    return frames;
}

}  // namespace

TEST(Export, FramesAreTheGamesDrawingOneATickWithTheMusic) {
    gltest::ClearFrame();
    testsupport::TempFolder folder{true};
    testsupport::fs::copy(TORVINEL_SOURCE_DIR "/data", folder.path, testsupport::fs::copy_options::recursive);
    constexpr int kW = 64, kH = 48;

    // The same tick drawn into the window and offscreen: the same pixels, read the same way up.
    DemoRun run = ShortDemo();
    SetDrawingSize(kW, kH);
    ASSERT_TRUE(PlayDemoHeadless(run, 290));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    currentScene->Draw();
    std::vector<unsigned char> window(kW * kH * 4), offscreen(kW * kH * 4);
    glReadPixels(0, 0, kW, kH, GL_RGBA, GL_UNSIGNED_BYTE, window.data());
    Offscreen off;
    ASSERT_TRUE(MakeOffscreen(off, kW, kH));
    DrawOffscreen(off, offscreen.data());
    FreeOffscreen(off);
    EndScenes();
    long lit = 0;
    for (std::size_t i = 0; i < window.size(); i += 4) lit += window[i] + window[i + 1] + window[i + 2] > 60;
    EXPECT_GT(lit, kW * kH / 4) << "the game is drawn";
    // The window keeps no alpha; the colours differ by the rasteriser's rounding at most.
    int most = 0;
    for (std::size_t i = 0; i < window.size(); ++i)
        if (i % 4 != 3) most = std::max(most, std::abs(window[i] - offscreen[i]));
    EXPECT_LE(most, 8);

    // The whole short demo: a frame a tick, and a tick's sound for each, the music heard at once.
    run = ShortDemo();
    const long ticks = run.demo.lastTick + 1;
    std::string why;
    VideoFile* video = OpenVideo("run.webm", kW, kH, why);
    ASSERT_NE(video, nullptr) << why;
    EXPECT_TRUE(ExportDemo(run, *video, kW, kH, why)) << why;
    ASSERT_TRUE(FinishVideo(video, why)) << why;
    EXPECT_EQ(VideoFrames("run.webm"), ticks);
    StereoSamples sound;
    ASSERT_TRUE(DecodeSoundFile("run.webm", sound, why)) << why;
    const long frames = static_cast<long>(sound.size() / 2);
    EXPECT_EQ(frames, ticks * kTickFrames);
    // The first second, before any cut: the music alone, from the first tick.
    double sum = 0.0;
    for (std::size_t i = 0; i < 2 * kMixRate; ++i) sum += double(sound[i]) * sound[i];
    EXPECT_GT(std::sqrt(sum / (2 * kMixRate)), 0.05);
}
