#include "audio/SoundMix.h"

#include <algorithm>

namespace {

// Adds the next tick's frames of a sound at `gain`; a sound played out falls silent.
void AddSound(const StereoSamples* sound, long& at, float gain, float* out) {
    if (sound == nullptr || at < 0) return;
    const long frames = static_cast<long>(sound->size() / 2);
    const long count = std::min<long>(kTickFrames, frames - at);
    for (long i = 0; i < count * 2; ++i) out[i] += gain * (*sound)[static_cast<std::size_t>(at * 2 + i)];
    at = count < kTickFrames ? -1 : at + kTickFrames;
}

}  // namespace

void MixTick(SoundMix& mix, const TickSounds& sounds, const StereoSamples& music,
             const StereoSamples* effect, const SoundLevels& levels, float* out) {
    if (sounds.musicStarted) mix.music = &music, mix.musicAt = 0;
    if (sounds.effect != nullptr) mix.effect = effect, mix.effectAt = 0;
    std::fill(out, out + 2 * kTickFrames, 0.0f);
    // The mixer's own scale: its volume from 0 to 128.
    AddSound(mix.music, mix.musicAt, MixerVolume(levels.music, levels.muted) / 128.0f, out);
    AddSound(mix.effect, mix.effectAt, MixerVolume(levels.effects, levels.muted) / 128.0f, out);
    for (int i = 0; i < 2 * kTickFrames; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}
