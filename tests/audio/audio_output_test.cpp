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
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/Mp3Frames.h"
#include "audio/Music.h"
#include "audio/SoundEffect.h"
#include "render/Registry.h"

namespace {

const int kRate = 44100;
const char* const kCutPath = "res/se/cut.wav";
const std::string kDataDir = std::string(TORVINEL_SOURCE_DIR) + "/data";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int16_t> Samples(const void* bytes, std::size_t size) {
    std::vector<int16_t> s(size / 2);
    std::memcpy(s.data(), bytes, 2 * s.size());  // little-endian, as SDL writes and reads them
    return s;
}

std::string TempDir() {
    char pattern[] = "/tmp/torvinel-audio-XXXXXX";
    return mkdtemp(pattern);
}

struct Outcome {
    int exitCode = -1;          // -1: the child did not exit normally (crash, hang)
    std::string errors;         // everything the child wrote to stderr
    std::vector<int16_t> left;  // the mixed output's left channel
    bool channelsEqual = true;
    int lines() const { return int(std::count(errors.begin(), errors.end(), '\n')); }
};

// Runs scenario (0 when everything it checked itself went right) in a fresh process with the given
// SDL audio driver, working in workDir.
Outcome RunScenario(const char* driver, const std::string& workDir, const std::function<int()>& scenario) {
    const std::string dir = TempDir(), output = dir + "/output.raw", errors = dir + "/stderr.txt";
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
    out.errors = ReadAll(errors);
    const std::string bytes = ReadAll(output);
    const std::vector<int16_t> both = Samples(bytes.data(), bytes.size());
    for (std::size_t i = 0; i + 1 < both.size(); i += 2) {
        out.left.push_back(both[i]);
        out.channelsEqual = out.channelsEqual && both[i + 1] == both[i];
    }
    std::filesystem::remove_all(dir);
    return out;
}

// As at start-up: the track registered as "BGM", opened and started.
MusicPlayer* StartMusic() {
    MusicPlayer* bgm = Registry<MusicPlayer>().Create("BGM");
    bgm->Open();
    bgm->lengthSeconds = 68;
    bgm->Play();
    return bgm;
}

// The output must be what the game asks for, or the sample checks below mean nothing.
int CheckOutputFormat() {
    int rate = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&rate, &format, &channels) != 0 && rate == kRate && format == AUDIO_S16LSB && channels == 2
               ? 0 : 50;
}

// The cut sound's samples as decoded from the file; empty unless it is 16-bit mono.
std::vector<int16_t> CutSamples() {
    SDL_AudioSpec format;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV((kDataDir + "/" + kCutPath).c_str(), &format, &buffer, &length) == nullptr) return {};
    const std::vector<int16_t> samples = Samples(buffer, length);
    SDL_FreeWAV(buffer);
    return format.format == AUDIO_S16LSB && format.channels == 1 ? samples : std::vector<int16_t>();
}

// Whether out[at + k] matches cut[k] for k in [from, to), allowing for SDL's conversion rounding.
bool Matches(const std::vector<int16_t>& out, size_t at, const std::vector<int16_t>& cut, size_t from, size_t to) {
    if (at + to > out.size()) return false;
    for (size_t k = from; k < to; ++k)
        if (std::abs(int(out[at + k]) - int(cut[k])) > 4) return false;
    return true;
}

}  // namespace

TEST(AudioOutput, GameFilesAreWhatTheGameExpects) {
    // The effect is a real 16-bit PCM WAV, short but not a click; the track a real MP3 of about 68 s.
    const std::string wav = ReadAll(kDataDir + "/" + kCutPath), mp3 = ReadAll(kDataDir + "/" + kMusicTrackPath);
    ASSERT_TRUE(wav.size() >= 44u && mp3.size() > 500000u);
    EXPECT_TRUE(wav.compare(0, 4, "RIFF") == 0 && wav.compare(8, 4, "WAVE") == 0 && wav[20] == 1 && wav[34] == 16);
    const std::size_t cut = CutSamples().size();
    EXPECT_TRUE(cut > kRate * 0.25 && cut < kRate * 0.6) << cut;
    EXPECT_TRUE(mp3.compare(0, 3, "ID3") == 0 || (uint8_t(mp3[0]) == 0xff && (uint8_t(mp3[1]) & 0xe0) == 0xe0));
    // Every frame decoded, the encoder's padding included, ends before the clock's restart at 68 s.
    Mp3Shape shape;
    std::string why;
    ASSERT_TRUE(ScanMp3(mp3, shape, why)) << why;
    EXPECT_TRUE(shape.samples > 60 * shape.rate && shape.samples <= 68 * shape.rate) << shape.samples;
}

