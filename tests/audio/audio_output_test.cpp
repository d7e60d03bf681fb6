// What the player actually hears. Each scenario runs in a child process of its own, with SDL's
// disk driver writing the mixed output to a file (or with no usable driver at all), so SDL starts
// clean every time; the parent then inspects the written samples and the child's stderr.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/Music.h"
#include "audio/SoundEffect.h"
#include "render/Registry.h"

namespace {

const int kRate = 44100;
const char* const kCutPath = "res/se/cut.wav";

std::string TempDir() {
    char pattern[] = "/tmp/torvinel-audio-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "/tmp";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Outcome {
    int exitCode = -1;          // -1: the child did not exit normally (crash, hang)
    std::string errors;         // everything the child wrote to stderr
    std::vector<int16_t> left;  // the mixed output, one channel (both are checked equal)
    bool channelsEqual = true;
};

// Runs scenario in a fresh process with the given SDL audio driver, working in workDir.
// The scenario returns 0 when everything it checked itself went right.
Outcome RunScenario(const char* driver, const std::string& workDir,
                    const std::function<int()>& scenario) {
    const std::string dir = TempDir();
    const std::string output = dir + "/output.raw", errors = dir + "/stderr.txt";
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        alarm(30);  // a hung output must fail the test, not stall it
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        std::FILE* err = std::freopen(errors.c_str(), "w", stderr);
        if (err == nullptr || chdir(workDir.c_str()) != 0) _exit(90);
        int code = scenario();
        std::fflush(nullptr);
        _exit(code);
    }
    Outcome outcome;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    outcome.errors = ReadAll(errors);
    std::string raw = ReadAll(output);
    const size_t frames = raw.size() / 4;
    outcome.left.resize(frames);
    for (size_t i = 0; i < frames; ++i) {
        auto sample = [&](size_t at) {
            return int16_t(uint16_t(uint8_t(raw[at])) | uint16_t(uint8_t(raw[at + 1]) << 8));
        };
        outcome.left[i] = sample(4 * i);
        if (sample(4 * i + 2) != outcome.left[i]) outcome.channelsEqual = false;
    }
    std::remove(output.c_str());
    std::remove(errors.c_str());
    rmdir(dir.c_str());
    return outcome;
}

std::string DataDir() { return std::string(TORVINEL_SOURCE_DIR) + "/data"; }

int CountLines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

double Rms(const std::vector<int16_t>& s, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count && i < s.size(); ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(count));
}

// The output must be what the game asks for, or the sample checks below mean nothing.
int CheckOutputFormat() {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    if (Mix_QuerySpec(&rate, &format, &channels) == 0) return 50;
    return rate == kRate && format == AUDIO_S16LSB && channels == 2 ? 0 : 51;
}

// The cut sound's samples, read straight from the file (16-bit mono PCM).
std::vector<int16_t> CutSamples() {
    std::string wav = ReadAll(DataDir() + "/" + kCutPath);
    std::vector<int16_t> samples;
    if (wav.size() < 44 || wav.compare(0, 4, "RIFF") != 0) return samples;
    size_t at = 12;
    while (at + 8 <= wav.size()) {
        uint32_t size = uint32_t(uint8_t(wav[at + 4])) | uint32_t(uint8_t(wav[at + 5])) << 8 |
                        uint32_t(uint8_t(wav[at + 6])) << 16 | uint32_t(uint8_t(wav[at + 7])) << 24;
        if (wav.compare(at, 4, "data") == 0) {
            for (size_t i = at + 8; i + 1 < at + 8 + size && i + 1 < wav.size(); i += 2)
                samples.push_back(int16_t(uint16_t(uint8_t(wav[i])) | uint16_t(uint8_t(wav[i + 1]) << 8)));
            break;
        }
        at += 8 + size + (size & 1);
    }
    return samples;
}

// Whether out[at + k] matches cut[k] for k in [from, to), allowing for the rounding of SDL's
// format conversion.
bool Matches(const std::vector<int16_t>& out, size_t at, const std::vector<int16_t>& cut, size_t from,
             size_t to) {
    if (at + to > out.size()) return false;
    for (size_t k = from; k < to; ++k)
        if (std::abs(int(out[at + k]) - int(cut[k])) > 4) return false;
    return true;
}

}  // namespace

