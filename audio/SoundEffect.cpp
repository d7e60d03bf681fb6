#include "audio/SoundEffect.h"

void PlaySoundFile(const char*) {}

void ReleaseResource(SoundEffect* effect) { delete effect; }