TEST(AudioOutput, MusicIsHeardFromStartUpAndAnEffectLeavesItPlaying) {
    Outcome out = RunScenario("disk", kDataDir, [] {
        if (StartMusic()->music == nullptr) return 10;
        if (int bad = CheckOutputFormat()) return bad;
        for (int tick = 0; tick < 50; ++tick, SDL_Delay(16)) Registry<MusicPlayer>().Get("BGM")->RestartIfEnded();
        PlaySoundFile(kCutPath);
        SDL_Delay(200);
        if (Mix_PlayingMusic() == 0) return 12;  // the effect stopped the music
        Registry<MusicPlayer>().ReleaseAll();   // at exit the registry closes the player and the output
        return Mix_PlayingMusic() == 0 ? 0 : 13;
    });
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    // The music starts within half a second and is not quiet.
    const auto audible = std::find_if(out.left.begin(), out.left.end(), [](int16_t s) { return std::abs(s) >= 100; });
    const size_t first = audible - out.left.begin(), window = kRate / 10;
    ASSERT_LT(first, size_t(kRate / 2)) << "no music in the first half second";
    ASSERT_GT(out.left.size(), first + 6 * window) << "less output than expected";
    for (auto from = audible; from < audible + 6 * window; from += window)
        EXPECT_GT(std::sqrt(std::inner_product(from, from + window, from, 0.0) / window), 1000.0) << from - audible;
}

TEST(AudioOutput, CutIsHeardAndARepeatedCutRestartsItFromTheBeginning) {
    const std::vector<int16_t> cut = CutSamples();
    ASSERT_GT(cut.size(), 4000u);
    Outcome out = RunScenario("disk", kDataDir, [] {
        PlaySoundFile(kCutPath);
        if (int bad = CheckOutputFormat()) return bad;
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
    EXPECT_TRUE(out.channelsEqual);  // the mono effect sounds in the middle
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

TEST(AudioOutput, NoOutputOrBadFilesRunSilentlyWithOneLineEach) {
    // No audio device at all: start-up, cuts and exit work, and say one line.
    Outcome none = RunScenario("nonexistent", kDataDir, [] {
        StartMusic();
        for (int tick = 0; tick < 5; ++tick) Registry<MusicPlayer>().Get("BGM")->RestartIfEnded();
        PlaySoundFile(kCutPath);
        PlaySoundFile(kCutPath);
        Registry<MusicPlayer>().ReleaseAll();
        PlaySoundFile(kCutPath);  // after the close, still harmless and still silent
        if (AudioDeviceReady()) return 30;
        AudioDeviceClose();
        return Registry<MusicPlayer>().Size() == 0 ? 0 : 31;
    });
    EXPECT_TRUE(none.exitCode == 0 && none.lines() == 1 && none.errors.find("Sound") != std::string::npos)
        << none.exitCode << " " << none.errors;

    // Through ALSA directly: without a card its library would print a page of its own complaints.
    // On a machine with a card the output simply opens and nothing is said.
    Outcome alsa = RunScenario("alsa", kDataDir, [] { return AudioDeviceReady() ? 0 : 1; });
    ASSERT_TRUE(alsa.exitCode == 0 || alsa.exitCode == 1) << alsa.errors;
    EXPECT_EQ(alsa.lines(), alsa.exitCode) << alsa.errors;

    // A game folder whose track and cut sound are not sound at all, and a sound that is missing.
    const std::string dir = TempDir();
    for (const char* sub : {"/res/bgm", "/res/se"}) std::filesystem::create_directories(dir + sub);
    std::ofstream(dir + "/" + kMusicTrackPath) << "this is not an mp3\n";
    std::ofstream(dir + "/" + kCutPath) << "RIFF\x10\0\0\0WAVEjunkjunk";
    Outcome bad = RunScenario("dummy", dir, [] {
        MusicPlayer* bgm = StartMusic();
        bgm->RestartIfEnded();
        if (bgm->music != nullptr) return 40;
        for (int cut = 0; cut < 5; ++cut)
            for (const char* path : {kCutPath, "res/se/missing.wav"}) PlaySoundFile(path);
        if (!AudioDeviceReady()) return 41;  // the output itself is fine
        Registry<MusicPlayer>().ReleaseAll();
        return 0;
    });
    std::filesystem::remove_all(dir);
    // One line each for the track, cut.wav and missing.wav.
    EXPECT_TRUE(bad.exitCode == 0 && bad.lines() == 3 && bad.errors.find("missing.wav") != std::string::npos &&
                bad.errors.find("cut.wav") != std::string::npos)
        << bad.exitCode << " " << bad.errors;
}
