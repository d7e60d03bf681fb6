#include "app/WindowInput.h"

#include <GL/freeglut.h>

#include "app/Globals.h"
#include "platform/Joystick.h"

namespace {

int ArrowSlot(int glutKey) {
    switch (glutKey) {
        case GLUT_KEY_UP: return ArrowUp;
        case GLUT_KEY_DOWN: return ArrowDown;
        case GLUT_KEY_RIGHT: return ArrowRight;
        case GLUT_KEY_LEFT: return ArrowLeft;
        default: return -1;
    }
}

void RecordPointer(int x, int y) {
    MouseState& mouse = Mouse();
    if (fullScreenMode) {
        mouse.x = ScaleMouseX(x, screenWidth);
        mouse.y = ScaleMouseY(y, screenHeight);
    } else {
        mouse.x = x;
        mouse.y = y;
    }
}

}  // namespace

void OnKeyDown(unsigned char key, int, int) { PressKey(key); }

void OnKeyUp(unsigned char key, int, int) { ReleaseKey(key); }

void OnSpecialKeyDown(int key, int, int) { PressArrow(ArrowSlot(key)); }

void OnSpecialKeyUp(int key, int, int) { ReleaseArrow(ArrowSlot(key)); }

void OnMouse(int button, int state, int x, int y) {
    RecordPointer(x, y);
    MouseState& mouse = Mouse();
    const unsigned char down = state == GLUT_DOWN ? 1 : 0;
    if (button == GLUT_LEFT_BUTTON) mouse.left = down;
    if (button == GLUT_RIGHT_BUTTON) mouse.right = down;
}

void OnMouseMove(int x, int y) { RecordPointer(x, y); }

void PollJoystickAndMouse() {
    JoystickState& joystick = Joystick();
    joystick.record.size = 52;
    joystick.record.flags = 255;
    PollJoystick(joystick.record);
    ApplyJoystickRecord(joystick, joystick.record);
    MouseState& mouse = Mouse();
    mouse.prevLeft = mouse.left;
    mouse.prevRight = mouse.right;
}
