#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Tick.h"

namespace {

// A scripted clock: every call to now() returns the current value; sleeping advances it.
std::uint32_t fakeNow = 0;
std::vector<int> sleeps;
int steps = 0;

std::uint32_t FakeNow() { return fakeNow; }
void FakeSleep(int ms) {
    sleeps.push_back(ms);
    fakeNow += static_cast<std::uint32_t>(ms);
}
void FakeStep() { ++steps; }

struct Capture {
    std::FILE* file = std::tmpfile();
    ~Capture() { std::fclose(file); }
    std::string Text() {
        std::fflush(file);
        std::rewind(file);
        std::string text;
        int c;
        while ((c = std::fgetc(file)) != EOF) text.push_back(static_cast<char>(c));
        return text;
    }
};

void Reset(std::uint32_t start) {
    fakeNow = start;
    sleeps.clear();
    steps = 0;
}

}  // namespace

TEST(Tick, TickMsFromUtcFields) {
    EXPECT_EQ(TickMsFrom(UtcFields{1, 0, 0, 0, 0}), 86400000u);
    EXPECT_EQ(TickMsFrom(UtcFields{2, 3, 4, 5, 6}), ((((2u * 24 + 3) * 60 + 4) * 60 + 5) * 1000 + 6));
    EXPECT_EQ(TickMsFrom(UtcFields{31, 23, 59, 59, 999}), 2764799999u);
}

TEST(Tick, PacingAndFrameRateLine) {
    Capture out;
    TickPacer pacer;
    const TickHooks hooks{FakeNow, FakeSleep, FakeStep, out.file};
    Reset(5000000);

    // The first tick waits the full 16 ms and always prints a line close to 0.
    RunTick(pacer, hooks);
    EXPECT_EQ(steps, 1);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 16);
    std::string first = out.Text();
    EXPECT_EQ(first.rfind("fps:", 0), 0u);
    EXPECT_EQ(first.back(), '\r');
    EXPECT_LT(std::stod(first.substr(4)), 0.01);

    // A tick whose work took 5 ms waits the remaining 11.
    fakeNow += 5;
    RunTick(pacer, hooks);
    EXPECT_EQ(sleeps.back(), 11);

    // A tick starting 16 ms or more after the previous wait ended does not sleep.
    size_t before = sleeps.size();
    fakeNow += 16;
    RunTick(pacer, hooks);
    fakeNow += 40;
    RunTick(pacer, hooks);
    EXPECT_EQ(sleeps.size(), before);
}

TEST(Tick, FrameRateOnlyAfterStrictlyMoreThanASecond) {
    Capture out;
    TickPacer pacer;
    const TickHooks hooks{FakeNow, FakeSleep, FakeStep, out.file};
    Reset(1000000);
    RunTick(pacer, hooks);  // prints the first line and sets the mark
    const std::uint32_t mark = pacer.rateMark;
    const size_t firstLength = out.Text().size();

    // Exactly 1000 ms after the mark: no line yet.
    fakeNow = mark + 1000;
    RunTick(pacer, hooks);
    EXPECT_EQ(out.Text().size(), firstLength);
    EXPECT_EQ(pacer.frameCount, 1u);

    // The next tick ends at mark + 1016: two frames in 1016 ms.
    fakeNow += 1;
    RunTick(pacer, hooks);
    const std::string text = out.Text();
    ASSERT_GT(text.size(), firstLength);
    EXPECT_DOUBLE_EQ(std::stod(text.substr(firstLength + 4)), std::stod("1.968504"));
    EXPECT_EQ(pacer.frameCount, 0u);
    EXPECT_EQ(pacer.rateMark, mark + 1016);
}

TEST(Tick, MonthRollOverDoesNotSleepAndPrintsAtOnce) {
    const unsigned monthLengths[] = {28, 29, 30, 31};
    for (unsigned days : monthLengths) {
        Capture out;
        TickPacer pacer;
        const TickHooks hooks{FakeNow, FakeSleep, FakeStep, out.file};
        Reset(TickMsFrom(UtcFields{days, 23, 59, 59, 900}));
        RunTick(pacer, hooks);
        const size_t printed = out.Text().size();
        // The clock crosses midnight into day 1 of the next month.
        fakeNow = TickMsFrom(UtcFields{1, 0, 0, 0, 10});
        sleeps.clear();
        RunTick(pacer, hooks);
        EXPECT_TRUE(sleeps.empty()) << days;
        const std::string text = out.Text();
        ASSERT_GT(text.size(), printed) << days;
        EXPECT_LT(std::stod(text.substr(printed + 4)), 0.01) << days;
        // The next ticks pace normally again.
        fakeNow += 4;
        RunTick(pacer, hooks);
        ASSERT_EQ(sleeps.size(), 1u) << days;
        EXPECT_EQ(sleeps[0], 12) << days;
    }
}

TEST(Tick, ClockSteppedBackwardsWaitsAtMostOneTick) {
    TickPacer pacer;
    pacer.started = true;
    pacer.lastTick = 2000000;
    EXPECT_EQ(TickWait(pacer, 2000000 - 60000), 16);
    EXPECT_EQ(TickWait(pacer, 2000000), 16);
    EXPECT_EQ(TickWait(pacer, 2000010), 6);
    EXPECT_EQ(TickWait(pacer, 2000016), 0);
}

TEST(Reshape, FloorOf512) {
    WindowSize small = ClampWindowSize(400, 800);
    EXPECT_TRUE(small.raised);
    EXPECT_EQ(small.width, 512);
    EXPECT_EQ(small.height, 800);
    WindowSize fine = ClampWindowSize(1024, 600);
    EXPECT_FALSE(fine.raised);
    EXPECT_EQ(fine.width, 1024);
    EXPECT_EQ(fine.height, 600);
    WindowSize tiny = ClampWindowSize(10, 511);
    EXPECT_EQ(tiny.width, 512);
    EXPECT_EQ(tiny.height, 512);
    EXPECT_FALSE(ClampWindowSize(512, 512).raised);
}
