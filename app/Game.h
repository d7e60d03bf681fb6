#pragma once
// The game's tick as one call. Whatever drives the game (the window's timer, a timedemo, the
// headless demo player, the tests) hands it the player's keys for this tick and acts on what it
// says happened; nothing inside it leaves the program.
#include "app/Tick.h"
#include "demo/Demo.h"
#include "demo/TimeDemo.h"

// What the game keeps from tick to tick besides the scenes themselves.
struct Game {
    TickPacer pacer;
    DemoRun demo;                 // recording, playing back, or mode None
    DemoRun* remake = nullptr;    // a second recording that takes the keys the tick plays
    DemoRun session;              // the whole session in memory: each game's run (mode None: off)
    long skipTo = 0;              // watching a ranked run: the tick its game starts, reached unseen
    void (*step)() = StepScenes;  // the scenes' step; the window times it, tests wrap it
    bool escapeBefore = false;    // playback: the player's own Escape at the previous tick
    long musicStart = 0;          // the tick the music last started from its beginning
    TimeDemoFigures figures;
    double timeDemoStartMs = 0.0, timeDemoCpuStartMs = 0.0;
};

enum class TickOutcome {
    Stepped,    // the scenes stepped and the demo, if any, is in step
    Leave,      // Escape held (in playback, the player's own): the game ends
    DemoEnded,  // playback: the recording is played out, or its own Escape ended it
    OutOfStep,  // playback: the scenes stepped, but the run differs from the recording
};

// One tick: the history of the previous tick's keys, a save that finished since, then this
// tick's keys (`live`, or in playback the recorded ones) into the key state, the step, and the
// demo's record or check of what came of it. Escape held leaves before the check is reached,
// where the game has always left.
TickOutcome RunGameTick(Game& game, const KeySet& live);

inline bool PlayingBack(const Game& game) {
    return game.demo.mode == DemoMode::Play || game.demo.mode == DemoMode::TimeDemo;
}

// The headless demo player: a demo played through the real scenes and this same tick, with no
// window, no sound and no files. The demo fuzzer, tools/demo_tool and the tests play demos so.

// Puts back every process-wide value the play reads as a fresh game has it (the key state, each
// scene's turning speed, the spawning pace, the random stream from `seed`, the board's table,
// kept in memory only), silences the cut sound and starts a first title.
void StartHeadlessPlay(unsigned seed, const RankingRow& table);

// Plays the loaded demo `run` (mode Play or TimeDemo) from a fresh start, up to `maxTicks` ticks,
// stopping at the first tick out of step. With `recording`, a recording started beside it takes
// the same keys and records the run again in this game's format. Held Escape in the demo ends it
// as in the game. True while in step; the last scores are compared once the demo is played out
// or left.
bool PlayDemoHeadless(DemoRun& run, long maxTicks, DemoRun* recording = nullptr);

// Ends the current scene and frees it and the stream the first title made, which every scene
// shares: at exit, and before and after a run played headless.
void EndScenes();
