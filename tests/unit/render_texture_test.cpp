// Pixel work of texture loading: keys, flip, strides, odd formats and bad files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "render/TextureMath.h"

namespace {

// RGBA of pixel (col, rowFromBottom) of a keyed image.
std::vector<int> At(const KeyedImage& image, int col, int rowFromBottom) {
    const std::size_t i = (static_cast<std::size_t>(rowFromBottom) * image.width + col) * 4;
    return {image.rgba[i], image.rgba[i + 1], image.rgba[i + 2], image.rgba[i + 3]};
}

KeyedImage Keyed(const cv::Mat& picture, ColorKey key) {
    KeyedImage image;
    std::string why;
    EXPECT_TRUE(MakeKeyedImage(picture, key, image, why)) << why;
    return image;
}

std::filesystem::path TempDir() {
    auto dir = std::filesystem::temp_directory_path() / "torvinel_render_texture_test";
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace

TEST(TextureKey, ExactKeyIsTransparentAndOneOffIsOpaque) {
    const ColorKey key{10, 20, 30};
    cv::Mat picture(1, 4, CV_8UC3);
    picture.at<cv::Vec3b>(0, 0) = cv::Vec3b(30, 20, 10);  // BGR of the key
    picture.at<cv::Vec3b>(0, 1) = cv::Vec3b(30, 20, 11);  // red one off
    picture.at<cv::Vec3b>(0, 2) = cv::Vec3b(30, 21, 10);  // green one off
    picture.at<cv::Vec3b>(0, 3) = cv::Vec3b(29, 20, 10);  // blue one off
    const KeyedImage image = Keyed(picture, key);
    EXPECT_EQ(At(image, 0, 0), (std::vector<int>{10, 20, 30, 0}));
    EXPECT_EQ(At(image, 1, 0), (std::vector<int>{11, 20, 30, 255}));
    EXPECT_EQ(At(image, 2, 0), (std::vector<int>{10, 21, 30, 255}));
    EXPECT_EQ(At(image, 3, 0), (std::vector<int>{10, 20, 29, 255}));
}

TEST(TextureKey, EachGameKeyColourPicksItsOwnPixels) {
    cv::Mat picture(1, 4, CV_8UC3);
    picture.at<cv::Vec3b>(0, 0) = cv::Vec3b(0, 0, 255);      // red
    picture.at<cv::Vec3b>(0, 1) = cv::Vec3b(0, 255, 0);      // green
    picture.at<cv::Vec3b>(0, 2) = cv::Vec3b(0, 0, 0);        // black
    picture.at<cv::Vec3b>(0, 3) = cv::Vec3b(255, 255, 255);  // white
    const struct {
        ColorKey key;
        int transparentColumn;
    } cases[] = {{{255, 0, 0}, 0}, {{0, 255, 0}, 1}, {{0, 0, 0}, 2}, {{255, 255, 255}, 3}};
    for (const auto& c : cases) {
        const KeyedImage image = Keyed(picture, c.key);
        for (int col = 0; col < 4; ++col)
            EXPECT_EQ(At(image, col, 0)[3], col == c.transparentColumn ? 0 : 255)
                << "key " << c.key.red << "," << c.key.green << "," << c.key.blue << " column "
                << col;
    }
}

TEST(TextureLayout, TopRowOfThePictureBecomesTheLastRowAndRgbOrderHolds) {
    cv::Mat picture(3, 1, CV_8UC3);
    picture.at<cv::Vec3b>(0, 0) = cv::Vec3b(0, 0, 200);  // top: red
    picture.at<cv::Vec3b>(1, 0) = cv::Vec3b(0, 200, 0);  // middle: green
    picture.at<cv::Vec3b>(2, 0) = cv::Vec3b(200, 0, 0);  // bottom: blue
    const KeyedImage image = Keyed(picture, ColorKey{1, 2, 3});
    ASSERT_EQ(image.width, 1);
    ASSERT_EQ(image.height, 3);
    EXPECT_EQ(At(image, 0, 0), (std::vector<int>{0, 0, 200, 255}));
    EXPECT_EQ(At(image, 0, 1), (std::vector<int>{0, 200, 0, 255}));
    EXPECT_EQ(At(image, 0, 2), (std::vector<int>{200, 0, 0, 255}));
}

TEST(TextureLayout, OddWidthsAndPaddedRowsAreReadRowByRow) {
    // A window into a wider picture has a row stride larger than its width: reading it as
    // packed pixels would shear the picture.
    cv::Mat wide(4, 9, CV_8UC3, cv::Scalar(0, 0, 0));
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 9; ++c) wide.at<cv::Vec3b>(r, c) = cv::Vec3b(c * 10, r * 10, 7);
    const cv::Mat window = wide(cv::Rect(1, 0, 5, 4));
    ASSERT_FALSE(window.isContinuous());
    const KeyedImage image = Keyed(window, ColorKey{255, 255, 255});
    ASSERT_EQ(image.width, 5);
    ASSERT_EQ(image.height, 4);
    ASSERT_EQ(image.rgba.size(), 5u * 4u * 4u);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(At(image, c, 3 - r), (std::vector<int>{7, r * 10, (c + 1) * 10, 255}));

    // The same through the decoder: a 5-pixel-wide PNG (15-byte rows).
    const std::string path = (TempDir() / "odd5x3.png").string();
    cv::Mat odd(3, 5, CV_8UC3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) odd.at<cv::Vec3b>(r, c) = cv::Vec3b(c * 40, r * 100, 9);
    ASSERT_TRUE(cv::imwrite(path, odd));
    cv::Mat decoded;
    std::string why;
    ASSERT_TRUE(DecodeImageFile(path.c_str(), decoded, why)) << why;
    const KeyedImage fromFile = Keyed(decoded, ColorKey{0, 0, 0});
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(At(fromFile, c, 2 - r), (std::vector<int>{9, r * 100, c * 40, 255}));
}

TEST(TextureFormats, GreyAlphaAndSixteenBitBecomeEightBitRgb) {
    // Grey: one channel spread to three, and keyed on the spread value.
    cv::Mat grey(1, 2, CV_8UC1);
    grey.at<unsigned char>(0, 0) = 200;
    grey.at<unsigned char>(0, 1) = 0;
    KeyedImage image = Keyed(grey, ColorKey{0, 0, 0});
    EXPECT_EQ(At(image, 0, 0), (std::vector<int>{200, 200, 200, 255}));
    EXPECT_EQ(At(image, 1, 0), (std::vector<int>{0, 0, 0, 0}));

    // With alpha: the file's alpha is dropped; the key alone decides.
    cv::Mat bgra(1, 2, CV_8UC4);
    bgra.at<cv::Vec4b>(0, 0) = cv::Vec4b(0, 0, 255, 0);    // red, fully transparent in the file
    bgra.at<cv::Vec4b>(0, 1) = cv::Vec4b(0, 255, 0, 255);  // green
    image = Keyed(bgra, ColorKey{0, 255, 0});
    EXPECT_EQ(At(image, 0, 0), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(At(image, 1, 0), (std::vector<int>{0, 255, 0, 0}));

    // Grey with alpha.
    cv::Mat greyAlpha(1, 1, CV_8UC2, cv::Scalar(90, 10));
    image = Keyed(greyAlpha, ColorKey{0, 0, 0});
    EXPECT_EQ(At(image, 0, 0), (std::vector<int>{90, 90, 90, 255}));

    // 16 bits a channel: full scale stays full scale, not the high byte read as a pixel.
    cv::Mat deep(1, 2, CV_16UC3);
    deep.at<cv::Vec3w>(0, 0) = cv::Vec3w(0, 0, 65535);
    deep.at<cv::Vec3w>(0, 1) = cv::Vec3w(257 * 10, 257 * 20, 257 * 30);
    image = Keyed(deep, ColorKey{255, 0, 0});
    EXPECT_EQ(At(image, 0, 0), (std::vector<int>{255, 0, 0, 0}));
    EXPECT_EQ(At(image, 1, 0), (std::vector<int>{30, 20, 10, 255}));

    // The same formats as files on disk, decoded as the game decodes them.
    const auto dir = TempDir();
    cv::Mat grey16(2, 3, CV_16UC1, cv::Scalar(65535));
    const std::string deepPath = (dir / "grey16.png").string();
    const std::string greyPath = (dir / "grey8.png").string();
    const std::string alphaPath = (dir / "alpha.png").string();
    ASSERT_TRUE(cv::imwrite(deepPath, grey16));
    ASSERT_TRUE(cv::imwrite(greyPath, cv::Mat(2, 3, CV_8UC1, cv::Scalar(60))));
    ASSERT_TRUE(cv::imwrite(alphaPath, cv::Mat(2, 3, CV_8UC4, cv::Scalar(1, 2, 3, 0))));
    for (const std::string& path : {deepPath, greyPath, alphaPath}) {
        cv::Mat decoded;
        std::string why;
        ASSERT_TRUE(DecodeImageFile(path.c_str(), decoded, why)) << path << ": " << why;
        image = Keyed(decoded, ColorKey{255, 0, 255});
        EXPECT_EQ(image.width, 3) << path;
        EXPECT_EQ(image.height, 2) << path;
    }
    cv::Mat decoded;
    std::string why;
    ASSERT_TRUE(DecodeImageFile(deepPath.c_str(), decoded, why));
    EXPECT_EQ(At(Keyed(decoded, ColorKey{0, 0, 0}), 2, 1), (std::vector<int>{255, 255, 255, 255}));
    ASSERT_TRUE(DecodeImageFile(alphaPath.c_str(), decoded, why));
    EXPECT_EQ(At(Keyed(decoded, ColorKey{0, 0, 0}), 0, 0), (std::vector<int>{3, 2, 1, 255}));
}

TEST(TextureFiles, MissingTruncatedAndFakeFilesAreRefusedWithAReason) {
    const auto dir = TempDir();
    cv::Mat decoded;
    std::string why;
    EXPECT_FALSE(DecodeImageFile((dir / "no_such_picture.png").string().c_str(), decoded, why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(DecodeImageFile(nullptr, decoded, why));
    EXPECT_FALSE(DecodeImageFile("", decoded, why));

    const std::string fake = (dir / "fake.png").string();
    std::ofstream(fake) << "this is not a picture";
    why.clear();
    EXPECT_FALSE(DecodeImageFile(fake.c_str(), decoded, why));
    EXPECT_FALSE(why.empty());

    // A PNG cut off half way: the decoder either refuses it or hands back a whole-sized
    // picture; it never hands back something the keying would misread.
    cv::Mat noisy(64, 63, CV_8UC3);
    cv::randu(noisy, cv::Scalar::all(0), cv::Scalar::all(255));
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(cv::imencode(".png", noisy, bytes));
    const std::string truncated = (dir / "truncated.png").string();
    std::ofstream(truncated, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size() / 2);
    if (DecodeImageFile(truncated.c_str(), decoded, why)) {
        KeyedImage image;
        EXPECT_TRUE(MakeKeyedImage(decoded, ColorKey{}, image, why));
        EXPECT_EQ(image.rgba.size(), 63u * 64u * 4u);
    }

    KeyedImage image;
    EXPECT_FALSE(MakeKeyedImage(cv::Mat(), ColorKey{}, image, why));
}
