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

void SleepMs(int milliseconds);
