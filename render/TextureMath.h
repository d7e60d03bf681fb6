#pragma once
// The pixel work of a texture load, kept apart from GL so it can be checked without a window:
// whatever the decoder hands us becomes 8-bit RGB, is flipped to GL's bottom-up rows and gets
// its alpha from the colour key.
#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "render/Texture.h"

// An RGBA picture ready for glTexImage2D: rows bottom-up, tightly packed (4 bytes a pixel).
struct KeyedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Turns any decoded picture (grey, grey with alpha, BGR, BGRA; 8-bit, 16-bit or floating point)
// into 8-bit three-channel BGR. False, with `why` filled, for an empty or unusable picture.
bool ToBgr8(const cv::Mat& decoded, cv::Mat& bgr8, std::string& why);

// BGR to RGB, flipped so the picture's top row comes last, alpha 0 exactly where the colour
// equals `key` and 255 elsewhere. Reads each row through the matrix's own stride, so any width
// works. False (and `why`) when the picture cannot be used.
bool MakeKeyedImage(const cv::Mat& decoded, ColorKey key, KeyedImage& out, std::string& why);

// The biggest picture the game decodes, whatever the driver would take: 4096 x 4096, 256 times
// its largest picture. Decoding, converting and keying it needs about 200 MB on its own.
inline constexpr long long kMaxPicturePixels = 4096LL * 4096LL;

// Picture files beyond this are refused unread (the largest allowed picture fits in less).
inline constexpr std::size_t kMaxPictureFileBytes = 64u << 20;

// Width and height as a PNG (IHDR) or JPEG (start of frame) file states them, read before any
// decoding. False for anything else, or a header cut short.
bool PictureSize(const std::string& bytes, long long& width, long long& height);

// False, with `why` naming the size, for a picture wider or taller than maxSide (the driver's
// largest texture) or of more than kMaxPicturePixels pixels, or of no pixels at all.
bool PictureSizeAllowed(long long width, long long height, long long maxSide, std::string& why);

// Decodes a file with the flags the game loads with (any depth, any colour; with keepAlpha, its
// alpha channel too), after checking its size against maxSide and the pixel budget. False, with
// `why` in one line (the decoder's own words included), for a missing, unusable, oversized, cut
// short or undecodable file; the decoder's messages are kept off stderr; never throws.
bool DecodeImageFile(const char* path, long long maxSide, cv::Mat& decoded, std::string& why,
                     bool keepAlpha = false);

// Decode and key in one step; running out of memory is a failure like any other, not the end of
// the game.
bool LoadKeyedImage(const char* path, long long maxSide, ColorKey key, KeyedImage& out, std::string& why);
