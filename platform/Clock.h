#pragma once
// The clocks the game paces itself by, and sleeping in the kernel until a deadline.
#include <cstdint>

// Milliseconds on the monotonic clock, kept to 32 bits: the tick's clock. It never steps with the
// wall clock; it wraps every 49.7 days, and differences are taken modulo 2^32.
std::uint32_t MonotonicMs();

// Sleeps until MonotonicMs() reaches `deadline`, an absolute time, so that however late the sleep
// began, it ends on time; returns at once when the deadline has passed.
void SleepUntilMs(std::uint32_t deadline);

// Nanoseconds from now until `deadline` (a MonotonicMs value); 0 once it has passed.
std::int64_t NanosecondsUntil(std::uint32_t deadline);
