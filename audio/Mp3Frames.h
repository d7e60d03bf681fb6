#pragma once
// A look at an MP3 file's frames before it goes to the decoder, which otherwise prints its own
// warnings about a damaged file (and plays a cut-short track to its cut without a word).
#include <string>

struct Mp3Shape {
    long frames = 0;         // MPEG audio frames, an encoder's information frame included
    long long samples = 0;   // samples per channel in those frames, encoder padding included
    int rate = 0;            // samples per second of the first frame
};

// Walks the frames from after a leading ID3v2 tag to the end (where an ID3v1, APE or Lyrics tag
// may stand). False, with `why` in a few words, when the bytes are not MPEG audio frames
// throughout, or the last frame, or the stream as its information frame counts it, is cut short.
bool ScanMp3(const std::string& bytes, Mp3Shape& shape, std::string& why);
