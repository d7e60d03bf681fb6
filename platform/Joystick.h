#pragma once
#include "input/Input.h"

// Polls joystick 0 into record. With no joystick (or no joystick support) the record is left
// as it was, which is all zeros until a joystick has answered once.
void PollJoystick(JoystickRecord& record);

// Maps an SDL axis value (-32768..32767) to the 0..65535 range with the rest in the middle.
unsigned AxisToPosition(int sdlAxis);
