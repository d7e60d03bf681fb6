#pragma once
// The game's own options, read before GLUT sees the command line. GLUT's X options (-display,
// -geometry, ...) are not passed on: DISPLAY chooses the screen and each executable fixes its own
// window, so every other argument is refused.
#include <cstdio>
#include <string>

enum class CommandAction { Play, Help, Version, Refuse };

struct CommandChoice {
    CommandAction action = CommandAction::Play;
    std::string refused;  // the argument that was not understood
};

// The first argument decides: --help (or -h), --version, or anything else refused.
CommandChoice ParseCommandLine(int argc, const char* const* argv);

// What the game is, its keys, its options and where it keeps scores, for the named executable.
void PrintUsage(std::FILE* out, const char* program);

// "<program> <version>", then who holds the copyright and the licence.
void PrintVersion(std::FILE* out, const char* program);
