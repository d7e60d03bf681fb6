#pragma once
// Fire-and-forget sound effects played from .wav files.

struct SoundEffect {
    char path[256];
};

// Plays the file at path at once; a new play stops the effect still sounding.
void PlaySoundFile(const char* path);

void ReleaseResource(SoundEffect* effect);
