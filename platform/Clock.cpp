#include "platform/Clock.h"

#include <cerrno>
#include <ctime>
#include <sched.h>
#include <sys/time.h>
#include <time.h>

UtcFields NowUtcFields() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::tm utc{};
    time_t seconds = tv.tv_sec;
    gmtime_r(&seconds, &utc);
    return UtcFields{static_cast<unsigned>(utc.tm_mday), static_cast<unsigned>(utc.tm_hour),
                     static_cast<unsigned>(utc.tm_min), static_cast<unsigned>(utc.tm_sec),
                     static_cast<unsigned>(tv.tv_usec / 1000)};
}

TimeOfDay LocalTimeOfDay() {
    time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return TimeOfDay{local.tm_hour, local.tm_min, local.tm_sec};
}

namespace {

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void NanoSleepMs(double milliseconds) {
    const long whole = static_cast<long>(milliseconds * 1e6);
    timespec request{whole / 1000000000L, whole % 1000000000L};
    // Only an interruption is worth resuming; any other failure would repeat forever.
    while (nanosleep(&request, &request) != 0 && errno == EINTR) {
    }
}

}  // namespace

void SleepMs(int milliseconds) {
    if (milliseconds <= 0) return;
    // The kernel often wakes us a millisecond late, which would stretch every 16 ms tick; sleep
    // short of the deadline and yield through the last stretch so the tick keeps its pace.
    const double deadline = MonotonicMs() + milliseconds;
    for (;;) {
        const double left = deadline - MonotonicMs();
        if (left <= 0.0) return;
        if (left > 2.0) {
            NanoSleepMs(left - 2.0);
        } else {
            sched_yield();
        }
    }
}

void RestBriefly() { NanoSleepMs(1.0); }
