#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/Globals.h"
#include "app/Input.h"

TEST(Input, KeyHistoryAcrossTicks) {
    std::memset(&Input(), 0, sizeof(InputState));
    // Pressed and released between two ticks: never seen.
    OnKeyDown('x', 0, 0);
    OnKeyUp('x', 0, 0);
    EXPECT_FALSE(KeyNewlyPressed('x') || KeyHeld('x'));
    CopyInputHistory();
    // Down: newly pressed at its first tick only, held from the second on.
    OnKeyDown('a', 0, 0);
    int newly = 0, held = 0;
    for (int tick = 0; tick < 20; ++tick) {
        newly += KeyNewlyPressed('a');
        held += KeyHeld('a');
        CopyInputHistory();
    }
    EXPECT_EQ(newly, 1);
    EXPECT_EQ(held, 19);
    OnKeyUp('a', 0, 0);
    EXPECT_FALSE(KeyHeld('a'));
    // With Shift the letter arrives as another byte.
    OnKeyDown('A', 0, 0);
    EXPECT_TRUE(KeyNewlyPressed('A'));
    EXPECT_FALSE(KeyNewlyPressed('a'));
}

TEST(Input, ArrowAndSpecialKeys) {
    std::memset(&Input(), 0, sizeof(InputState));
    const InputState& in = Input();
    for (int key : {GLUT_KEY_UP, GLUT_KEY_LEFT, GLUT_KEY_F1, GLUT_KEY_PAGE_UP}) OnSpecialKeyDown(key, 0, 0);
    const unsigned char upAndLeft[4] = {1, 0, 0, 1};  // up, down, right, left
    EXPECT_EQ(std::memcmp(in.arrows, upAndLeft, 4), 0);
    EXPECT_FALSE(ArrowHeld(ArrowUp));  // not yet across a tick
    CopyInputHistory();
    EXPECT_TRUE(ArrowHeld(ArrowUp) && ArrowHeld(ArrowLeft));
    OnSpecialKeyDown(GLUT_KEY_RIGHT, 0, 0);
    OnSpecialKeyDown(GLUT_KEY_DOWN, 0, 0);
    EXPECT_TRUE(in.arrows[ArrowRight] && in.arrows[ArrowDown]);
    OnSpecialKeyUp(GLUT_KEY_UP, 0, 0);
    EXPECT_FALSE(ArrowHeld(ArrowUp));
    // Function and page keys touch no key byte.
    for (int k = 0; k < 256; ++k) ASSERT_EQ(in.keys[k], 0) << k;
}

TEST(Input, MousePositionAndButtons) {
    fullScreenMode = true;
    screenWidth = 1920;
    screenHeight = 1080;
    OnMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 960, 540);
    EXPECT_EQ(Mouse().x, 640);
    EXPECT_EQ(Mouse().y, 360);
    EXPECT_EQ(Mouse().left, 1);
    // The middle button only moves the pointer.
    OnMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 1919, 1079);
    EXPECT_EQ(Mouse().x, 1279);
    EXPECT_EQ(Mouse().y, 719);
    EXPECT_EQ(Mouse().left + Mouse().right, 1);
    OnMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 10, 10);
    OnMouse(GLUT_LEFT_BUTTON, GLUT_UP, 10, 10);
    EXPECT_EQ(Mouse().left, 0);
    EXPECT_EQ(Mouse().right, 1);
    // The windowed game keeps raw window pixels.
    fullScreenMode = false;
    OnMouseMove(1919, 1079);
    EXPECT_EQ(Mouse().x, 1919);
    EXPECT_EQ(Mouse().y, 1079);
    screenWidth = screenHeight = 1;
}

TEST(Input, JoystickSlots) {
    JoystickState state{};
    // No joystick: the all-zero record reads as up, left and Z-low pushed.
    ApplyJoystickRecord(state, JoystickRecord{});
    const unsigned char atZero[6] = {1, 0, 0, 1, 1, 0};
    EXPECT_EQ(std::memcmp(state.directions, atZero, 6), 0);

    JoystickRecord record{};
    record.xPos = record.yPos = record.zPos = 65535;
    record.buttons = 0x1u | 0x200u;
    ApplyJoystickRecord(state, record);
    const unsigned char pushedMax[6] = {0, 1, 1, 0, 0, 1};
    EXPECT_EQ(std::memcmp(state.directions, pushedMax, 6), 0);
    EXPECT_EQ(std::memcmp(state.prevDirections, atZero, 6), 0);
    // Slots 32 to 35 repeat bits 8 to 11.
    EXPECT_TRUE(state.buttons[0] && state.buttons[9] && state.buttons[33]);
    EXPECT_FALSE(state.buttons[1] || state.buttons[32]);
}
