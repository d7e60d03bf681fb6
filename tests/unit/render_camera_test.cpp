// The degree tables, the orbiting eye and centre, and the integer aspect.
#include <gtest/gtest.h>

#include <cmath>

#include "render/Camera.h"
#include "render/CameraMath.h"

TEST(CameraTables, SineAndCosineOfWholeDegrees) {
    for (int d = 0; d < 360; ++d) {
        EXPECT_NEAR(sinDeg[d], std::sin(d * M_PI / 180.0), 2e-6) << d;
        EXPECT_NEAR(cosDeg[d], std::cos(d * M_PI / 180.0), 2e-6) << d;
    }
}

TEST(CameraView, EyeAndCentreAroundTheOrbit) {
    float eye[3], center[3];
    OrbitEyeCenter(0, eye, center);
    EXPECT_FLOAT_EQ(eye[0], 1.0f);
    EXPECT_FLOAT_EQ(eye[1], 0.0f);
    EXPECT_NEAR(eye[2], 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(center[0], -1.0f);
    EXPECT_FLOAT_EQ(center[1], 6.0f);
    EXPECT_NEAR(center[2], 0.0f, 1e-7);

    OrbitEyeCenter(90, eye, center);
    EXPECT_NEAR(eye[0], 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(eye[2], 1.0f);
    EXPECT_NEAR(center[0], 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(center[1], 6.0f);
    EXPECT_FLOAT_EQ(center[2], -1.0f);

    // 360 is 0 again, and so is -360; -90 is 270.
    float eye0[3], center0[3];
    OrbitEyeCenter(0, eye0, center0);
    for (int angle : {360, 720, -360}) {
        OrbitEyeCenter(angle, eye, center);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(eye[k], eye0[k]) << angle;
            EXPECT_EQ(center[k], center0[k]) << angle;
        }
    }
    OrbitEyeCenter(-90, eye, center);
    EXPECT_FLOAT_EQ(eye[2], -1.0f);

    // The title's first view: higher eye, wider centre.
    TitleEyeCenter(90, eye, center);
    EXPECT_FLOAT_EQ(eye[1], 1.0f);
    EXPECT_FLOAT_EQ(eye[2], 1.0f);
    EXPECT_FLOAT_EQ(center[1], 8.0f);
    EXPECT_FLOAT_EQ(center[2], -1.5f);
    EXPECT_NEAR(center[0], 0.0f, 1e-6);
}

TEST(CameraView, AspectIsAWholeNumberAndNeverZero) {
    EXPECT_EQ(IntegerAspect(1280, 720), 1);
    EXPECT_EQ(IntegerAspect(1024, 512), 2);
    EXPECT_EQ(IntegerAspect(1920, 1080), 1);
    EXPECT_EQ(IntegerAspect(3000, 1000), 3);
    // Portrait and degenerate windows would give 0 (a projection that divides by zero).
    EXPECT_EQ(IntegerAspect(512, 1024), 1);
    EXPECT_EQ(IntegerAspect(800, 0), 1);
    EXPECT_EQ(WrapDegrees(359), 359);
    EXPECT_EQ(WrapDegrees(360), 0);
    EXPECT_EQ(WrapDegrees(-1), 359);
}
