#pragma once
// The looping background track.
#include <string>

enum MediaType : int {
    MediaNone = 0,
    MediaWav = 1,
    MediaMp3 = 2,
    MediaMid = 3,
    MediaFbx = 4,
    MediaPng = 5,
    MediaJpg = 6,
    MediaBmp = 7,
    MediaOther = 8,
};

// Kind of a file by the text after its last dot (the whole name when it has none), compared byte
// for byte: only all-lower-case or all-upper-case extensions are recognised.
MediaType MediaTypeOf(const char* name);

// The game's one track, UTF-8 on disk.
extern const char* const kMusicTrackPath;

// The track (67 s) starts again 68 s after it last started, counted in the game's 16 ms ticks
// rather than by the clock, so a demo's video hears it at the same tick as its player did.
inline constexpr long kMusicTicks = 4250;

// Whether the track is due to start again at `tick`; when it is, it counts from this tick.
bool MusicRestarts(long& startTick, long tick);

struct MusicPlayer {
    int mediaType = 0;
    void* music = nullptr;     // decoded track (Mix_Music), owned; null when the open failed
    std::string trackBytes;    // the track's file, read once; the decoder streams from it
    bool holdsOutput = false;  // this player keeps the audio output open until it closes

    void Open();
    void Play();   // from the beginning, replacing whatever is sounding
    void Close();  // stops, rewinds, closes and frees the player
};

void ReleaseResource(MusicPlayer* player);
