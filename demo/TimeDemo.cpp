#include "demo/TimeDemo.h"

#include <algorithm>
#include <cstdio>

std::string TimeDemoSummary(const std::string& name, TimeDemoFigures figures, bool inStep,
                            const std::string& report) {
    std::vector<double>& ms = figures.frameMs;
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double share) {
        if (ms.empty()) return 0.0;
        const std::size_t rank = static_cast<std::size_t>(share * static_cast<double>(ms.size()) + 0.999999);
        return ms[std::min(ms.size(), std::max<std::size_t>(rank, 1)) - 1];
    };
    const double frames = ms.empty() ? 1.0 : static_cast<double>(ms.size());
    char line[512];
    std::snprintf(line, sizeof line,
                  "timedemo %s: %ld ticks in %.2f s, %.1f ticks/s; ms per frame: median %.2f, p99 %.2f, "
                  "longest %.2f; CPU ms per frame %.2f; ",
                  name.c_str(), figures.ticks, figures.seconds,
                  figures.seconds > 0.0 ? static_cast<double>(figures.ticks) / figures.seconds : 0.0, at(0.5),
                  at(0.99), ms.empty() ? 0.0 : ms.back(), figures.cpuMs / frames);
    const std::string paused =
        figures.pausedTicks > 0 ? std::to_string(figures.pausedTicks) + " paused ticks passed over; " : "";
    return line + paused + (inStep ? std::string("in step") : "OUT OF STEP: " + report);
}
