#pragma once
// The 16 ms heartbeat. The arithmetic lives here, apart from GLUT, so it can be driven with a
// made-up clock.
#include <cstdint>
#include <cstdio>

#include "platform/Clock.h"

// Milliseconds since the start of the month (UTC). Falls back at each month's start, which the
// pacing below tolerates because differences are taken modulo 2^32.
std::uint32_t TickMsFrom(const UtcFields& utc);

struct TickPacer {
    bool started = false;
    std::uint32_t lastTick = 0;    // tickMs after the previous tick's wait
    std::uint32_t frameCount = 0;  // ticks since the last frame-rate line
    std::uint32_t rateMark = 0;    // tickMs of the last frame-rate line
    bool ratePrinted = false;      // a frame-rate line is on the console, waiting for its end
};

// What a tick needs from the outside world; tests replace every member.
struct TickHooks {
    std::uint32_t (*now)();
    void (*sleep)(int milliseconds);
    void (*step)();
    std::FILE* out;
};

// Milliseconds to wait before this tick, from 0 to 16. A clock stepped backwards would ask for a
// very long wait; it is capped so the game never freezes.
int TickWait(const TickPacer& pacer, std::uint32_t now);

// One tick: pace, step the scenes, count the frame and print the frame rate about once a second.
void RunTick(TickPacer& pacer, const TickHooks& hooks);

// Ends the carriage-return frame-rate line, if one was printed, so the shell's prompt that
// follows the game starts on a line of its own.
void EndRateLine(const TickPacer& pacer, std::FILE* out);
