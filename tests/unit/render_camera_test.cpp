// The degree tables, the orbiting eye and centre, and the integer aspect.
#include <gtest/gtest.h>

#include "render/Camera.h"
#include "render/CameraMath.h"

TEST(CameraView, EyeAndCentreAroundTheOrbit) {
    const struct {
        int angle;
        bool title;
        float eye[3], center[3];
    } cases[] = {
        {0, false, {1, 0, 0}, {-1, 6, 0}},      {90, false, {0, 0, 1}, {0, 6, -1}},
        {360, false, {1, 0, 0}, {-1, 6, 0}},    {-360, false, {1, 0, 0}, {-1, 6, 0}},
        {-90, false, {0, 0, -1}, {0, 6, 1}},    {450, false, {0, 0, 1}, {0, 6, -1}},
        {90, true, {0, 1, 1}, {0, 8, -1.5f}},  // the title's first view: higher and wider
    };
    for (const auto& c : cases) {
        float eye[3], center[3];
        (c.title ? TitleEyeCenter : OrbitEyeCenter)(c.angle, eye, center);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(eye[k], c.eye[k], 1e-6) << c.angle << " eye " << k;
            EXPECT_NEAR(center[k], c.center[k], 1e-6) << c.angle << " centre " << k;
        }
    }
}

TEST(CameraView, AspectIsAWholeNumberAndNeverZero) {
    // Portrait and degenerate windows would give 0 (a projection that divides by zero).
    const int cases[][3] = {{1280, 720, 1}, {1024, 512, 2}, {3000, 1000, 3}, {512, 1024, 1},
                            {800, 0, 1}};
    for (const auto& c : cases) EXPECT_EQ(IntegerAspect(c[0], c[1]), c[2]) << c[0] << "x" << c[1];
    EXPECT_EQ(WrapDegrees(359), 359);
    EXPECT_EQ(WrapDegrees(360), 0);
    EXPECT_EQ(WrapDegrees(-1), 359);
}
