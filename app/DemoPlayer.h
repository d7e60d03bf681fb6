#pragma once
// A demo played through the real scenes with no window, no sound and no files: the keys, the
// checks and the tables go the game's own way, tick by tick, as --timedemo plays them. The demo
// fuzzer, tools/demo_tool and the tests play demos this way.
#include "demo/Demo.h"

// Puts back every process-wide value the play reads as a fresh game has it (the key state, each
// scene's turning speed, the spawning pace, the random stream from `seed`, the board's table,
// kept in memory only), silences the cut sound and starts a first title.
void StartHeadlessPlay(unsigned seed, const RankingRow& table);

// Plays the loaded demo `run` (mode Play or TimeDemo) from a fresh start, up to `maxTicks` ticks,
// stopping at the first tick out of step. With `recording`, a recording started beside it takes
// the same keys and records the run again in this game's format. Held Escape in the demo ends it
// as in the game. True while in step;
// the last scores are compared once the demo is played out or left.
bool PlayDemoHeadless(DemoRun& run, long maxTicks, DemoRun* recording = nullptr);

// Frees the current scene and the stream the first title made.
void EndHeadlessPlay();
