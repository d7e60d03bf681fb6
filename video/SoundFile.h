#pragma once
// The game's sound files decoded whole for a video's mix.
#include <string>

#include "audio/SoundMix.h"

// Decodes the sound file at `path` (the music's MP3, an effect's WAV) into interleaved stereo at
// kMixRate; false, with `why` in a few words, for a file that cannot be read or decoded.
bool DecodeSoundFile(const std::string& path, StereoSamples& out, std::string& why);
