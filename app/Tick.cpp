#include "app/Tick.h"

int TickWait(const TickPacer& pacer, std::uint32_t now) {
    const std::int32_t elapsed = static_cast<std::int32_t>(now - pacer.lastTick);
    const std::int64_t wait = 16 - static_cast<std::int64_t>(elapsed);
    if (wait <= 0) return 0;
    return wait > 16 ? 16 : static_cast<int>(wait);
}

void RunTick(TickPacer& pacer, const TickHooks& hooks) {
    if (!pacer.started) {
        pacer.started = true;
        pacer.lastTick = hooks.now();
    }
    const std::uint32_t now = hooks.now();
    const int wait = TickWait(pacer, now);
    if (wait > 0) hooks.sleepUntil(now + static_cast<std::uint32_t>(wait));
    pacer.lastTick = hooks.now();

    hooks.step();

    pacer.frameCount += 1;
    const std::uint32_t end = hooks.now();
    const std::uint32_t sinceMark = end - pacer.rateMark;
    if (sinceMark > 1000u) {
        std::fprintf(hooks.out, "fps:%f\r", static_cast<double>(pacer.frameCount) * 1000.0 /
                                                static_cast<double>(sinceMark));
        // A carriage return flushes nothing on a buffered stdout; without this the line never shows.
        std::fflush(hooks.out);
        pacer.rateMark = end;
        pacer.frameCount = 0;
        pacer.ratePrinted = true;
    }
}

void EndRateLine(const TickPacer& pacer, std::FILE* out) {
    if (pacer.ratePrinted) std::fputc('\n', out);
}

void RestOrTick(const TickPacer& pacer, const RestHooks& hooks) {
    if (pacer.started) {
        const std::uint32_t now = hooks.now();
        const int wait = TickWait(pacer, now);
        if (wait > 0 && hooks.restUntilInput(now + static_cast<std::uint32_t>(wait))) return;
    }
    hooks.tick();
}
