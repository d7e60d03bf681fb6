// Texture uploads read back from GL: keys, orientation, grid, reloads and bad files.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "RenderGlHelpers.h"
#include "render/Texture.h"

namespace {

// The uploaded level 0 as RGBA rows, bottom row first.
std::vector<unsigned char> ReadTexture(const Texture& texture) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(texture.width) * texture.height * 4);
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int CountLines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

TEST(TextureGl, UploadIsKeyedFlippedAndCarriesItsGrid) {
    gltest::EnsureContext();
    // 5 x 2, an odd width: top row red, key (green), blue, ...; bottom row all white.
    cv::Mat picture(2, 5, CV_8UC3, cv::Scalar(255, 255, 255));
    picture.at<cv::Vec3b>(0, 0) = cv::Vec3b(0, 0, 255);
    picture.at<cv::Vec3b>(0, 1) = cv::Vec3b(0, 255, 0);
    picture.at<cv::Vec3b>(0, 2) = cv::Vec3b(255, 0, 0);
    const std::string path = rendertest::WritePicture("grid5x2.png", picture);

    Texture texture;
    LoadTexture(texture, path.c_str(), 10, ColorKey{0, 255, 0});
    ASSERT_TRUE(TextureLoaded(texture));
    EXPECT_EQ(texture.width, 5);
    EXPECT_EQ(texture.height, 2);
    EXPECT_EQ(texture.columns, 1);
    EXPECT_EQ(texture.rows, 10);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<std::uint32_t>(bound), texture.id);
    GLint wrapS = 0, minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(wrapS, GL_REPEAT);
    EXPECT_EQ(minFilter, GL_LINEAR);

    const std::vector<unsigned char> pixels = ReadTexture(texture);
    auto at = [&](int col, int rowFromBottom) {
        const unsigned char* p = &pixels[(rowFromBottom * 5 + col) * 4];
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(at(0, 0), (std::vector<int>{255, 255, 255, 255}));  // the file's bottom row
    EXPECT_EQ(at(0, 1), (std::vector<int>{255, 0, 0, 255}));      // the file's top row, last
    EXPECT_EQ(at(1, 1)[3], 0);
    EXPECT_EQ(at(2, 1), (std::vector<int>{0, 0, 255, 255}));
    EXPECT_EQ(at(4, 1), (std::vector<int>{255, 255, 255, 255}));

    Texture single;
    LoadTexture(single, path.c_str(), 1, ColorKey{255, 0, 0});
    EXPECT_EQ(single.columns, 1);
    EXPECT_EQ(single.rows, 1);
    EXPECT_EQ(ReadTexture(single)[3 + 4 * 5], 0);  // red keyed out this time
    ReleaseResource(new Texture(single));
    EXPECT_FALSE(glIsTexture(single.id));
    GLuint name = texture.id;
    glDeleteTextures(1, &name);
}

TEST(TextureGl, ReloadingReplacesTheOldTextureInsteadOfLeakingIt) {
    gltest::EnsureContext();
    const std::string red = rendertest::WritePicture("red4.png", cv::Mat(4, 4, CV_8UC3, cv::Scalar(0, 0, 255)));
    const std::string blue = rendertest::WritePicture("blue4.png", cv::Mat(3, 6, CV_8UC3, cv::Scalar(255, 0, 0)));
    Texture texture;
    LoadTexture(texture, red.c_str(), 1, ColorKey{});
    const std::uint32_t first = texture.id;
    LoadTexture(texture, blue.c_str(), 1, ColorKey{});
    ASSERT_TRUE(TextureLoaded(texture));
    // Either the old name was freed and handed out again, or it is gone; a leak keeps it alive
    // under a different new name.
    if (texture.id != first) {
        EXPECT_FALSE(glIsTexture(first));
    }
    EXPECT_EQ(texture.width, 6);
    EXPECT_EQ(ReadTexture(texture)[2], 255);

    // A later load that fails keeps the picture that is there.
    const std::uint32_t second = texture.id;
    testing::internal::CaptureStderr();
    LoadTexture(texture, (rendertest::TempDir() / "gone.png").string().c_str(), 1, ColorKey{});
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(texture.id, second);
    EXPECT_TRUE(glIsTexture(second));
    EXPECT_EQ(texture.width, 6);

    GLuint name = texture.id;
    glDeleteTextures(1, &name);
}

TEST(TextureGl, BadFilesLoadWithoutACrashAndSayWhichFile) {
    gltest::EnsureContext();
    const auto dir = rendertest::TempDir();

    // Missing: one line naming the path, texture unloaded.
    const std::string missing = (dir / "missing.png").string();
    Texture absent;
    testing::internal::CaptureStderr();
    LoadTexture(absent, missing.c_str(), 1, ColorKey{});
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(TextureLoaded(absent));
    EXPECT_EQ(absent.id, 0xFFFFFFFFu);
    EXPECT_NE(err.find(missing), std::string::npos) << err;
    EXPECT_EQ(CountLines(err), 1) << err;

    // Truncated PNG: refused (the PNG library may add its own line), never half-read.
    cv::Mat noisy(40, 37, CV_8UC3);
    cv::randu(noisy, cv::Scalar::all(0), cv::Scalar::all(255));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(cv::imencode(".png", noisy, bytes));
    const std::string truncated = (dir / "truncated.png").string();
    std::ofstream(truncated, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size() / 3);
    Texture cut;
    testing::internal::CaptureStderr();
    LoadTexture(cut, truncated.c_str(), 1, ColorKey{});
    err = testing::internal::GetCapturedStderr();
    if (!TextureLoaded(cut)) {
        EXPECT_NE(err.find(truncated), std::string::npos) << err;
    }

    // Not a picture at all.
    const std::string text = (dir / "text.jpg").string();
    std::ofstream(text) << "plain words";
    Texture words;
    testing::internal::CaptureStderr();
    LoadTexture(words, text.c_str(), 1, ColorKey{});
    err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(TextureLoaded(words));
    EXPECT_NE(err.find(text), std::string::npos);

    // Grey PNG: converted, not misread; loads quietly.
    const std::string grey = rendertest::WritePicture("grey.png", cv::Mat(3, 5, CV_8UC1, cv::Scalar(77)));
    Texture greyTexture;
    testing::internal::CaptureStderr();
    LoadTexture(greyTexture, grey.c_str(), 1, ColorKey{});
    err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(TextureLoaded(greyTexture));
    EXPECT_TRUE(err.empty()) << err;
    const std::vector<unsigned char> pixels = ReadTexture(greyTexture);
    EXPECT_EQ(pixels[4 * 14 + 0], 77);
    EXPECT_EQ(pixels[4 * 14 + 2], 77);
    EXPECT_EQ(pixels[4 * 14 + 3], 255);

    // Releasing an unloaded texture makes no GL call on a name it does not own.
    ReleaseResource(new Texture(absent));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLuint name = greyTexture.id;
    glDeleteTextures(1, &name);
}
