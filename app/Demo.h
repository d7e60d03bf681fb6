#pragma once
// Recording a run and playing it back. The app drives it once a tick: the keys of the tick go
// through it (recorded, or replaced by the recorded ones), and after the scenes have stepped it
// folds the whole state into a running hash and writes or compares a check of the game's state,
// the board's ranking table and each game's score. The scenes never know.
#include <cstdint>
#include <string>
#include <vector>

#include "app/DemoFile.h"
#include "app/Input.h"
#include "scene/Scene.h"

// What a check line says of a scene: "game angle=3 speed=0.5 gems=27 field=9c1f2a33 score=2 ...",
// then in format 2 "run=..." from `run`. The field's figure is a hash of every gem's shape, place
// and motion, of the pacing of new gems and of the tube's scroll, so the smallest drift shows.
std::string CheckLine(const SceneCheck& check, int format, std::uint32_t run);

// The running hash after one more tick: everything the field's figure holds, and the view, the
// blade's corners, every spark and the scene's own counts, byte for byte in one order on every
// machine. A difference on any tick carries on into every later check.
std::uint32_t FoldTick(std::uint32_t run, const SceneCheck& check);
inline constexpr std::uint32_t kRunHashStart = 2166136261u;

// The first thing that differs between two check lines, in words: "score is 5, the recording
// says 6", or "the game scene, where the recording is in the title scene".
std::string CheckDifference(const std::string& played, const std::string& recorded);

struct DemoRun {
    DemoMode mode = DemoMode::None;
    std::string path;            // as the player named it
    long tick = 0;               // the tick under way, or the next one to run
    bool inTick = false;
    const Scene* lastScene = nullptr;
    RankingRow table{};          // the board's table as last recorded or replayed
    std::vector<int> scores;     // each finished game's score, as the ranking took it
    std::uint32_t run = kRunHashStart;  // every tick's state so far (FoldTick)
    // Recording: the file being written, under a name of its own beside the target until the end.
    int fd = -1;
    std::string temp;
    std::string pending;         // written out once a check line is reached
    long long written = 0;       // bytes of the file that hold whole lines
    long savedTick = -1;         // the last tick whose lines are all in the file
    std::string failure;         // why the recording stopped early; empty while it goes on
    KeySet keys{};               // as last recorded, or as replayed
    // Playback.
    Demo demo;
    std::size_t next = 0;        // the next line of the demo to play
    bool outOfStep = false;
    std::string report;          // the out-of-step line, once there is one
};

// Starts a recording into `path`: refuses (false, with `why`) a path that holds anything but a
// demo, and writes beside it until FinishRecording renames the whole file into place. A run that
// is killed or crashes still leaves the demo under its name, up to about the last second.
bool StartRecording(DemoRun& run, const std::string& path, unsigned seed, const int* table,
                    const std::string& about, std::string& why);

// A comment line in the recording, for whoever reads it ("window 1280x720").
void RecordComment(DemoRun& run, const std::string& text);

// Writes the end (the last tick played, every game's score, the final table), then moves the file
// into place, unless something that is not a demo has taken its name meanwhile. A write that
// failed during the run ended the recording there and said so in one line; the demo is still put
// in place, playing up to that tick. False, with `why` when there is more to say, whenever the
// whole run is not saved; a second call does nothing.
bool FinishRecording(DemoRun& run, const int* table, std::string& why);

// Drops a recording: its file beside the target is removed and the target is left alone.
void AbandonRecording(DemoRun& run);

// Reads a demo for playback through the game's data-file reader; false, with `why`, for anything
// that is not a whole demo of a format this game plays.
bool LoadDemo(DemoRun& run, const std::string& path, std::string& why);

// The keys the scenes read this tick: the live ones (recorded as they change), or in playback
// the recorded ones.
const KeySet& DemoTickKeys(DemoRun& run, const KeySet& live);

// After the scenes stepped: folds the tick into the running hash, checks the state at every 60th
// tick and at every scene switch, records the board's table when it changed, or in playback
// compares the checks and puts the recorded table on the board. The first difference is reported
// once, on stderr; true while the run is in step.
bool DemoAfterStep(DemoRun& run, const Scene* scene, int* table);

// One whole tick under a demo (or none): the standard arithmetic, this tick's keys into the key
// state the scenes read, `step` (the scenes' StepScenes), then DemoAfterStep with the current
// scene and the board's table. False once a playback has gone out of step.
bool DemoTick(DemoRun& run, const KeySet& live, void (*step)());

// Playback: true once every recorded tick has been played.
bool DemoPlayedOut(const DemoRun& run);

// Playback: compares every game's score and the final table with the recording's end. True when
// the whole run stayed in step; otherwise the report says where it first went out of step.
bool FinishPlayback(DemoRun& run, const int* table);

// Figures of a timedemo.
struct TimeDemoFigures {
    long ticks = 0;
    double seconds = 0.0;
    std::vector<double> frameMs;  // one tick, its drawing and the buffer swap, each
    double cpuMs = 0.0;           // the process's CPU time over the run
    long pausedTicks = 0;         // ticks of a paused game, passed over without a frame
};

// The one line a timedemo ends with.
std::string TimeDemoSummary(const std::string& name, TimeDemoFigures figures, bool inStep,
                            const std::string& report);

// The exit status of a timedemo that went out of step.
inline constexpr int kOutOfStepStatus = 3;
