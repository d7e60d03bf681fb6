#pragma once
// Watching a ranked run from the board: the player's own keys steer the playback (the scenes
// read the run's recorded keys). Enter pauses and resumes, Right and Left step the speed through
// half, normal, double and four times, Escape (a pad's Back) returns to the board; an Escape
// already down when watching starts must be let go first, so the press that chose nothing
// never ends it at once.
#include "input/Input.h"

struct WatchControl {
    int speed = 1;  // into kWatchSpeeds
    bool paused = false;
    long frame = 0;
    KeySet before{};  // the keys of the previous frame; at first, those down when watching began
};

// Ticks per two frames at each speed: half, normal, double, four times.
inline constexpr int kWatchSpeeds[] = {1, 2, 4, 8};
inline constexpr int kWatchSpeedCount = 4;

// The pace shown while watching: ticks per two frames at the chosen speed, 0 while paused.
inline int WatchPace(const WatchControl& control) { return control.paused ? 0 : kWatchSpeeds[control.speed]; }

// One frame of watching from the player's keys: how many ticks of the run to play, or -1 to
// return to the board.
int WatchFrame(WatchControl& control, const KeySet& live);
