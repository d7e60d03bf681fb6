#include "render/TextureMath.h"

#include <cstdio>
#include <cstring>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

// Brings any depth down to 8 bits a channel, keeping the channel count.
bool ToDepth8(const cv::Mat& in, cv::Mat& out, std::string& why) {
    switch (in.depth()) {
    case CV_8U:
        out = in;
        return true;
    case CV_16U:
        in.convertTo(out, CV_8U, 1.0 / 257.0);  // 65535 -> 255
        return true;
    case CV_32F:
    case CV_64F:
        in.convertTo(out, CV_8U, 255.0);  // floating-point pictures run 0..1
        return true;
    default:
        why = "unsupported pixel depth";
        return false;
    }
}

}  // namespace

bool ToBgr8(const cv::Mat& decoded, cv::Mat& bgr8, std::string& why) {
    if (decoded.empty() || decoded.dims != 2 || decoded.cols <= 0 || decoded.rows <= 0) {
        why = "no picture could be decoded";
        return false;
    }
    cv::Mat depth8;
    if (!ToDepth8(decoded, depth8, why)) return false;
    switch (depth8.channels()) {
    case 1:
        cv::cvtColor(depth8, bgr8, cv::COLOR_GRAY2BGR);
        return true;
    case 2: {  // grey with alpha: the game makes its own alpha from the key
        cv::Mat grey;
        cv::extractChannel(depth8, grey, 0);
        cv::cvtColor(grey, bgr8, cv::COLOR_GRAY2BGR);
        return true;
    }
    case 3:
        bgr8 = depth8;
        return true;
    case 4:
        cv::cvtColor(depth8, bgr8, cv::COLOR_BGRA2BGR);
        return true;
    default:
        why = "unsupported channel count";
        return false;
    }
}

bool MakeKeyedImage(const cv::Mat& decoded, ColorKey key, KeyedImage& out, std::string& why) {
    cv::Mat bgr8;
    if (!ToBgr8(decoded, bgr8, why)) return false;
    cv::Mat rgb;
    cv::cvtColor(bgr8, rgb, cv::COLOR_BGR2RGB);
    cv::flip(rgb, rgb, 0);  // GL wants the bottom row first

    out.width = rgb.cols;
    out.height = rgb.rows;
    out.rgba.assign(static_cast<std::size_t>(out.width) * out.height * 4, 0);
    std::uint8_t* dst = out.rgba.data();
    for (int row = 0; row < rgb.rows; ++row) {
        const std::uint8_t* src = rgb.ptr<std::uint8_t>(row);  // rows may be padded
        for (int col = 0; col < rgb.cols; ++col, src += 3, dst += 4) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            const bool keyed = src[0] == key.red && src[1] == key.green && src[2] == key.blue;
            dst[3] = keyed ? 0 : 255;
        }
    }
    return true;
}

namespace {

// A PNG cut short (a failed download, a full disk) makes libpng print its own error on top of
// ours; it is recognised by the missing end chunk and refused before decoding.
bool IsTruncatedPng(std::FILE* file) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static const unsigned char endChunk[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    unsigned char head[8];
    if (std::fread(head, 1, 8, file) != 8 || std::memcmp(head, signature, 8) != 0) return false;
    unsigned char tail[12];
    if (std::fseek(file, -12, SEEK_END) != 0 || std::fread(tail, 1, 12, file) != 12) return true;
    return std::memcmp(tail, endChunk, 12) != 0;
}

}  // namespace

bool DecodeImageFile(const char* path, cv::Mat& decoded, std::string& why) {
    if (path == nullptr || path[0] == '\0') {
        why = "no file name";
        return false;
    }
    {
        // Checked first so a missing file gives our one message, not the decoder's warning too.
        std::FILE* file = std::fopen(path, "rb");
        if (file == nullptr) {
            why = "cannot open the file";
            return false;
        }
        const bool truncated = IsTruncatedPng(file);
        std::fclose(file);
        if (truncated) {
            why = "the PNG file is cut short";
            return false;
        }
    }
    try {
        decoded = cv::imread(path, cv::IMREAD_ANYDEPTH | cv::IMREAD_ANYCOLOR);
    } catch (const cv::Exception& e) {
        decoded.release();
        why = "decoder failed: " + e.err;
        return false;
    }
    if (decoded.empty()) {
        why = "missing, unreadable or not a picture the decoder knows";
        return false;
    }
    return true;
}
