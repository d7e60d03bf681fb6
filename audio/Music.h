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

// Whole seconds from one local time of day to a later one, counting across midnight (0..86399).
int SecondsBetween(int fromHour, int fromMinute, int fromSecond, int toHour, int toMinute,
                   int toSecond);

struct MusicPlayer {
    int mediaType = 0;
    int lengthSeconds = 0;
    int startHour = 0;
    int startMinute = 0;
    int startSecond = 0;
    void* music = nullptr;     // decoded track (Mix_Music), owned; null when the open failed
    std::string trackBytes;    // the track's file, read once; the decoder streams from it
    bool holdsOutput = false;  // this player keeps the audio output open until it closes

    void Open();
    void Play();
    void RestartIfEnded();
    void Close();  // stops, rewinds, closes and frees the player

    // Play and RestartIfEnded at a given local time of day; the plain versions read the clock.
    void PlayAt(int hour, int minute, int second);
    void RestartIfEndedAt(int hour, int minute, int second);
};

void ReleaseResource(MusicPlayer* player);
