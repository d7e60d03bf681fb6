#include "audio/TickSounds.h"

TickSounds& SoundsThisTick() {
    static TickSounds sounds;
    return sounds;
}
