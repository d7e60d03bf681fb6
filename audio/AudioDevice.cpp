#include "audio/AudioDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <dlfcn.h>

#include <cstdio>

#include "audio/SoundEffect.h"
#include "audio/SoundLevels.h"
#include "platform/Say.h"
#include "platform/SdlPart.h"

namespace {

enum class DeviceState { Closed, Open, Failed };
DeviceState state = DeviceState::Closed;

const int kRate = 44100;
const int kChannels = 2;
const int kBufferFrames = 1024;  // about 23 ms: the cut sound follows the blade closely

// ALSA's library prints its own multi-line complaints on stderr when a machine has no sound card.
// The game says what matters in one line, so ALSA is asked to keep quiet. SDL loads the same
// library later; if it is not installed there is nothing to quieten.
extern "C" void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietenAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (alsa == nullptr) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (void* set = dlsym(alsa, "snd_lib_error_set_handler"))
        reinterpret_cast<SetHandler>(set)(SilentAlsaError);
    // Kept loaded: the handler must stay in place while SDL uses ALSA.
}

}  // namespace

bool AudioDeviceReady() {
    if (state == DeviceState::Open) return true;
    if (state == DeviceState::Failed) return false;

    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Torvinel");
    QuietenAlsa();
    if (!StartSdlPart(SDL_INIT_AUDIO)) {
        Say("no audio output (%s); the game runs silently.\n", SDL_GetError());
        state = DeviceState::Failed;
        return false;
    }
    Mix_Init(MIX_INIT_MP3);  // loading reports a track that cannot be decoded
    if (Mix_OpenAudio(kRate, MIX_DEFAULT_FORMAT, kChannels, kBufferFrames) != 0) {
        Say("cannot open the audio output (%s); the game runs silently.\n",
            Mix_GetError());
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        state = DeviceState::Failed;
        return false;
    }
    // Keep the effect channel out of reach of any "first free channel" play.
    Mix_ReserveChannels(kEffectChannel + 1);
    ApplySoundLevels();
    state = DeviceState::Open;
    return true;
}

void AudioDeviceClose() {
    if (state != DeviceState::Open) return;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    ReleaseEffectCache();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    state = DeviceState::Closed;
}
