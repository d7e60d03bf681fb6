#include "audio/SoundEffect.h"

#include <SDL_mixer.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/AudioDevice.h"
#include "platform/DataFile.h"
#include "platform/LibraryNoise.h"
#include "platform/Say.h"

namespace {

// A short effect; far more than any cut sound needs (about 45 s of CD sound).
constexpr std::size_t kMaxEffectBytes = 8u << 20;

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
    std::string bytes, why;
    if (!ReadDataFile(path, kMaxEffectBytes, bytes, why)) {
        Say("cannot open \"%s\" (%s); the game goes on without it.\n", path, why.c_str());
    } else if (!WavDataWhole(bytes, why)) {
        Say("the sound \"%s\" %s; the game goes on without it.\n", path, why.c_str());
    } else {
        // The chunk keeps its own decoded copy; the file's bytes can go afterwards.
        const std::string said = CaptureStderr([&] {
            chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
        });
        if (chunk == nullptr)
            Say("cannot decode \"%s\" (%s); the game goes on without it.\n", path,
                WithLibraryWords(Mix_GetError(), said).c_str());
    }
    cache.push_back(CachedEffect{path, chunk});
    return chunk;
}

}  // namespace

bool WavDataWhole(const std::string& bytes, std::string& why) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return true;
    // Chunks of an id, a little-endian length and that many bytes, padded to an even length.
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t length = ReadField(bytes, at + 4, 4, ByteOrder::Little);
        const std::size_t held = bytes.size() - (at + 8);
        if (bytes.compare(at, 4, "data") == 0) {
            if (held == 0) break;
            if (held >= length) return true;
            why = "holds " + std::to_string(held) + " of " + std::to_string(length) + " bytes of sound data";
            return false;
        }
        if (held < length) break;
        at += 8 + static_cast<std::size_t>(length) + (length & 1);
    }
    why = "holds no sound data";
    return false;
}

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
