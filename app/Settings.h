#pragma once
// What the player chose and the game keeps between runs: the sound levels, mute, full screen or a
// window, and the window's size. A small INI file, read with Debian's libinih:
//
//   [sound]            music = 0..10, effects = 0..10, mute = 0 or 1
//   [window]           fullscreen = 0 or 1, width and height = 512..8192
#include <string>

#include "audio/SoundLevels.h"

struct Settings {
    SoundLevels sound;
    bool fullScreen = true;  // how the full-screen executable starts; the windowed one always in a window
    int width = 1280, height = 720;
};

bool operator==(const Settings& a, const Settings& b);
inline bool operator!=(const Settings& a, const Settings& b) { return !(a == b); }

// Where the settings live: beside the ranking when the game runs from a source or build folder
// (a relative ranking path), else $XDG_CONFIG_HOME/torvinel/settings.ini, or
// $HOME/.config/torvinel/settings.ini when XDG_CONFIG_HOME is unset or not absolute. Empty when
// there is nowhere to keep them.
std::string SettingsPath(const std::string& rankingPath, const char* xdgConfigHome, const char* home);

// The settings a file's text holds; names left out keep their defaults. False for text the game
// did not write (a line that is not INI, a name it does not know, a value out of range), with
// `why` naming the line, and `settings` then all defaults.
bool ParseSettings(const std::string& text, Settings& settings, std::string& why);

std::string SettingsText(const Settings& settings);

// The settings of the file at path. A missing file gives the defaults quietly; one that cannot be
// read, or is damaged or foreign, gives the defaults and one line on stderr, and stays as it is.
Settings LoadSettings(const std::string& path);

// Writes `now` to path, whole and atomically, when it differs from `onDisk` (what the file held
// at start, or the defaults), which then becomes `now`. True when nothing needed writing or the
// write succeeded; a failure is one line on stderr.
bool SaveSettingsIfChanged(const std::string& path, const Settings& now, Settings& onDisk);
