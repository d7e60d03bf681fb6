#pragma once
// Game controllers through SDL's GameController layer: any pad SDL has a mapping for, from its
// own list, from SDL_GAMECONTROLLERCONFIG or from the player's mapping file, plugged in before
// the game starts or at any moment after.
#include <string>

#include "input/Input.h"

// Once a tick: opens the pads plugged in since the last poll, closes the ones pulled out (so what
// they held is let go), sets `keys` to what every open pad holds down, together (AddPadKeys), and
// adds to `presses` every button and stick push since the last poll, even one already let go.
// While the game's window does not have the keyboard the pads press nothing, as the keys do not.
// With no pad, no joystick support or no permission to open a device, `keys` stays empty and
// nothing is said.
void PollPads(KeySet& keys, KeySet& presses);

// The player's own mappings: $XDG_CONFIG_HOME/torvinel/gamecontrollerdb.txt, or
// ~/.config/torvinel/gamecontrollerdb.txt when XDG_CONFIG_HOME is unset or not absolute; empty
// when neither is an absolute path.
std::string PadMappingPath(const char* xdgConfigHome, const char* home);

// Adds this platform's mappings from a file in the form of SDL's gamecontrollerdb.txt, one per
// line; lines for other platforms and # comments are passed over. A missing file is no matter. A
// file that cannot be read, or lines that are not mappings, cost one line on stderr; the good
// lines are used all the same. The first PollPads loads the player's file.
void LoadPadMappings(const std::string& path);
