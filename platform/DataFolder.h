#pragma once
// The game reads its pictures, shaders and sounds, and keeps its ranking, relative to the
// working directory. When started from elsewhere it moves into the folder beside the executable.

// Returns true when the working directory holds the game's files (after moving there if needed).
bool EnterDataFolder();

// The folder holding the running executable, without a trailing slash; empty if unknown.
#include <string>
std::string ExecutableFolder();
