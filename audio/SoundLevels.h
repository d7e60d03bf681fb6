#pragma once
// How loud the music and the effects play: a level from 0 to 10 each, and one switch that
// silences both. The keys that change them are not play: they work in every scene, and playback.

struct SoundLevels {
    int music = 10;
    int effects = 10;
    bool muted = false;
};

inline constexpr int kTopSoundLevel = 10;

// SDL_mixer's volume, 0..128, for a level; 0 while muted.
int MixerVolume(int level, bool muted);

enum class SoundKey { None, MusicDown, MusicUp, EffectsDown, EffectsUp, Mute };

// The key (a character the keyboard sends) that changes the levels: - and = (or +) the music,
// 9 and 0 the effects, m mutes and unmutes. None for any other.
SoundKey SoundKeyOf(unsigned char key);

// The levels after a key: a level key moves its level one step within 0..10 and unmutes (the
// player wants to hear the change); m switches mute alone.
SoundLevels AdjustLevels(SoundLevels levels, SoundKey key);

// The levels the output plays at, from now on and whenever it opens again.
void SetSoundLevels(const SoundLevels& levels);
const SoundLevels& CurrentSoundLevels();

// Sets the mixer's volumes from the current levels; the output calls it each time it opens.
void ApplySoundLevels();
