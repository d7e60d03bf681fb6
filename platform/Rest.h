#pragma once
// The game's rest between ticks: asleep in the kernel until the next tick is due or the X server
// has something for the window (a key, an expose), whichever comes first.
#include <cstdint>

// Rests until MonotonicMs() reaches `deadline` or X input is waiting. True when input came first
// (or was already waiting): GLUT hands it over and the game rests again until its tick.
bool RestUntilInput(std::uint32_t deadline);
