#pragma once
// What one tick of the game started to sound, kept beside the speakers: a video made of a demo
// mixes these same sounds at the same ticks, so its sound stays in step with its pictures.

struct TickSounds {
    bool musicStarted = false;     // the track started again from its beginning
    const char* effect = nullptr;  // the last effect started (each one cuts off the one before)
};

// The record of the tick under way: the tick clears it before its step and whatever plays a
// sound notes it here, whether or not an output plays it.
TickSounds& SoundsThisTick();
