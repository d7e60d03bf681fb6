#pragma once
// The 16 ms heartbeat. The arithmetic lives here, apart from GLUT and the clock, so it can be
// driven with a made-up clock.
#include <cstdint>
#include <cstdio>

struct TickPacer {
    bool started = false;
    std::uint32_t lastTick = 0;    // the tick clock after the previous tick's wait
    std::uint32_t frameCount = 0;  // ticks since the last frame-rate line
    std::uint32_t rateMark = 0;    // the tick clock at the last frame-rate line
    bool ratePrinted = false;      // a frame-rate line is on the console, waiting for its end
};

// What a tick needs from the outside world; tests replace every member.
struct TickHooks {
    std::uint32_t (*now)();                    // the tick clock, in milliseconds
    void (*sleepUntil)(std::uint32_t deadline);  // an absolute time on that clock
    void (*step)();
    std::FILE* out;
};

// Milliseconds to wait before this tick, from 0 to 16: 16 less the time since the previous tick.
// A clock that jumped backwards would ask for a long wait; it is capped so the game never freezes.
int TickWait(const TickPacer& pacer, std::uint32_t now);

// One tick: pace, step the scenes, count the frame and print the frame rate about once a second.
void RunTick(TickPacer& pacer, const TickHooks& hooks);

// Ends the carriage-return frame-rate line, if one was printed, so the shell's prompt that
// follows the game starts on a line of its own.
void EndRateLine(const TickPacer& pacer, std::FILE* out);

// What the game does whenever GLUT has nothing for it, between ticks.
struct RestHooks {
    std::uint32_t (*now)();
    bool (*restUntilInput)(std::uint32_t deadline);  // true when input came before the deadline
    void (*tick)();
};

// Runs the tick once it is due. Until then the game rests, waking early only for input, which
// GLUT then hands over before this is called again, so a key that arrives before a tick is seen
// by that tick.
void RestOrTick(const TickPacer& pacer, const RestHooks& hooks);
