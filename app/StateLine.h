#pragma once
// Opt-in, for scripts that drive the game from outside: with TORVINEL_STATE=<file> in the
// environment the game appends one line a tick to that file, so a script can wait on what the
// game did rather than on the clock. A line is the tick, the check a demo would write of the
// scene, and the keys the scenes read at that tick:
//   812 ranking angle=12 speed=0 gems=27 field=0be1d2f4 score=3 banner=3120 slide=300 keys=space,left
// Each line goes out whole in one write. Unset, a tick costs one test.
class Scene;

// Reads the environment and opens the file; call before the game moves into its data folder.
void StateLineStart();

// While a ranked run plays: its place, written on every line as "watching=N"; 0 for none.
void StateLineWatching(int place);

// Quiet while the game replays its own session to come back from watching (see App.cpp).
void StateLineMute(bool mute);

// After the scenes stepped: the line of this tick.
void StateLineTick(long tick, const Scene* scene);
