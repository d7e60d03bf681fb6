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
#include <cstring>
#include <functional>
#include <numeric>

#include "TestSupport.h"
#include "audio/AudioDevice.h"
#include "audio/Mp3Frames.h"
#include "audio/Music.h"
#include "audio/SoundEffect.h"
#include "audio/SoundLevels.h"
#include "render/Registry.h"

using namespace testsupport;

namespace {

const int kRate = 44100;
const char* const kCutPath = "res/se/cut.wav";
const std::string kDataDir = std::string(TORVINEL_SOURCE_DIR) + "/data";

std::vector<int16_t> Samples(const void* bytes, std::size_t size) {
    std::vector<int16_t> s(size / 2);
    std::memcpy(s.data(), bytes, 2 * s.size());  // little-endian, as SDL writes and reads them
    return s;
}

struct Outcome {
    int exitCode = -1;          // -1: the child did not exit normally (crash, hang)
    std::string errors;         // everything the child wrote to stderr
    std::vector<int16_t> left;  // the mixed output's left channel
};

// Runs scenario (0 when everything it checked itself went right) in a fresh process with the given
// SDL audio driver, working in workDir.
Outcome RunScenario(const char* driver, const std::string& workDir, const std::function<int()>& scenario) {
    TempFolder scratch;
    const std::string output = scratch / "output.raw", errors = scratch / "stderr.txt";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        alarm(30);  // a hung output must fail the test, not stall it
        setenv("SDL_AUDIODRIVER", driver, 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        if (std::freopen(errors.c_str(), "w", stderr) == nullptr || chdir(workDir.c_str()) != 0) _exit(90);
        const int code = scenario();
        std::fflush(nullptr);
        _exit(code);
    }
    Outcome out;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) out.exitCode = WEXITSTATUS(status);
    out.errors = ReadFile(errors);
    const std::string bytes = ReadFile(output);
    const std::vector<int16_t> both = Samples(bytes.data(), bytes.size());
    for (std::size_t i = 0; i + 1 < both.size(); i += 2) out.left.push_back(both[i]);
    return out;
}

// As at start-up: the track registered as "BGM", opened and started.
MusicPlayer* StartMusic() {
    MusicPlayer* bgm = Registry<MusicPlayer>().Create("BGM");
    bgm->Open();
    bgm->Play();
    return bgm;
}

// The output must be what the game asks for, or the sample checks below mean nothing.
bool OutputAsAskedFor() {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&rate, &format, &channels) != 0 && rate == kRate && format == AUDIO_S16LSB && channels == 2;
}

// Whether out[at + k] matches cut[k] for k in [from, to), allowing for SDL's conversion rounding.
bool Matches(const std::vector<int16_t>& out, size_t at, const std::vector<int16_t>& cut, size_t from, size_t to) {
    if (at + to > out.size()) return false;
    for (size_t k = from; k < to; ++k)
        if (std::abs(int(out[at + k]) - int(cut[k])) > 4) return false;
    return true;
}

// The cut sound's samples as its file holds them: 16-bit mono.
std::vector<int16_t> CutSamples() {
    SDL_AudioSpec format;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV((kDataDir + "/" + kCutPath).c_str(), &format, &buffer, &length) == nullptr) return {};
    std::vector<int16_t> cut = Samples(buffer, length);
    SDL_FreeWAV(buffer);
    if (format.format != AUDIO_S16LSB || format.channels != 1) return {};
    return cut;
}

}  // namespace

TEST(AudioOutput, MusicIsHeardFromStartUpEndsBeforeItsRestartAndAnEffectLeavesItPlaying) {
    // Every frame decoded, the encoder's padding included, ends before the restart at 68 s, so
    // the restart never cuts off the closing chord.
    Mp3Shape shape;
    std::string why;
    ASSERT_TRUE(ScanMp3(ReadFile(kDataDir + "/" + kMusicTrackPath), shape, why)) << why;
    EXPECT_TRUE(shape.samples > 60 * shape.rate && shape.samples <= 68 * shape.rate) << shape.samples;
    Outcome out = RunScenario("disk", kDataDir, [] {
        if (StartMusic()->music == nullptr || !OutputAsAskedFor()) return 10;
        SDL_Delay(800);
        PlaySoundFile(kCutPath);
        SDL_Delay(200);
        if (Mix_PlayingMusic() == 0) return 12;  // the effect stopped the music
        Registry<MusicPlayer>().ReleaseAll();   // at exit the registry closes the player and the output
        return Mix_PlayingMusic() == 0 ? 0 : 13;
    });
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    // The music starts within half a second and is not quiet over the next 0.6 s.
    const auto audible = std::find_if(out.left.begin(), out.left.end(), [](int16_t s) { return std::abs(s) >= 100; });
    const long first = audible - out.left.begin(), span = kRate * 6 / 10;
    ASSERT_TRUE(first < kRate / 2 && long(out.left.size()) > first + span) << first << " of " << out.left.size();
    EXPECT_GT(std::sqrt(std::inner_product(audible, audible + span, audible, 0.0) / span), 1000.0);
}

