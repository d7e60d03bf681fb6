#pragma once
// Opt-in, for scripts that drive the game from outside: with TORVINEL_STATE=<file> in the
// environment the game appends one line a tick to that file, so a script can wait on what the
// game did rather than on the clock. A line is the tick, the check a demo would write of the
// scene, and the keys the scenes read at that tick:
//   812 ranking angle=12 speed=0 gems=27 field=0be1d2f4 score=3 banner=3120 slide=300 keys=space,left
// Each line goes out whole in one write. Unset, a tick costs one test.
// While a ranked run is watched from the board a line goes out once a frame instead, after the
// frame's ticks of the run (none while paused): the run's last tick played, its scene, the place
// and pace, and the player's own keys that steer the watching:
//   4127 game angle=3 ... score=12 watching=3 watchpace=8 keys=right
// So a script tells the pace from the ticks the lines advance by: 4 a line at four times, none
// while paused.
#include <string>

#include "input/Input.h"

class Scene;

// Reads the environment and opens the file; call before the game moves into its data folder.
void StateLineStart();

// While a ranked run plays: its place, written on every line as "watching=N"; 0 for none. Its
// pace follows as "watchpace=P", the run's ticks per two frames: 1 at half speed, 2 at normal
// speed (always so for --play-rank), 4 at double, 8 at four times, 0 paused.
void StateLineWatching(int place);

// The watching fields of a line: empty for place 0, else " watching=N watchpace=P".
std::string WatchingFields(int place, int pace);

// Watching from the board: the line of this frame, for the run's last tick played so far.
void StateLineWatchFrame(long tick, const Scene* scene, int pace, const KeySet& keys);

// Quiet while the game replays its own session to come back from watching (see App.cpp).
void StateLineMute(bool mute);

// After the scenes stepped: the line of this tick.
void StateLineTick(long tick, const Scene* scene);
