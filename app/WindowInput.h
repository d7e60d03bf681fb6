#pragma once
// The window's input callbacks (GLUT) and the joystick's poll: they hand what arrives to the key
// state (input/), which the tick then reads.
#include "input/Input.h"

void OnKeyDown(unsigned char key, int x, int y);
void OnKeyUp(unsigned char key, int x, int y);
void OnSpecialKeyDown(int key, int x, int y);
void OnSpecialKeyUp(int key, int x, int y);
void OnMouse(int button, int state, int x, int y);
void OnMouseMove(int x, int y);

// Once a tick: polls the joystick into its record and slots and moves the mouse buttons' history.
void PollJoystickAndMouse();
