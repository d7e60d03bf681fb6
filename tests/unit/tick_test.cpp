#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Tick.h"

namespace {

// A scripted clock: time moves only when the test or a sleep moves it.
std::uint32_t fakeNow = 0;
std::vector<int> sleeps;

std::uint32_t FakeNow() { return fakeNow; }
void FakeSleep(int ms) {
    sleeps.push_back(ms);
    fakeNow += static_cast<std::uint32_t>(ms);
}
void NoStep() {}

// Runs ticks against the fake clock and collects the frame-rate lines.
struct Ticker {
    std::FILE* file = std::tmpfile();
    TickPacer pacer;
    explicit Ticker(std::uint32_t start) {
        fakeNow = start;
        sleeps.clear();
    }
    ~Ticker() { std::fclose(file); }
    void Tick() { RunTick(pacer, TickHooks{FakeNow, FakeSleep, NoStep, file}); }
    // The fps values printed so far, each line ending in a carriage return.
    std::vector<double> Lines() {
        std::fflush(file);
        std::rewind(file);
        std::vector<double> values;
        double value;
        while (std::fscanf(file, "fps:%lf\r", &value) == 1) values.push_back(value);
        return values;
    }
};

}  // namespace

TEST(Tick, TickMsFromUtcFields) {
    EXPECT_EQ(TickMsFrom(UtcFields{1, 0, 0, 0, 0}), 86400000u);
    EXPECT_EQ(TickMsFrom(UtcFields{2, 3, 4, 5, 6}), ((((2u * 24 + 3) * 60 + 4) * 60 + 5) * 1000 + 6));
    EXPECT_EQ(TickMsFrom(UtcFields{31, 23, 59, 59, 999}), 2764799999u);
}

TEST(Tick, PacingAndTheFrameRateLine) {
    Ticker ticker(5000000);
    ticker.Tick();  // the first tick waits a full 16 ms and always prints a line close to 0
    ASSERT_EQ(ticker.Lines().size(), 1u);
    EXPECT_LT(ticker.Lines()[0], 0.01);
    EXPECT_EQ(sleeps, std::vector<int>{16});
    const std::uint32_t mark = ticker.pacer.rateMark;

    fakeNow += 5;  // 5 ms of work leaves 11 to wait
    ticker.Tick();
    EXPECT_EQ(sleeps.back(), 11);
    fakeNow += 40;  // a slow tick is followed at once
    ticker.Tick();
    EXPECT_EQ(sleeps.size(), 2u);

    fakeNow = mark + 1000;  // exactly 1000 ms after the last line: nothing yet
    ticker.Tick();
    EXPECT_EQ(ticker.Lines().size(), 1u);
    fakeNow += 1;  // the next tick ends at mark + 1016: four frames since the mark
    ticker.Tick();
    ASSERT_EQ(ticker.Lines().size(), 2u);
    EXPECT_NEAR(ticker.Lines()[1], 4 * 1000.0 / 1016.0, 1e-5);
    EXPECT_EQ(ticker.pacer.frameCount, 0u);
}

TEST(Tick, MonthRollOverDoesNotSleepAndPrintsAtOnce) {
    for (unsigned days : {28u, 29u, 30u, 31u}) {
        Ticker ticker(TickMsFrom(UtcFields{days, 23, 59, 59, 900}));
        ticker.Tick();
        fakeNow = TickMsFrom(UtcFields{1, 0, 0, 0, 10});  // midnight into the next month
        sleeps.clear();
        ticker.Tick();
        EXPECT_TRUE(sleeps.empty()) << days;
        ASSERT_EQ(ticker.Lines().size(), 2u) << days;
        EXPECT_LT(ticker.Lines()[1], 0.01) << days;
        fakeNow += 4;  // and pacing resumes
        ticker.Tick();
        EXPECT_EQ(sleeps, std::vector<int>{12}) << days;
    }
}

TEST(Tick, ClockSteppedBackwardsWaitsAtMostOneTick) {
    TickPacer pacer;
    pacer.lastTick = 2000000;
    EXPECT_EQ(TickWait(pacer, 2000000 - 60000), 16);
    EXPECT_EQ(TickWait(pacer, 2000010), 6);
    EXPECT_EQ(TickWait(pacer, 2000016), 0);
}

TEST(Reshape, FloorOf512) {
    struct Case { int w, h, expectW, expectH; bool raised; };
    for (const Case& c : {Case{400, 800, 512, 800, true}, Case{1024, 600, 1024, 600, false},
                          Case{10, 511, 512, 512, true}, Case{512, 512, 512, 512, false}}) {
        const WindowSize size = ClampWindowSize(c.w, c.h);
        EXPECT_EQ(size.width, c.expectW);
        EXPECT_EQ(size.height, c.expectH);
        EXPECT_EQ(size.raised, c.raised);
    }
}