TEST(AudioOutput, CutIsHeardAndARepeatedCutRestartsItFromTheBeginning) {
    const std::vector<int16_t> cut = CutSamples();
    ASSERT_GT(cut.size(), kRate / 4u);
    Outcome out = RunScenario("disk", kDataDir, [] {
        PlaySoundFile(kCutPath);
        if (!OutputAsAskedFor()) return 10;
        struct sigaction action {};  // opening the output must not take Ctrl-C away from the console
        if (sigaction(SIGINT, nullptr, &action) != 0 || action.sa_handler != SIG_DFL) return 20;
        SDL_Delay(150);
        PlaySoundFile(kCutPath);  // two models cut in one step
        PlaySoundFile(kCutPath);
        SDL_Delay(700);
        AudioDeviceClose();
        return 0;
    });
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    const std::vector<int16_t>& heard = out.left;
    // Where the cut starts: the stretch 500..2500 samples into the sound identifies it.
    std::vector<size_t> onsets;
    for (size_t at = 0; at + 2500 <= heard.size(); ++at)
        if (Matches(heard, at, cut, 500, 2500)) onsets.push_back(at);
    ASSERT_EQ(onsets.size(), 2u) << "expected the first cut and one restart";
    const size_t first = onsets[0], second = onsets[1];
    EXPECT_TRUE(second - first > kRate * 0.05 && second - first < kRate * 0.5) << second - first;
    // Silence, the first cut cut short, then exactly one whole cut (two starts at once would
    // sound twice as loud), then silence again.
    ASSERT_GT(heard.size(), second + cut.size() + kRate / 20) << "output ends inside the cut";
    const auto loud = [](int16_t s) { return std::abs(s) > 4; };
    EXPECT_TRUE(std::none_of(heard.begin(), heard.begin() + first, loud)) << "noise before";
    EXPECT_TRUE(Matches(heard, first, cut, 0, second - first) && Matches(heard, second, cut, 0, cut.size()));
    EXPECT_TRUE(std::none_of(heard.begin() + second + cut.size(), heard.end(), loud)) << "sound after the cut";
}

// The levels as heard: the music at 0 is silent while a cut plays whole, then at half its level;
// muted, neither the music at full nor a cut is heard; unmuted, the music comes back.
TEST(AudioOutput, LevelsAndMuteAreHeard) {
    const std::vector<int16_t> cut = CutSamples();
    ASSERT_GT(cut.size(), kRate / 4u);
    std::vector<int16_t> half(cut);
    for (int16_t& s : half) s = static_cast<int16_t>(s * MixerVolume(5, false) / MIX_MAX_VOLUME);
    Outcome out = RunScenario("disk", kDataDir, [] {
        SetSoundLevels({0, 10, false});
        if (StartMusic()->music == nullptr || !OutputAsAskedFor()) return 10;
        const SoundLevels steps[] = {{0, 10, false}, {0, 5, false}, {10, 10, true}};
        for (const SoundLevels& levels : steps) {
            SetSoundLevels(levels);
            PlaySoundFile(kCutPath);
            SDL_Delay(700);
        }
        SetSoundLevels({10, 0, false});
        SDL_Delay(600);
        AudioDeviceClose();
        return 0;
    });
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    const std::vector<int16_t>& heard = out.left;
    std::vector<size_t> whole, halved;
    for (size_t at = 0; at + 2500 <= heard.size(); ++at) {
        if (Matches(heard, at, cut, 500, 2500)) whole.push_back(at);
        if (Matches(heard, at, half, 500, 2500)) halved.push_back(at);
    }
    ASSERT_TRUE(whole.size() == 1 && halved.size() == 1 && halved[0] > whole[0]) << whole.size() << " " << halved.size();
    // Nothing after the halved cut through the muted stretch; then the music.
    const auto loud = [](int16_t s) { return std::abs(s) > 4; };
    const auto back = std::find_if(heard.begin() + halved[0] + cut.size(), heard.end(), loud);
    EXPECT_GT(back - heard.begin(), long(halved[0] + cut.size() + kRate * 4 / 10)) << "heard while muted";
    EXPECT_GT(heard.end() - back, kRate / 4) << "the music did not come back";
}

// No audio device at all: start-up, cuts and exit work, silently, and say so in one line.
TEST(AudioOutput, WithoutAnOutputTheGameRunsSilentlyAndSaysSoOnce) {
    Outcome none = RunScenario("nonexistent", kDataDir, [] {
        StartMusic();
        for (int cut = 0; cut < 2; ++cut) PlaySoundFile(kCutPath);
        Registry<MusicPlayer>().ReleaseAll();
        PlaySoundFile(kCutPath);  // after the close, still harmless and still silent
        return AudioDeviceReady() ? 30 : 0;
    });
    EXPECT_TRUE(none.exitCode == 0 && Lines(none.errors) == 1 && none.errors.rfind("torvinel: ", 0) == 0 && none.errors.find("audio output") != std::string::npos)
        << none.exitCode << " " << none.errors;
}