TEST(AudioOutput, GameFilesAreWhatTheGameExpects) {
    // The effect is a real 16-bit PCM WAV and the track a real MP3 by name and by content.
    std::string wav = ReadAll(DataDir() + "/" + kCutPath);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(wav.compare(0, 4, "RIFF"), 0);
    EXPECT_EQ(wav.compare(8, 4, "WAVE"), 0);
    EXPECT_EQ(wav[20], 1);   // PCM
    EXPECT_EQ(wav[34], 16);  // bits per sample
    std::vector<int16_t> cut = CutSamples();
    EXPECT_GT(cut.size(), size_t(kRate * 0.25));  // short but not a click
    EXPECT_LT(cut.size(), size_t(kRate * 0.6));

    EXPECT_EQ(MediaTypeOf(kMusicTrackPath), MediaMp3);
    std::string mp3 = ReadAll(DataDir() + "/" + kMusicTrackPath);
    ASSERT_GT(mp3.size(), 500000u);  // about 68 s of music
    bool id3 = mp3.compare(0, 3, "ID3") == 0;
    bool frameSync = uint8_t(mp3[0]) == 0xff && (uint8_t(mp3[1]) & 0xe0) == 0xe0;
    EXPECT_TRUE(id3 || frameSync);
}

TEST(AudioOutput, MusicIsHeardFromStartUpAndAnEffectLeavesItPlaying) {
    Outcome out = RunScenario("disk", DataDir(), [] {
        // As at start-up and in the tick loop.
        MusicPlayer* bgm = Registry<MusicPlayer>().Create("BGM");
        bgm->Open();
        bgm->lengthSeconds = 68;
        bgm->Play();
        if (bgm->music == nullptr) return 10;
        if (int bad = CheckOutputFormat()) return bad;
        for (int tick = 0; tick < 50; ++tick) {
            SDL_Delay(16);
            Registry<MusicPlayer>().Get("BGM")->RestartIfEnded();
        }
        PlaySoundFile(kCutPath);
        SDL_Delay(200);
        if (Mix_PlayingMusic() == 0) return 12;  // the effect did not stop the music
        // At exit the registry closes the player, which closes the output.
        Registry<MusicPlayer>().ReleaseAll();
        return Mix_PlayingMusic() == 0 ? 0 : 13;
    });
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    // The music starts almost at once and is not quiet.
    size_t first = 0;
    while (first < out.left.size() && std::abs(out.left[first]) < 100) ++first;
    ASSERT_LT(first, std::min(out.left.size(), size_t(kRate / 2))) << "no music in the first half second";
    const size_t window = kRate / 10;
    ASSERT_GT(out.left.size(), first + 6 * window) << "less output than expected";
    for (int w = 0; w < 6; ++w)
        EXPECT_GT(Rms(out.left, first + w * window, window), 1000.0) << "quiet at window " << w;
}

TEST(AudioOutput, CutIsHeardAndARepeatedCutRestartsItFromTheBeginning) {
    const std::vector<int16_t> cut = CutSamples();
    ASSERT_GT(cut.size(), 4000u);
    Outcome out = RunScenario("disk", DataDir(), [] {
        PlaySoundFile(kCutPath);
        if (int bad = CheckOutputFormat()) return bad;
        // Opening the output must not take Ctrl-C away from the console.
        struct sigaction action {};
        sigaction(SIGINT, nullptr, &action);
        if (action.sa_handler != SIG_DFL) return 20;
        SDL_Delay(150);
        // Two models cut in one step.
        PlaySoundFile(kCutPath);
        PlaySoundFile(kCutPath);
        SDL_Delay(700);
        AudioDeviceClose();
        return 0;
    });
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_TRUE(out.channelsEqual);  // the mono effect sounds in the middle
    const std::vector<int16_t>& heard = out.left;

    // Where the cut starts: the stretch 500..2500 samples into the sound identifies it.
    std::vector<size_t> onsets;
    for (size_t at = 0; at + 2500 <= heard.size(); ++at)
        if (Matches(heard, at, cut, 500, 2500)) onsets.push_back(at);
    ASSERT_EQ(onsets.size(), 2u) << "expected the first cut and one restart";
    const size_t first = onsets[0], second = onsets[1];
    EXPECT_GT(second - first, size_t(kRate * 0.05));
    EXPECT_LT(second - first, size_t(kRate * 0.5));

    // Silence, the first cut cut short, then exactly one whole cut (two starts at once would
    // sound twice as loud), then silence again.
    for (size_t i = 0; i < first; ++i) ASSERT_LE(std::abs(heard[i]), 4) << "noise before the cut at " << i;
    EXPECT_TRUE(Matches(heard, first, cut, 0, second - first));
    EXPECT_TRUE(Matches(heard, second, cut, 0, cut.size()));
    ASSERT_GT(heard.size(), second + cut.size() + kRate / 20) << "output ends inside the cut";
    for (size_t i = second + cut.size(); i < heard.size(); ++i)
        ASSERT_LE(std::abs(heard[i]), 4) << "sound after the cut at " << i;
}

