// Pictures are measured from their header before they are decoded: what is too large for the
// driver or the game is refused unread. A damaged one is the game's one line, with the decoder's
// words in it and none of its own noise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include <opencv2/imgcodecs.hpp>

#include "render/TextureMath.h"

namespace {

std::string Write(const std::string& bytes) {
    const std::string path = "/tmp/torvinel_picture_" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string Encoded(const char* type, int rows, int cols) {
    std::vector<unsigned char> bytes;
    cv::imencode(type, cv::Mat(rows, cols, CV_8UC3, cv::Scalar(9, 9, 9)), bytes);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(PictureLimits, SizeIsReadFromTheHeaderAndCheckedBeforeDecoding) {
    const std::string png = Encoded(".png", 2, 3), jpeg = Encoded(".jpg", 2, 3);
    const std::size_t ihdr = 16, sof = jpeg.find("\xFF\xC0") + 5, idat = png.find("IDAT") + 4;
    // The file with bytes written over it: a header claiming another size, or damaged data.
    const auto Patched = [](std::string file, std::size_t at, const std::string& bytes) { return file.replace(at, bytes.size(), bytes); };
    const struct { std::string bytes; long long maxSide; const char* why; } cases[] = {
        {Patched(png, ihdr, std::string("\0\0\x75\x30\0\0\x75\x30", 8)), 16384, "too large: 30000 x 30000 pixels"},
        {Patched(png, ihdr, std::string("\0\0\x13\x88\0\0\x13\x88", 8)), 16384, "too large: 5000 x 5000"},  // budget
        {Patched(jpeg, sof, "\x01\x2c\x4e\x20"), 16384, "too large: 20000 x 300"},
        {png, 2, "too large: 3 x 2"},  // wider than a small driver takes
        {"GIF89a", 16384, "not a PNG or JPEG"},
        // A deflate window larger than allowed (its check byte kept right).
        {Patched(png, idat, "\x88\x1c"), 16384, "the decoder could not read it: libpng error: IDAT: invalid window size"},
        {png, 3, ""},
    };
    testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        cv::Mat decoded;
        std::string why;
        EXPECT_EQ(DecodeImageFile(Write(c.bytes).c_str(), c.maxSide, decoded, why), *c.why == '\0') << c.why;
        EXPECT_EQ(why.find(c.why), 0u) << why;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
