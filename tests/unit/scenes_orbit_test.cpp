#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/Input.h"
#include "scenes/Orbit.h"

namespace {

// Angle changes over n ticks with the given arrows, from the current speed and angle.
std::vector<int> Turn(float& speed, int& angle, int n, bool left, bool right) {
    std::vector<int> steps;
    for (int i = 0; i < n; ++i) {
        const int before = angle;
        StepOrbit(speed, angle, left, right);
        int step = angle - before;
        if (step > 180) step -= 360;
        if (step < -180) step += 360;
        steps.push_back(step);
    }
    return steps;
}

}  // namespace

TEST(Orbit, RightTurnStartsAtThreeThenFourAndStopsAtOnce) {
    float speed = 0.0f;
    int angle = 0;
    EXPECT_EQ(Turn(speed, angle, 9, false, true), (std::vector<int>{3, 3, 3, 3, 3, 3, 4, 4, 4}));
    EXPECT_EQ(angle, 30);
    // Released: the remaining speed never reaches a whole degree.
    EXPECT_EQ(Turn(speed, angle, 5, false, false), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(angle, 30);
}

TEST(Orbit, LeftTurnIsFourAtOnceAndDriftsSixTicksAfterRelease) {
    float speed = 0.0f;
    int angle = 0;
    EXPECT_EQ(Turn(speed, angle, 3, true, false), (std::vector<int>{-4, -4, -4}));
    EXPECT_EQ(angle, 348);
    EXPECT_EQ(Turn(speed, angle, 8, false, false),
              (std::vector<int>{-1, -1, -1, -1, -1, -1, 0, 0}));
    EXPECT_EQ(angle, 342);
}

TEST(Orbit, WrapsAndBothArrowsCancel) {
    float speed = 0.0f;
    int angle = 0;
    Turn(speed, angle, 20, false, true);  // up to full speed
    angle = 359;
    StepOrbit(speed, angle, false, true);
    EXPECT_EQ(angle, 3);

    float still = 0.0f;
    int a = 100;
    Turn(still, a, 5, true, true);
    EXPECT_EQ(a, 100);
    EXPECT_EQ(still, 0.0f);
}

TEST(Orbit, ArrowMustBeHeldAcrossATick) {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
    float speed = 0.0f;
    int angle = 50;

    in.arrows[ArrowRight] = 1;  // pressed just before this tick: not yet held
    UpdateOrbit(speed, angle);
    CopyInputHistory();
    in.arrows[ArrowRight] = 0;  // released before the next tick
    UpdateOrbit(speed, angle);
    CopyInputHistory();
    EXPECT_EQ(angle, 50);
    EXPECT_EQ(speed, 0.0f);

    in.arrows[ArrowLeft] = 1;
    UpdateOrbit(speed, angle);
    CopyInputHistory();
    UpdateOrbit(speed, angle);  // second tick down: held
    CopyInputHistory();
    EXPECT_EQ(angle, 46);
    std::memset(&in, 0, sizeof in);
}

TEST(Orbit, ScrollWrapsOnceEveryThreeThousandRestTicks) {
    EXPECT_EQ(kRestScrollStep, 0.05000000074505806);
    double scroll = 0.0;
    int ticks = 0;
    double before = 0.0;
    do {
        before = scroll;
        scroll = NextScroll(scroll, kRestScrollStep);
        ++ticks;
    } while (scroll > before);
    EXPECT_EQ(ticks, 3000);
    EXPECT_GT(scroll, 0.0);
    EXPECT_LT(scroll, 1e-5);
    EXPECT_EQ(NextScroll(149.0, 1.0), 150.0);  // exactly 150 is kept
}
