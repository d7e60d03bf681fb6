#include "platform/Clock.h"

#include <ctime>
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

void SleepMs(int milliseconds) {
    if (milliseconds <= 0) return;
    timespec request{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&request, &request) != 0) {
    }
}
