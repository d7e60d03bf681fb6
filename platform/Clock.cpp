#include "platform/Clock.h"

#include <cerrno>
#include <ctime>
#include <time.h>

namespace {

constexpr std::int64_t kNsPerMs = 1000000;

std::int64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The full time of a 32-bit millisecond deadline: the one nearest to now.
std::int64_t DeadlineNs(std::uint32_t deadline, std::int64_t nowNs) {
    const std::int64_t nowMs = nowNs / kNsPerMs;
    const auto ahead = static_cast<std::int32_t>(deadline - static_cast<std::uint32_t>(nowMs));
    return (nowMs + ahead) * kNsPerMs;
}

}  // namespace

std::uint32_t MonotonicMs() { return static_cast<std::uint32_t>(MonotonicNs() / kNsPerMs); }

void SleepUntilMs(std::uint32_t deadline) {
    const std::int64_t at = DeadlineNs(deadline, MonotonicNs());
    const timespec until{static_cast<time_t>(at / 1000000000), static_cast<long>(at % 1000000000)};
    // Only an interruption is worth resuming; with an absolute deadline it resumes where it was.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

std::int64_t NanosecondsUntil(std::uint32_t deadline) {
    const std::int64_t now = MonotonicNs();
    const std::int64_t left = DeadlineNs(deadline, now) - now;
    return left > 0 ? left : 0;
}