TEST(AudioOutput, NoAudioOutputRunsSilentlyWithOneMessage) {
    Outcome out = RunScenario("nonexistent", DataDir(), [] {
        MusicPlayer* bgm = Registry<MusicPlayer>().Create("BGM");
        bgm->Open();
        bgm->lengthSeconds = 68;
        bgm->Play();
        for (int tick = 0; tick < 5; ++tick) Registry<MusicPlayer>().Get("BGM")->RestartIfEnded();
        PlaySoundFile(kCutPath);
        PlaySoundFile(kCutPath);
        Registry<MusicPlayer>().ReleaseAll();
        PlaySoundFile(kCutPath);  // after the close, still harmless and still silent
        if (AudioDeviceReady()) return 30;
        AudioDeviceClose();
        return Registry<MusicPlayer>().Size() == 0 ? 0 : 31;
    });
    EXPECT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_EQ(CountLines(out.errors), 1) << out.errors;
    EXPECT_NE(out.errors.find("Sound"), std::string::npos) << out.errors;
}

TEST(AudioOutput, MachineWithoutSoundCardSaysOneLine) {
    // Through ALSA directly: without a card its library would print a page of its own complaints.
    // On a machine with a card the output simply opens and nothing is said.
    Outcome out = RunScenario("alsa", DataDir(), [] { return AudioDeviceReady() ? 0 : 1; });
    ASSERT_TRUE(out.exitCode == 0 || out.exitCode == 1) << out.errors;
    EXPECT_EQ(CountLines(out.errors), out.exitCode) << out.errors;
}

TEST(AudioOutput, BadSoundFilesAreReportedOnceEachAndStaySilent) {
    // A game folder whose track and cut sound are not sound at all, and a sound that is missing.
    const std::string dir = TempDir();
    ASSERT_EQ(system(("mkdir -p '" + dir + "/res/bgm' '" + dir + "/res/se'").c_str()), 0);
    std::ofstream(dir + "/" + kMusicTrackPath) << "this is not an mp3\n";
    std::ofstream(dir + "/" + kCutPath) << "RIFF\x10\0\0\0WAVEjunkjunk";
    Outcome out = RunScenario("dummy", dir, [] {
        MusicPlayer* bgm = Registry<MusicPlayer>().Create("BGM");
        bgm->Open();
        bgm->lengthSeconds = 68;
        bgm->Play();
        bgm->RestartIfEnded();
        if (bgm->music != nullptr) return 40;
        for (int cut = 0; cut < 5; ++cut) {
            PlaySoundFile(kCutPath);
            PlaySoundFile("res/se/missing.wav");
        }
        if (!AudioDeviceReady()) return 41;  // the output itself is fine
        Registry<MusicPlayer>().ReleaseAll();
        return 0;
    });
    EXPECT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_EQ(CountLines(out.errors), 3) << out.errors;  // track, cut.wav, missing.wav
    EXPECT_NE(out.errors.find("missing.wav"), std::string::npos) << out.errors;
    EXPECT_NE(out.errors.find("cut.wav"), std::string::npos) << out.errors;
    EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}
