#pragma once
// Fire-and-forget sound effects played from .wav files.

struct SoundEffect {
    char path[256];
};

// Plays the file at path at once; a new play stops the effect still sounding and starts from the
// beginning, so only one effect sounds at a time. The music is not affected. A file that cannot
// be read or decoded is reported once on stderr and then stays silent.
void PlaySoundFile(const char* path);

void ReleaseResource(SoundEffect* effect);

// Frees every decoded effect; used when the audio output closes.
void ReleaseEffectCache();
