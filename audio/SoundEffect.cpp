#include "audio/SoundEffect.h"

#include <SDL_mixer.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/AudioDevice.h"

namespace {

// Decoded effects by path. A null chunk remembers a file that could not be loaded, so a bad file
// is reported once rather than at every cut.
struct CachedEffect {
    std::string path;
    Mix_Chunk* chunk;
};

// Never destroyed: the registries release sounds during exit processing, after ordinary statics
// may already be gone.
std::vector<CachedEffect>& EffectCache() {
    static std::vector<CachedEffect>* cache = new std::vector<CachedEffect>();
    return *cache;
}

Mix_Chunk* FindOrLoad(const char* path) {
    std::vector<CachedEffect>& cache = EffectCache();
    for (const CachedEffect& entry : cache)
        if (entry.path == path) return entry.chunk;
    Mix_Chunk* chunk = nullptr;
    if (SDL_RWops* file = SDL_RWFromFile(path, "rb")) {
        chunk = Mix_LoadWAV_RW(file, 1);
        if (chunk == nullptr)
            std::fprintf(stderr, "Sound: cannot decode \"%s\" (%s); the game goes on without it.\n",
                         path, Mix_GetError());
    } else {
        std::fprintf(stderr, "Sound: cannot open \"%s\" (%s); the game goes on without it.\n", path,
                     SDL_GetError());
    }
    cache.push_back(CachedEffect{path, chunk});
    return chunk;
}

}  // namespace

void PlaySoundFile(const char* path) {
    if (path == nullptr || !AudioDeviceReady()) return;
    Mix_Chunk* chunk = FindOrLoad(path);
    if (chunk == nullptr) return;
    Mix_HaltChannel(kEffectChannel);
    Mix_PlayChannel(kEffectChannel, chunk, 0);
}

void ReleaseResource(SoundEffect* effect) { delete effect; }

void ReleaseEffectCache() {
    std::vector<CachedEffect>& cache = EffectCache();
    for (CachedEffect& entry : cache)
        if (entry.chunk != nullptr) Mix_FreeChunk(entry.chunk);
    cache.clear();
}
