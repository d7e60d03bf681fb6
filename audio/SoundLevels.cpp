#include "audio/SoundLevels.h"

#include <SDL_mixer.h>

#include <algorithm>

namespace {
SoundLevels current;
}  // namespace

int MixerVolume(int level, bool muted) {
    if (muted) return 0;
    return std::clamp(level, 0, kTopSoundLevel) * MIX_MAX_VOLUME / kTopSoundLevel;
}

SoundKey SoundKeyOf(unsigned char key) {
    switch (key) {
        case '-': return SoundKey::MusicDown;
        case '=': case '+': return SoundKey::MusicUp;
        case '9': return SoundKey::EffectsDown;
        case '0': return SoundKey::EffectsUp;
        case 'm': case 'M': return SoundKey::Mute;
        default: return SoundKey::None;
    }
}

SoundLevels AdjustLevels(SoundLevels levels, SoundKey key) {
    const auto step = [&levels](int& level, int by) {
        level = std::clamp(level + by, 0, kTopSoundLevel);
        levels.muted = false;
    };
    switch (key) {
        case SoundKey::MusicDown: step(levels.music, -1); break;
        case SoundKey::MusicUp: step(levels.music, 1); break;
        case SoundKey::EffectsDown: step(levels.effects, -1); break;
        case SoundKey::EffectsUp: step(levels.effects, 1); break;
        case SoundKey::Mute: levels.muted = !levels.muted; break;
        case SoundKey::None: break;
    }
    return levels;
}

void SetSoundLevels(const SoundLevels& levels) {
    current = levels;
    ApplySoundLevels();  // harmless while the output is closed: it opens at these levels
}

const SoundLevels& CurrentSoundLevels() { return current; }

void ApplySoundLevels() {
    Mix_VolumeMusic(MixerVolume(current.music, current.muted));
    Mix_Volume(-1, MixerVolume(current.effects, current.muted));
}
