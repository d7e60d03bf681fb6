// Pixel work of texture loading: keys, flip, strides and odd formats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/TextureMath.h"

namespace {

using Px = std::vector<int>;

// RGBA of pixel (col, rowFromBottom) of a keyed image.
Px At(const KeyedImage& image, int col, int rowFromBottom) {
    const std::size_t i = (static_cast<std::size_t>(rowFromBottom) * image.width + col) * 4;
    return {image.rgba[i], image.rgba[i + 1], image.rgba[i + 2], image.rgba[i + 3]};
}

KeyedImage Keyed(const cv::Mat& picture, ColorKey key) {
    KeyedImage image;
    std::string why;
    EXPECT_TRUE(MakeKeyedImage(picture, key, image, why)) << why;
    return image;
}

// A 1 x 2 picture of two pixels of any type.
template <class T>
cv::Mat Pair(T left, T right) {
    cv::Mat_<T> picture(1, 2);
    picture(0, 0) = left;
    picture(0, 1) = right;
    return picture;
}

}  // namespace

TEST(TextureKey, OnlyTheExactKeyIsTransparentForEveryKeyColour) {
    for (const ColorKey key : {ColorKey{255, 0, 0}, ColorKey{0, 255, 0}, ColorKey{0, 0, 0},
                               ColorKey{255, 255, 255}, ColorKey{10, 20, 30}}) {
        // Column 0 is the key; columns 1..3 are one off in red, green and blue.
        cv::Mat picture(1, 4, CV_8UC3);
        std::vector<Px> want;
        for (int c = 0; c < 4; ++c) {
            int rgb[3] = {key.red, key.green, key.blue};
            if (c > 0) rgb[c - 1] += rgb[c - 1] == 255 ? -1 : 1;
            picture.at<cv::Vec3b>(0, c) = cv::Vec3b(rgb[2], rgb[1], rgb[0]);
            want.push_back({rgb[0], rgb[1], rgb[2], c == 0 ? 0 : 255});
        }
        const KeyedImage image = Keyed(picture, key);
        for (int c = 0; c < 4; ++c) EXPECT_EQ(At(image, c, 0), want[c]) << key.red << " " << c;
    }
}

TEST(TextureLayout, RowsAreFlippedAndReadThroughTheirStrideAtOddWidths) {
    // A 5-wide window into a wider picture: rows padded, so reading it packed would shear it.
    cv::Mat wide(4, 9, CV_8UC3);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 9; ++c) wide.at<cv::Vec3b>(r, c) = cv::Vec3b(c * 10, r * 10, 7);
    const cv::Mat window = wide(cv::Rect(1, 0, 5, 4));
    ASSERT_FALSE(window.isContinuous());
    const KeyedImage image = Keyed(window, ColorKey{255, 255, 255});
    ASSERT_EQ(image.width, 5);
    ASSERT_EQ(image.height, 4);
    ASSERT_EQ(image.rgba.size(), 5u * 4u * 4u);
    // The picture's top row becomes the texture's last row.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(At(image, c, 3 - r), (Px{7, r * 10, (c + 1) * 10, 255})) << r << "," << c;
}

TEST(TextureFormats, GreyAlphaAndSixteenBitBecomeEightBitRgbBeforeKeying) {
    const struct {
        cv::Mat picture;
        ColorKey key;
        Px first, second;
    } cases[] = {
        // Grey spreads to three channels and is keyed on the spread value.
        {Pair<uchar>(200, 0), {0, 0, 0}, {200, 200, 200, 255}, {0, 0, 0, 0}},
        // The file's alpha is dropped; the key alone decides.
        {Pair(cv::Vec4b(0, 0, 255, 0), cv::Vec4b(0, 255, 0, 255)), {0, 255, 0}, {255, 0, 0, 255},
         {0, 255, 0, 0}},
        {Pair(cv::Vec2b(90, 0), cv::Vec2b(0, 255)), {0, 0, 0}, {90, 90, 90, 255}, {0, 0, 0, 0}},
        // 16 bits: full scale stays full scale, not the high byte read as a pixel.
        {Pair(cv::Vec3w(0, 0, 65535), cv::Vec3w(2570, 5140, 7710)), {255, 0, 0}, {255, 0, 0, 0},
         {30, 20, 10, 255}},
    };
    for (const auto& c : cases) {
        const KeyedImage image = Keyed(c.picture, c.key);
        EXPECT_EQ(At(image, 0, 0), c.first) << c.picture.type();
        EXPECT_EQ(At(image, 1, 0), c.second) << c.picture.type();
    }
    KeyedImage image;
    std::string why;
    EXPECT_FALSE(MakeKeyedImage(cv::Mat(), ColorKey{}, image, why));  // a failed decode
}
