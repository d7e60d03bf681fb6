#pragma once
// The game reads its pictures, shaders and sounds relative to the working directory, so start-up
// moves into the first folder that holds them. Where the scores go follows from that folder: a
// checkout or build folder keeps them beside the files, an installed game in the player's own
// data folder, since the installed files belong to the system.
#include <string>
#include <vector>

// One folder the game may find its files in.
struct DataPlace {
    std::string shown;      // as named in messages
    std::string real;       // canonical absolute path; empty when the folder does not exist
    bool hasFiles = false;  // holds res/game
    bool installed = false; // an installed share/ folder (relocated or built in)
};

struct DataChoice {
    bool found = false;
    std::string folder;       // real path of the first place holding the files
    bool installed = false;   // that folder is an installed one, however it was reached
    std::string rankingPath;  // empty when there is nowhere to keep scores
};

// The first place holding the files wins. A folder that is the real path of an installed place
// counts as installed even when reached as the working directory. Installed games keep scores in
// $XDG_DATA_HOME/torvinel/ranking.dat, or $HOME/.local/share/torvinel/ranking.dat when
// XDG_DATA_HOME is unset or not absolute; others keep "res/ranking.dat" in their folder.
DataChoice ChooseDataFolder(const std::vector<DataPlace>& places, const char* xdgDataHome,
                            const char* home);

// The places searched, in order: the working directory, beside the executable,
// <executable's folder>/../share/torvinel and the folder built in when the game was configured.
std::vector<DataPlace> DataPlaces();

// Moves into the data folder and gives the ranking path to use. When no place holds the files it
// prints one line naming them all and returns false.
bool EnterDataFolder(std::string& rankingPath);

// The folder holding the running executable, without a trailing slash; empty if unknown.
std::string ExecutableFolder();
