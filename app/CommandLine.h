#pragma once
// The game's own options, read before GLUT sees the command line. GLUT's X options (-display,
// -geometry, ...) are not passed on: DISPLAY chooses the screen and each executable fixes its own
// window, so every other argument is refused.
#include <cstdio>
#include <string>

#include "demo/DemoFile.h"

// --size's bounds: the game's smallest window, and more than any screen shows today.
inline constexpr int kMinWindowSide = 512;
inline constexpr int kMaxWindowSide = 8192;
// An exported video may be as small as a thumbnail.
inline constexpr int kMinVideoSide = 64;

enum class CommandAction { Play, Help, Version, Refuse };

struct CommandChoice {
    CommandAction action = CommandAction::Play;
    std::string problem;  // why the command line was refused, in a few words
    DemoMode demo = DemoMode::None;
    std::string demoPath;  // as given
    int rankPlace = 0;          // --play-rank: the place (1..8) whose run plays (demo is then Play)
    int width = 0, height = 0;  // --size of the window or video; 0 keeps 1280 x 720
    std::string videoPath;      // --export: the video to write (the demo is demoPath, played back)
};

// --help (or -h) or --version first decide alone. Otherwise: --record FILE, --play FILE,
// --play-rank N, --timedemo FILE and --export FILE OUT (one of them), and --size WIDTHxHEIGHT: in
// the windowed game alone or with --timedemo, in either with --export (whose sides may be as small
// as 64). --record, --play and --play-rank combine with nothing else.
CommandChoice ParseCommandLine(int argc, const char* const* argv, bool windowed);

// What the game is, its keys, its options and where it keeps scores, for the named executable.
void PrintUsage(std::FILE* out, const char* program);

// The game's version, "1.1.0".
const char* GameVersion();

// "<program> <version>", then who holds the copyright and the licence.
void PrintVersion(std::FILE* out, const char* program);
