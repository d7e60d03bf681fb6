#pragma once
// A game controller plugged in for a test, with no hardware: SDL's virtual joystick, reported as a
// game controller. What it is set to reaches the game at the next PollPads.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

namespace testsupport {

struct VirtualPad {
    SDL_Joystick* stick = nullptr;
    VirtualPad() {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION, desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX, desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        stick = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
        EXPECT_NE(stick, nullptr) << SDL_GetError();
    }
    ~VirtualPad() {  // pulled out
        const SDL_JoystickID id = SDL_JoystickInstanceID(stick);
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        SDL_JoystickClose(stick);
    }
    void Press(SDL_GameControllerButton button, bool down = true) { SDL_JoystickSetVirtualButton(stick, button, down); }
    void Stick(Sint16 x, Sint16 y) {
        SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, x);
        SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTY, y);
    }
};

}  // namespace testsupport
