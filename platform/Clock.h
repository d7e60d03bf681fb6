#pragma once
// Wall-clock readings and sleeping.

struct UtcFields {
    unsigned day;          // day of the month, 1..31
    unsigned hour;
    unsigned minute;
    unsigned second;
    unsigned millisecond;
};

UtcFields NowUtcFields();

struct TimeOfDay {
    int hour;
    int minute;
    int second;
};

TimeOfDay LocalTimeOfDay();

// Sleeps for the given milliseconds, waking on time (the tick's pace depends on it).
void SleepMs(int milliseconds);

// A short rest of about a millisecond, for the idle loop; waking late does no harm there.
void RestBriefly();
