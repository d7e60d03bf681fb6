#include "audio/Mp3Frames.h"

#include <cstdint>

#include "platform/DataFile.h"

namespace {

struct FrameHeader {
    long bytes = 0;  // the whole frame, header included
    int samples = 0;
    int rate = 0;
    int sideInfo = 0;  // bytes of layer III side information after the header
};

unsigned Byte(const std::string& bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }

// The four header bytes at `at`, or false when they are not a usable MPEG audio frame header.
bool ReadHeader(const std::string& bytes, std::size_t at, FrameHeader& frame) {
    if (at + 4 > bytes.size() || Byte(bytes, at) != 0xFF || (Byte(bytes, at + 1) & 0xE0) != 0xE0) return false;
    const unsigned version = (Byte(bytes, at + 1) >> 3) & 3;  // 0: MPEG 2.5, 2: MPEG 2, 3: MPEG 1
    const unsigned layer = 4 - ((Byte(bytes, at + 1) >> 1) & 3);
    const unsigned bitrateIndex = Byte(bytes, at + 2) >> 4, rateIndex = (Byte(bytes, at + 2) >> 2) & 3;
    const unsigned padding = (Byte(bytes, at + 2) >> 1) & 1, mono = (Byte(bytes, at + 3) >> 6) == 3;
    // Free-format bit rates give no frame length to walk by; no game track needs them.
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    static const int kbps[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG 1, layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG 1, layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG 1, layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG 2 and 2.5, layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG 2 and 2.5, layers II, III
    };
    static const int rates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const long bitrate = 1000L * kbps[mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4)][bitrateIndex];
    frame.rate = rates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    frame.samples = layer == 1 ? 384 : (layer == 3 && !mpeg1) ? 576 : 1152;
    frame.bytes = layer == 1 ? (12 * bitrate / frame.rate + padding) * 4
                             : frame.samples / 8 * bitrate / frame.rate + padding;
    frame.sideInfo = layer != 3 ? 0 : mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return true;
}

// Tags that may follow the last frame.
bool IsTrailingTag(const std::string& bytes, std::size_t at) {
    for (const char* tag : {"TAG", "APETAGEX", "LYRICSBEGIN", "ID3"})
        if (bytes.compare(at, std::string(tag).size(), tag) == 0) return true;
    return false;
}

// The frame count an encoder's "Xing" or "Info" frame declares for the stream, or -1.
long DeclaredFrames(const std::string& bytes, std::size_t at, const FrameHeader& first) {
    const std::size_t tag = at + 4 + first.sideInfo;
    if (tag + 12 > at + first.bytes) return -1;
    if (bytes.compare(tag, 4, "Xing") != 0 && bytes.compare(tag, 4, "Info") != 0) return -1;
    const bool counted = (ReadField(bytes, tag + 4, 4, ByteOrder::Big) & 1) != 0;
    return counted ? static_cast<long>(ReadField(bytes, tag + 8, 4, ByteOrder::Big)) : -1;
}

}  // namespace

bool ScanMp3(const std::string& bytes, Mp3Shape& shape, std::string& why) {
    shape = Mp3Shape();
    std::size_t at = 0;
    if (bytes.size() >= 10 && bytes.compare(0, 3, "ID3") == 0) {
        // A syncsafe size: seven bits a byte; a footer adds ten bytes more.
        at = 10 + (Byte(bytes, 6) << 21 | Byte(bytes, 7) << 14 | Byte(bytes, 8) << 7 | Byte(bytes, 9));
        if ((Byte(bytes, 5) & 0x10) != 0) at += 10;
    }
    long declared = -1;
    FrameHeader frame;
    while (at < bytes.size()) {
        if (!ReadHeader(bytes, at, frame)) {
            if (shape.frames > 0 && IsTrailingTag(bytes, at)) break;
            why = shape.frames == 0 ? "is not an MP3 file" : "is damaged at byte " + std::to_string(at);
            return false;
        }
        if (at + frame.bytes > bytes.size()) {
            why = "is cut short";
            return false;
        }
        if (shape.frames == 0) {
            shape.rate = frame.rate;
            declared = DeclaredFrames(bytes, at, frame);
        }
        shape.frames += 1;
        shape.samples += frame.samples;
        at += frame.bytes;
    }
    if (shape.frames == 0) {
        why = "holds no sound";
        return false;
    }
    // The information frame itself is not among the frames it counts.
    if (declared >= 0 && shape.frames - 1 < declared) {
        why = "is cut short";
        return false;
    }
    return true;
}
