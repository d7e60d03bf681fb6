#pragma once
// --export: a demo played headless at full speed and drawn offscreen, every tick one frame of a
// video, with the game's own sound mixed from what each tick played.
#include <string>

#include "app/CommandLine.h"
#include "demo/Demo.h"

struct VideoFile;

// Writes the video the command names; 0 when it is whole under its name, 1 (after one line on
// stderr) for a damaged demo, an output that cannot be written, a missing encoder or no display.
// Nothing of the player's is written: neither the ranking nor the settings.
int RunExport(const CommandChoice& command);

// The progress line: "exporting 1200/2401 ticks (49%)".
std::string ExportProgress(long done, long total);

// Whether the progress line is due: at the first and the last tick, and otherwise once
// kProgressMs have passed since it was last shown (so a fast machine does not flood a terminal).
inline constexpr unsigned kProgressMs = 250;
bool ProgressDue(long done, long total, unsigned nowMs, unsigned shownMs);

// The picture the scenes draw into instead of a window, at the video's size.
struct Offscreen {
    unsigned frame = 0, colour = 0, depth = 0;
    int width = 0, height = 0;
};

// Needs a current GL context; false when it cannot draw offscreen. FreeOffscreen draws into the
// window again.
bool MakeOffscreen(Offscreen& offscreen, int width, int height);
void FreeOffscreen(Offscreen& offscreen);

// Draws the current scene offscreen and reads it back: RGBA, the bottom row first.
void DrawOffscreen(const Offscreen& offscreen, unsigned char* rgba);

// With a current GL context: plays the loaded demo `run` headless from a fresh start, every tick
// drawn offscreen at width x height into `video` with the tick's sound. False, with `why`, when
// the context cannot draw offscreen or the video cannot take a frame.
bool ExportDemo(DemoRun& run, VideoFile& video, int width, int height, std::string& why);
