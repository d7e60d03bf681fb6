#pragma once
// Opt-in measurements for bench/perf.sh. With TORVINEL_PROFILE=<file> in the environment the game
// writes its start-up phases, every tick, every drawing and every scene switch to that file; with
// TORVINEL_PROFILE_GL=1 as well it also counts the live GL textures and programs and the resident
// memory each time the title scene comes back. Unset, each hook costs one test of a pointer.
#include <cstdio>

extern std::FILE* profileFile;

// Reads the environment and opens the log; call first thing in the program.
void ProfileStart();

// Milliseconds on the monotonic clock, and CPU milliseconds of this thread and of the process.
double ProfileNowMs();
double ProfileThreadCpuMs();
double ProfileProcessCpuMs();

// "phase <name> <ms>": one start-up step that began at `startMs` (ProfileNowMs) and ends now.
void ProfilePhase(const char* name, double startMs);

// From here on the GL shader compile and link calls are timed; their sum goes out as the phase
// "shaders" at the next ProfilePhase named "scene_init". Call after the last glewInit.
void ProfileWatchShaderBuilds();

// One tick's scene step (StepScenes), timed; logs "tick" and, on a scene switch, "switch".
void ProfiledStep(void (*step)());

// One display: the scene's Draw and the buffer swap, timed apart.
void ProfiledDisplay(void (*draw)(), void (*swap)());
