#include "platform/SdlPart.h"

#include <SDL2/SDL.h>

bool StartSdlPart(unsigned int flags) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(flags) == 0;
}
