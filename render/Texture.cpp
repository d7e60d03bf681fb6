#include <GL/glew.h>

#include "render/Texture.h"

#include <cstdio>
#include <string>

#include "platform/GlContext.h"
#include "render/ReportOnce.h"
#include "render/TextureMath.h"

namespace {
constexpr std::uint32_t kNoTexture = 0xFFFFFFFFu;
}

void LoadTexture(Texture& texture, const char* path, int rows, ColorKey key) {
    texture.columns = 1;
    texture.rows = rows < 1 ? 1 : rows;  // a zero row count would divide by zero when drawn
    glEnable(GL_TEXTURE_2D);

    // A picture the driver cannot take would upload nothing and draw white; it is refused first.
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    KeyedImage image;
    std::string why;
    if (!LoadKeyedImage(path, maxSide > 0 ? maxSide : 1024, key, image, why)) {
        // The game goes on: an unloaded texture is simply not drawn, and a texture loaded on an
        // earlier visit keeps its old picture.
        ReportOnce("cannot load image \"" + std::string(path ? path : "") + "\": " + why);
        return;
    }

    glActiveTexture(GL_TEXTURE0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (texture.id != kNoTexture) {
        // Every visit to the title loads again; drop the previous upload instead of leaking it.
        GLuint old = texture.id;
        glDeleteTextures(1, &old);
        texture.id = kNoTexture;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    texture.id = name;
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // No wrap mode set: the default REPEAT is what the sprites and the tube rely on.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.rgba.data());
    texture.width = image.width;
    texture.height = image.height;
}

bool TextureLoaded(const Texture& texture) {
    return texture.id != kNoTexture && texture.width > 0 && texture.height > 0 &&
           texture.columns >= 1 && texture.rows >= 1;
}

void ReleaseResource(Texture* texture) {
    if (texture == nullptr) return;
    // At exit the window may already be gone; GL calls without a context are not allowed.
    if (texture->id != kNoTexture && GlContextCurrent()) {
        GLuint name = texture->id;
        glDeleteTextures(1, &name);
    }
    delete texture;
}
