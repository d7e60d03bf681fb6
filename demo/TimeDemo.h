#pragma once
// The figures a timedemo ends with.
#include <string>
#include <vector>

// Figures of a timedemo.
struct TimeDemoFigures {
    long ticks = 0;
    double seconds = 0.0;
    std::vector<double> frameMs;  // one tick, its drawing and the buffer swap, each
    double cpuMs = 0.0;           // the process's CPU time over the run
    long pausedTicks = 0;         // ticks of a paused game, passed over without a frame
};

// The one line a timedemo ends with.
std::string TimeDemoSummary(const std::string& name, TimeDemoFigures figures, bool inStep,
                            const std::string& report);

// The exit status of a timedemo that went out of step.
inline constexpr int kOutOfStepStatus = 3;
