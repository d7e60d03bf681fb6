#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/Input.h"
#include "scenes/Orbit.h"

namespace {

// The whole-degree turn of each of n ticks with these arrows held.
std::vector<int> Turn(float& speed, int& angle, int n, bool left, bool right) {
    std::vector<int> steps;
    for (int i = 0; i < n; ++i) {
        const int before = angle;
        StepOrbit(speed, angle, left, right);
        steps.push_back((angle - before + 540) % 360 - 180);
    }
    return steps;
}

}  // namespace

TEST(Orbit, StepsDriftWrapAndCancel) {
    float speed = 0.0f;
    int angle = 0;
    EXPECT_EQ(Turn(speed, angle, 9, false, true), (std::vector<int>{3, 3, 3, 3, 3, 3, 4, 4, 4}));
    angle = 359;
    Turn(speed, angle, 1, false, true);
    EXPECT_EQ(angle, 3);
    // Released from the right the drift never reaches a whole degree; from the left it does.
    EXPECT_EQ(Turn(speed, angle, 5, false, false), std::vector<int>(5, 0));
    speed = 0.0f;
    angle = 0;
    EXPECT_EQ(Turn(speed, angle, 3, true, false), std::vector<int>(3, -4));
    EXPECT_EQ(Turn(speed, angle, 8, false, false), (std::vector<int>{-1, -1, -1, -1, -1, -1, 0, 0}));
    EXPECT_EQ(angle, 342);
    speed = 0.0f;
    EXPECT_EQ(Turn(speed, angle, 5, true, true), std::vector<int>(5, 0));
    EXPECT_EQ(speed, 0.0f);
}

TEST(Orbit, ArrowMustBeHeldAcrossATick) {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
    float speed = 0.0f;
    int angle = 50;
    for (const int right : {1, 0}) {  // down for one tick only: nothing
        in.arrows[ArrowRight] = right;
        UpdateOrbit(speed, angle);
        CopyInputHistory();
    }
    EXPECT_EQ(angle, 50);
    EXPECT_EQ(speed, 0.0f);
    in.arrows[ArrowLeft] = 1;
    for (int i = 0; i < 2; ++i, CopyInputHistory()) UpdateOrbit(speed, angle);
    EXPECT_EQ(angle, 46);
    std::memset(&in, 0, sizeof in);
}

TEST(Orbit, ScrollWrapsOnceEveryThreeThousandRestTicks) {
    EXPECT_EQ(kRestScrollStep, 0.05000000074505806);
    double scroll = 0.0, before = -1.0;
    int ticks = 0;
    for (; scroll > before; ++ticks) {
        before = scroll;
        scroll = NextScroll(scroll, kRestScrollStep);
    }
    EXPECT_EQ(ticks, 3000);
    EXPECT_GT(scroll, 0.0);
    EXPECT_LT(scroll, 1e-5);
    EXPECT_EQ(NextScroll(149.0, 1.0), 150.0);  // exactly 150 is kept
}
