#include "platform/Joystick.h"

#include <SDL2/SDL.h>

#include "platform/SdlPart.h"

namespace {

SDL_Joystick* OpenJoystick() {
    static bool subsystemTried = false;
    static bool subsystemReady = false;
    static SDL_Joystick* stick = nullptr;
    if (!subsystemTried) {
        subsystemTried = true;
        // Joysticks are optional; without the subsystem the record simply stays zero.
        subsystemReady = StartSdlPart(SDL_INIT_JOYSTICK);
    }
    if (!subsystemReady) return nullptr;
    SDL_JoystickUpdate();
    if (stick != nullptr && !SDL_JoystickGetAttached(stick)) {
        SDL_JoystickClose(stick);
        stick = nullptr;
    }
    if (stick == nullptr && SDL_NumJoysticks() > 0) stick = SDL_JoystickOpen(0);
    return stick;
}

}  // namespace

unsigned AxisToPosition(int sdlAxis) { return static_cast<unsigned>(sdlAxis + 32768); }

void PollJoystick(JoystickRecord& record) {
    SDL_Joystick* stick = OpenJoystick();
    if (stick == nullptr) return;
    const int axes = SDL_JoystickNumAxes(stick);
    auto axis = [&](int i) { return i < axes ? AxisToPosition(SDL_JoystickGetAxis(stick, i)) : 32768u; };
    record.xPos = axis(0);
    record.yPos = axis(1);
    record.zPos = axis(2);
    record.rPos = axis(3);
    record.uPos = axis(4);
    record.vPos = axis(5);
    std::uint32_t bits = 0;
    const int buttons = SDL_JoystickNumButtons(stick);
    for (int i = 0; i < buttons && i < 32; ++i) {
        if (SDL_JoystickGetButton(stick, i)) bits |= 1u << i;
    }
    record.buttons = bits;
    record.buttonNumber = 0;
    for (int i = 0; i < 32; ++i) {
        if (bits & (1u << i)) ++record.buttonNumber;
    }
}
