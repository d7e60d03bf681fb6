#pragma once
// The one sound output shared by the music and the effects. It is opened on first need; when the
// machine has no usable output the game says so once on stderr and stays silent from then on.

// True when sound can be played. The first call opens the output; a failure is reported once and
// every later call returns false without trying again.
bool AudioDeviceReady();

// Stops every sound, frees the cached effects and closes the output. A later need opens it again
// (unless opening has already failed). Harmless when nothing is open.
void AudioDeviceClose();

// Effects share one mixer channel, so a new effect always cuts off the previous one.
const int kEffectChannel = 0;
