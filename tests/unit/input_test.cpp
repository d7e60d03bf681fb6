#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/Globals.h"
#include "app/Input.h"

namespace {

void ClearInput() {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
}

}  // namespace

TEST(Input, KeyHistoryAcrossTicks) {
    ClearInput();
    // Pressed and released between two ticks: never seen.
    OnKeyDown('x', 0, 0);
    OnKeyUp('x', 0, 0);
    EXPECT_FALSE(KeyNewlyPressed('x'));
    EXPECT_FALSE(KeyHeld('x'));
    CopyInputHistory();

    // Goes down: newly pressed at the first tick, held from the second, newly pressed only once.
    OnKeyDown('a', 0, 0);
    EXPECT_TRUE(KeyNewlyPressed('a'));
    EXPECT_FALSE(KeyHeld('a'));
    CopyInputHistory();
    int newly = 0;
    for (int tick = 0; tick < 20; ++tick) {
        if (KeyNewlyPressed('a')) ++newly;
        EXPECT_TRUE(KeyHeld('a'));
        CopyInputHistory();
    }
    EXPECT_EQ(newly, 0);
    OnKeyUp('a', 0, 0);
    EXPECT_FALSE(KeyHeld('a'));
    EXPECT_FALSE(KeyNewlyPressed('a'));

    // With Shift the letter arrives as another byte.
    ClearInput();
    OnKeyDown('A', 0, 0);
    EXPECT_TRUE(KeyNewlyPressed('A'));
    EXPECT_FALSE(KeyNewlyPressed('a'));
    EXPECT_EQ(Input().keys['a'], 0);
}

TEST(Input, ArrowAndSpecialKeys) {
    ClearInput();
    OnSpecialKeyDown(GLUT_KEY_UP, 0, 0);
    OnSpecialKeyDown(GLUT_KEY_LEFT, 0, 0);
    OnSpecialKeyDown(GLUT_KEY_F1, 0, 0);
    OnSpecialKeyDown(GLUT_KEY_PAGE_UP, 0, 0);
    const InputState& in = Input();
    EXPECT_EQ(in.arrows[ArrowUp], 1);
    EXPECT_EQ(in.arrows[ArrowDown], 0);
    EXPECT_EQ(in.arrows[ArrowRight], 0);
    EXPECT_EQ(in.arrows[ArrowLeft], 1);
    EXPECT_FALSE(ArrowHeld(ArrowUp));  // not yet across a tick
    CopyInputHistory();
    EXPECT_TRUE(ArrowHeld(ArrowUp));
    EXPECT_TRUE(ArrowHeld(ArrowLeft));
    OnSpecialKeyDown(GLUT_KEY_RIGHT, 0, 0);
    OnSpecialKeyDown(GLUT_KEY_DOWN, 0, 0);
    EXPECT_EQ(in.arrows[ArrowRight], 1);
    EXPECT_EQ(in.arrows[ArrowDown], 1);
    OnSpecialKeyUp(GLUT_KEY_UP, 0, 0);
    OnSpecialKeyUp(GLUT_KEY_F1, 0, 0);
    EXPECT_EQ(in.arrows[ArrowUp], 0);
    EXPECT_FALSE(ArrowHeld(ArrowUp));
    // Function keys leave every key byte alone.
    for (int k = 0; k < 256; ++k) EXPECT_EQ(in.keys[k], 0) << k;
}

TEST(Input, MousePositionAndButtons) {
    EXPECT_EQ(ScaleMouseX(960, 1920), 640);
    EXPECT_EQ(ScaleMouseY(540, 1080), 360);
    EXPECT_EQ(ScaleMouseX(1919, 1920), 1279);
    EXPECT_EQ(ScaleMouseY(1079, 1080), 719);

    fullScreenMode = true;
    screenWidth = 1920;
    screenHeight = 1080;
    OnMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 960, 540);
    EXPECT_EQ(Mouse().x, 640);
    EXPECT_EQ(Mouse().y, 360);
    EXPECT_EQ(Mouse().left, 1);
    OnMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 1919, 1079);
    EXPECT_EQ(Mouse().x, 1279);
    EXPECT_EQ(Mouse().y, 719);
    EXPECT_EQ(Mouse().left, 1);
    EXPECT_EQ(Mouse().right, 0);
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
    JoystickRecord rest{};
    // No joystick: an all-zero record reads as up, left and Z-low pushed.
    ApplyJoystickRecord(state, rest);
    const unsigned char expectZero[6] = {1, 0, 0, 1, 1, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(state.directions[i], expectZero[i]) << i;

    JoystickRecord centred{};
    centred.xPos = centred.yPos = centred.zPos = 32768;
    centred.buttons = 0x1u | 0x200u;
    ApplyJoystickRecord(state, centred);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(state.directions[i], 0) << i;
        EXPECT_EQ(state.prevDirections[i], expectZero[i]) << i;
    }
    EXPECT_EQ(state.buttons[0], 1);
    EXPECT_EQ(state.buttons[9], 1);
    EXPECT_EQ(state.buttons[33], 1);  // the high slots repeat bits 8 to 11
    EXPECT_EQ(state.buttons[32], 0);
    EXPECT_EQ(state.buttons[1], 0);

    JoystickRecord pushed{};
    pushed.xPos = 65535;
    pushed.yPos = 65535;
    pushed.zPos = 65535;
    ApplyJoystickRecord(state, pushed);
    EXPECT_EQ(state.directions[1], 1);
    EXPECT_EQ(state.directions[2], 1);
    EXPECT_EQ(state.directions[5], 1);
    EXPECT_EQ(state.prevButtons[0], 1);
    EXPECT_EQ(state.buttons[0], 0);
}
