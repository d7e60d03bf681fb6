// Texture uploads through GL: parameters, grid, reloads and bad files.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "RenderGlHelpers.h"
#include "render/Texture.h"

namespace {

GLint UploadedWidth(const Texture& texture) {
    GLint width = -1;
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
}

}  // namespace

TEST(TextureGl, UploadCarriesItsGridAndReloadsFreeTheOldTexture) {
    gltest::EnsureContext();
    const std::string odd = rendertest::WritePicture("odd5x2.png", cv::Mat(2, 5, CV_8UC3, 9)),
                      wide = rendertest::WritePicture("wide6x3.png", cv::Mat(3, 6, CV_8UC3, 9));
    Texture texture;
    LoadTexture(texture, odd.c_str(), 10, ColorKey{0, 255, 0});
    ASSERT_TRUE(TextureLoaded(texture));
    EXPECT_TRUE(texture.width == 5 && texture.height == 2 && UploadedWidth(texture) == 5);
    EXPECT_TRUE(texture.columns == 1 && texture.rows == 10);
    GLint wrapS = 0, minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_TRUE(wrapS == GL_REPEAT && minFilter == GL_LINEAR);

    // Reloading deletes the old GL texture (unless its name was handed out again).
    const std::uint32_t first = texture.id;
    LoadTexture(texture, wide.c_str(), 1, ColorKey{});
    ASSERT_TRUE(TextureLoaded(texture));
    EXPECT_TRUE(texture.id == first || !glIsTexture(first));
    EXPECT_TRUE(texture.rows == 1 && UploadedWidth(texture) == 6);
    // A later load that fails keeps the picture that is there; releasing frees it.
    const std::uint32_t second = texture.id;
    const std::string gone = (rendertest::TempDir() / "gone.png").string();
    rendertest::Stderr([&] { LoadTexture(texture, gone.c_str(), 1, ColorKey{}); });
    EXPECT_TRUE(texture.id == second && glIsTexture(second) && texture.width == 6);
    ReleaseResource(new Texture(texture));
    EXPECT_FALSE(glIsTexture(second));
}

TEST(TextureGl, BadFilesLoadWithoutACrashAndSayWhichFile) {
    gltest::EnsureContext();
    cv::Mat noisy(40, 37, CV_8UC3);
    cv::randu(noisy, cv::Scalar::all(0), cv::Scalar::all(255));
    std::vector<unsigned char> png;
    ASSERT_TRUE(cv::imencode(".png", noisy, png));
    const std::string missing = (rendertest::TempDir() / "missing.png").string(),
                      text = rendertest::WriteFile("text.jpg", "plain words"),
                      truncated = rendertest::WriteFile(
                          "truncated.png", std::string(png.begin(), png.begin() + png.size() / 3));
    for (const std::string& path : {missing, truncated, text}) {
        Texture texture;
        const std::string err =
            rendertest::Stderr([&] { LoadTexture(texture, path.c_str(), 1, ColorKey{}); });
        EXPECT_FALSE(TextureLoaded(texture)) << path;
        EXPECT_EQ(texture.id, 0xFFFFFFFFu) << path;
        EXPECT_NE(err.find(path), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        // The title reloads on every visit: the same problem is told only once.
        EXPECT_EQ(rendertest::Stderr([&] { LoadTexture(texture, path.c_str(), 1, ColorKey{}); }), "");
        ReleaseResource(new Texture(texture));  // no GL call on a name it does not own
    }
    Texture none, grey;
    rendertest::Stderr([&] { LoadTexture(none, nullptr, 1, ColorKey{}); });
    EXPECT_FALSE(TextureLoaded(none));
    // Grey PNG: converted, not misread; loads quietly.
    const std::string path = rendertest::WritePicture("grey.png", cv::Mat(3, 5, CV_8UC1, 77));
    EXPECT_EQ(rendertest::Stderr([&] { LoadTexture(grey, path.c_str(), 1, ColorKey{}); }), "");
    EXPECT_TRUE(TextureLoaded(grey) && grey.width == 5 && UploadedWidth(grey) == 5);
    ReleaseResource(new Texture(grey));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
