#pragma once
// Colour-keyed RGBA textures decoded from image files.
#include <cstdint>

struct Texture {
    std::uint32_t id = 0xFFFFFFFFu;  // no GL texture yet
    int width = 0;
    int height = 0;
    int columns = 0;
    int rows = 0;
};

struct ColorKey {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// Decodes path, keys out `key` and uploads the result as an RGBA texture with a 1 x rows cell grid.
void LoadTexture(Texture& texture, const char* path, int rows, ColorKey key);

// True once a load has produced a GL texture that can be drawn.
bool TextureLoaded(const Texture& texture);

// Registry release: deletes the GL texture (when a context is current) and frees the object.
void ReleaseResource(Texture* texture);
