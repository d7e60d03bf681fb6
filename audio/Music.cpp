#include "audio/Music.h"

#include <SDL_mixer.h>

#include <cstdio>
#include <cstring>

#include "audio/AudioDevice.h"
#include "audio/Mp3Frames.h"
#include "platform/DataFile.h"
#include "platform/LibraryNoise.h"
#include "platform/Say.h"

const char* const kMusicTrackPath = "res/bgm/フライホイール.mp3";

namespace {

// Players that opened the output; the last one to close hands it back.
int playersHoldingOutput = 0;

Mix_Music* Track(const MusicPlayer& player) { return static_cast<Mix_Music*>(player.music); }

// Far beyond a 68-second track in any format the mixer plays.
constexpr std::size_t kMaxMusicBytes = 32u << 20;

// Reads the track and checks it before handing it to the decoder, which otherwise fills stderr
// with its own notes about a file that is damaged or not sound at all. Reports a problem in one
// line and returns false.
bool ReadPlayableTrack(const char* path, int mediaType, std::string& bytes) {
    std::string why;
    Mp3Shape shape;
    if (!ReadDataFile(path, kMaxMusicBytes, bytes, why)) {
        Say("cannot open the music \"%s\" (%s); the game goes on without it.\n",
            path, why.c_str());
        return false;
    }
    if (mediaType == MediaMp3 && !ScanMp3(bytes, shape, why)) {
        Say("the music \"%s\" %s; the game goes on without it.\n", path, why.c_str());
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace

MediaType MediaTypeOf(const char* name) {
    if (name == nullptr) return MediaNone;
    const char* dot = std::strrchr(name, '.');
    const char* ext = dot != nullptr ? dot + 1 : name;
    struct Known {
        const char* lower;
        const char* upper;
        MediaType type;
    };
    static const Known known[] = {
        {"", "", MediaNone},      {"wav", "WAV", MediaWav}, {"mp3", "MP3", MediaMp3},
        {"mid", "MID", MediaMid}, {"fbx", "FBX", MediaFbx}, {"png", "PNG", MediaPng},
        {"jpg", "JPG", MediaJpg}, {"bmp", "BMP", MediaBmp},
    };
    for (const Known& k : known)
        if (std::strcmp(ext, k.lower) == 0 || std::strcmp(ext, k.upper) == 0) return k.type;
    return MediaOther;
}

bool MusicRestarts(long& startTick, long tick) {
    if (tick - startTick < kMusicTicks) return false;
    startTick = tick;
    return true;
}

void MusicPlayer::Open() {
    mediaType = MediaTypeOf(kMusicTrackPath);
    if (music != nullptr) {  // opening again reloads the track
        Mix_HaltMusic();
        Mix_FreeMusic(Track(*this));
        music = nullptr;
    }
    if (!AudioDeviceReady()) return;
    if (!holdsOutput) {
        holdsOutput = true;
        ++playersHoldingOutput;
    }
    if (!ReadPlayableTrack(kMusicTrackPath, mediaType, trackBytes)) return;
    // The decoder streams from these bytes for as long as the track is open.
    const std::string said = CaptureStderr([this] {
        music = Mix_LoadMUS_RW(SDL_RWFromConstMem(trackBytes.data(), static_cast<int>(trackBytes.size())), 1);
    });
    if (music == nullptr) {
        Say("cannot decode the music \"%s\" (%s); the game goes on without it.\n",
            kMusicTrackPath, WithLibraryWords(Mix_GetError(), said).c_str());
        trackBytes.clear();
    }
}

void MusicPlayer::Play() {
    if (music != nullptr) Mix_PlayMusic(Track(*this), 0);
}

void MusicPlayer::Close() {
    if (music != nullptr) {
        Mix_HaltMusic();
        Mix_RewindMusic();
        Mix_FreeMusic(Track(*this));
        music = nullptr;
    }
    trackBytes.clear();
    if (holdsOutput && --playersHoldingOutput == 0) AudioDeviceClose();
    delete this;
}

void ReleaseResource(MusicPlayer* player) { player->Close(); }
