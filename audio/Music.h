#pragma once
// The looping background track.

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

MediaType MediaTypeOf(const char* name);

struct MusicPlayer {
    int mediaType = 0;
    int lengthSeconds = 0;
    int startHour = 0;
    int startMinute = 0;
    int startSecond = 0;
    void* music = nullptr;  // decoded track, owned; null when the open failed

    void Open();
    void Play();
    void RestartIfEnded();
    void Close();  // stops, rewinds, closes and frees the player
};

void ReleaseResource(MusicPlayer* player);
