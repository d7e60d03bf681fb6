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

// Decodes a file with the flags the game loads with (any depth, any colour). False, with `why`,
// for a missing, unreadable or undecodable file; never throws.
bool DecodeImageFile(const char* path, cv::Mat& decoded, std::string& why);
