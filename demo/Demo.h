#pragma once
// Recording a run and playing it back (DemoRecorder.cpp, DemoPlayback.cpp); the check of the
// game's state and its running hash (DemoCheck.h), the file's form (DemoFile.h) and a timedemo's
// figures (TimeDemo.h) have files of their own. This folder uses the scenes' checks (scene/), the
// key state (input/), mesh/, render/'s stream and platform/'s files, never app/ or scenes/.
// The game's tick drives it: the keys of the tick go through it (recorded, or replaced by the
// recorded ones), and after the scenes have stepped it folds the whole state into a running hash
// and writes or compares a check of the game's state, the board's ranking table and each game's
// score. The scenes never know.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "demo/DemoCheck.h"
#include "demo/DemoFile.h"
#include "input/Input.h"
#include "scene/Scene.h"

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

// The whole session, recorded in memory from start-up as a demo (keys and checks as a recording
// writes them, no file): a game's run is the session up to that game's end, so it plays in step
// from the start with the same seed and scenes. Costs a tick an append to a string.
void StartSessionRecording(DemoRun& run, unsigned seed, const int* table, const std::string& about);

// The session so far as a whole demo, ending at the tick under way (after its step).
std::string SessionDemo(const DemoRun& run, const int* table);

// The tick the demo's last game starts at (the first check of the game scene after another
// scene's), where watching a ranked run begins; 0 when it has no game.
long LastGameStart(const Demo& demo);

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

// The recording's part of a tick: the keys' changes, then after the step the check when `due`,
// the table when it changed, and about once a second the write.
void RecordTickKeys(DemoRun& run, const KeySet& live);
void RecordAfterStep(DemoRun& run, const SceneCheck& check, bool due, const int* table);

inline bool SameTable(const RankingRow& known, const int* table) { return std::equal(known.begin(), known.end(), table); }

inline RankingRow RowOf(const int* table) {
    RankingRow row{};
    std::copy(table, table + row.size(), row.begin());
    return row;
}

// Playback: true once every recorded tick has been played.
bool DemoPlayedOut(const DemoRun& run);

// Playback: compares every game's score and the final table with the recording's end. True when
// the whole run stayed in step; otherwise the report says where it first went out of step.
bool FinishPlayback(DemoRun& run, const int* table);
