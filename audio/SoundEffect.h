#pragma once
// Fire-and-forget sound effects played from .wav files.
#include <string>

struct SoundEffect {
    char path[256];
};

// Plays the file at path at once; a new play stops the effect still sounding and starts from the
// beginning, so only one effect sounds at a time. The music is not affected. A file that cannot
// be read or decoded is reported once on stderr and then stays silent.
void PlaySoundFile(const char* path);

void ReleaseResource(SoundEffect* effect);

// For a RIFF WAVE file, whether the sound data its header announces is all there. False, with
// `why` ("holds no sound data", "holds N of M bytes of sound data"), for a file cut short, which
// the decoder would otherwise take without a word. Other files pass: the decoder judges them.
bool WavDataWhole(const std::string& bytes, std::string& why);

// Frees every decoded effect; used when the audio output closes.
void ReleaseEffectCache();
