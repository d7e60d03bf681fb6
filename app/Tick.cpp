#include "app/Tick.h"

std::uint32_t TickMsFrom(const UtcFields& utc) {
    std::uint32_t ms = utc.day;
    ms = ms * 24u + utc.hour;
    ms = ms * 60u + utc.minute;
    ms = ms * 60u + utc.second;
    return ms * 1000u + utc.millisecond;
}

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
    const int wait = TickWait(pacer, hooks.now());
    if (wait > 0) hooks.sleep(wait);
    pacer.lastTick = hooks.now();

    hooks.step();

    pacer.frameCount += 1;
    const std::uint32_t now = hooks.now();
    const std::uint32_t sinceMark = now - pacer.rateMark;
    if (sinceMark > 1000u) {
        std::fprintf(hooks.out, "fps:%f\r", static_cast<double>(pacer.frameCount) * 1000.0 /
                                                static_cast<double>(sinceMark));
        // A carriage return flushes nothing on a buffered stdout; without this the line never shows.
        std::fflush(hooks.out);
        pacer.rateMark = now;
        pacer.frameCount = 0;
        pacer.ratePrinted = true;
    }
}

void EndRateLine(const TickPacer& pacer, std::FILE* out) {
    if (pacer.ratePrinted) std::fputc('\n', out);
}
