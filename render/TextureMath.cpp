#include "render/TextureMath.h"

#include <new>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "platform/DataFile.h"
#include "platform/LibraryNoise.h"

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

const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

bool IsPng(const std::string& bytes) { return bytes.compare(0, 8, kPngSignature, 8) == 0; }

const char kPngEndChunk[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', '\xAE', '\x42', '\x60', '\x82'};

enum class PngShape { Whole, NoEndChunk, CutShort };

// Walks the PNG's chunks. A file cut short (a failed download, a full disk) mostly ends inside a
// chunk; one that ends right after a whole chunk may lack only its end chunk, which the decoder
// insists on but which carries nothing. Whether its image data is all there, the decoder tells.
PngShape PngChunks(const std::string& bytes) {
    std::size_t at = 8;
    while (at + 8 <= bytes.size()) {
        const unsigned long long chunkEnd = at + 12ULL + ReadField(bytes, at, 4, ByteOrder::Big);
        if (chunkEnd > bytes.size()) return PngShape::CutShort;
        if (bytes.compare(at + 4, 4, "IEND") == 0) return PngShape::Whole;
        at = static_cast<std::size_t>(chunkEnd);
    }
    return at == bytes.size() ? PngShape::NoEndChunk : PngShape::CutShort;
}

// Walks the JPEG's marker segments to its start-of-frame, which holds the height and the width.
bool JpegSize(const std::string& bytes, long long& width, long long& height) {
    std::size_t at = 2;
    while (at + 1 < bytes.size()) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF) return false;
        const unsigned char marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) {  // fill byte
            at += 1;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length follows
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA || at + 4 > bytes.size()) return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > bytes.size()) return false;
            height = ReadField(bytes, at + 5, 2, ByteOrder::Big);
            width = ReadField(bytes, at + 7, 2, ByteOrder::Big);
            return true;
        }
        at += 2 + ReadField(bytes, at + 2, 2, ByteOrder::Big);
    }
    return false;
}

}  // namespace

bool PictureSize(const std::string& bytes, long long& width, long long& height) {
    if (IsPng(bytes)) {
        if (bytes.size() < 24 || bytes.compare(12, 4, "IHDR") != 0) return false;
        width = ReadField(bytes, 16, 4, ByteOrder::Big);
        height = ReadField(bytes, 20, 4, ByteOrder::Big);
        return true;
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xFF\xD8\xFF") == 0) return JpegSize(bytes, width, height);
    return false;
}

bool PictureSizeAllowed(long long width, long long height, long long maxSide, std::string& why) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width < 1 || height < 1) {
        why = "no pixels: " + size;
        return false;
    }
    if (width > maxSide || height > maxSide || width * height > kMaxPicturePixels) {
        why = "too large: " + size + " (the game takes at most " + std::to_string(maxSide) +
              " a side and " + std::to_string(kMaxPicturePixels) + " in all)";
        return false;
    }
    return true;
}

bool DecodeImageFile(const char* path, long long maxSide, cv::Mat& decoded, std::string& why, bool keepAlpha) {
    decoded.release();
    std::string bytes;
    long long width = 0, height = 0;
    if (!ReadDataFile(path, kMaxPictureFileBytes, bytes, why)) return false;
    if (!PictureSize(bytes, width, height)) {
        why = "not a PNG or JPEG picture";
        return false;
    }
    if (!PictureSizeAllowed(width, height, maxSide, why)) return false;
    // Checked here, so that the player reads what is wrong rather than the decoder's complaint.
    const PngShape shape = IsPng(bytes) ? PngChunks(bytes) : PngShape::Whole;
    if (shape == PngShape::CutShort) {
        why = "the PNG file is cut short";
        return false;
    }
    if (shape == PngShape::NoEndChunk) bytes.append(kPngEndChunk, sizeof kPngEndChunk);
    const cv::Mat encoded(1, static_cast<int>(bytes.size()), CV_8UC1, &bytes[0]);
    std::string failure;
    const std::string said = CaptureStderr([&] {
        try {
            decoded = cv::imdecode(encoded, keepAlpha ? cv::IMREAD_UNCHANGED : cv::IMREAD_ANYDEPTH | cv::IMREAD_ANYCOLOR);
        } catch (const cv::Exception& e) {
            failure = e.err;
        } catch (const std::bad_alloc&) {
            failure = "out of memory";
        }
    });
    if (!decoded.empty() && failure.empty()) return true;
    decoded.release();
    if (shape == PngShape::NoEndChunk) {
        why = "the PNG file is cut short";  // its image data stopped at a chunk's edge
        return false;
    }
    why = WithLibraryWords("the decoder could not read it", failure.empty() ? said : failure);
    return false;
}

bool LoadKeyedImage(const char* path, long long maxSide, ColorKey key, KeyedImage& out, std::string& why) {
    try {
        cv::Mat decoded;
        return DecodeImageFile(path, maxSide, decoded, why) && MakeKeyedImage(decoded, key, out, why);
    } catch (const std::bad_alloc&) {
        why = "not enough memory to load it";
    } catch (const cv::Exception& e) {
        why = WithLibraryWords("could not convert it", e.err);
    }
    out = KeyedImage();
    return false;
}
