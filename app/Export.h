#pragma once
// --export: a demo played headless at full speed and drawn offscreen, every tick one frame of a
// video, with the game's own sound mixed from what each tick played.
#include <string>

#include "app/CommandLine.h"

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
