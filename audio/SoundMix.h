#pragma once
// The game's sound computed rather than played: the music and the effects mixed as the output
// mixes them, tick by tick, at the levels the player set. A video of a demo carries this mix.
#include <vector>

#include "audio/SoundLevels.h"
#include "audio/TickSounds.h"

inline constexpr int kMixRate = 48000;
inline constexpr int kTickFrames = 768;  // one 16 ms tick at 48 kHz

// A sound decoded whole: interleaved left and right at kMixRate, from -1 to 1.
using StereoSamples = std::vector<float>;

// Where each sound has got to, in frames from its beginning; -1 while it is silent.
struct SoundMix {
    const StereoSamples* music = nullptr;
    long musicAt = -1;
    const StereoSamples* effect = nullptr;
    long effectAt = -1;
};

// One tick's sound into `out` (2 * kTickFrames values): what the tick started begins at the
// tick's first frame (the music from its beginning; an effect from its beginning, cutting off the
// one before, as the game's one effect channel does), then every sound adds its frames at its
// level, clipped to -1..1. `effect` is the decoded sound the tick's effect names.
void MixTick(SoundMix& mix, const TickSounds& sounds, const StereoSamples& music,
             const StereoSamples* effect, const SoundLevels& levels, float* out);
