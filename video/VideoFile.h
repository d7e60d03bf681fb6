#pragma once
// A video being written: WebM with VP8 pictures at 62.5 frames a second (one a tick) and Opus
// sound at 48 kHz. Whatever fails says why in a few words; the caller decides what that means.
#include <string>

struct VideoFile;

// Opens `path` for a video of width x height pixels (each even or odd, 64 and up).
VideoFile* OpenVideo(const std::string& path, int width, int height, std::string& why);

// The next frame: width x height RGBA pixels with the bottom row first, as GL reads them back.
bool WriteVideoFrame(VideoFile& video, const unsigned char* rgba, std::string& why);

// The sound of the frames so far, interleaved stereo at 48 kHz, `frames` of them.
bool WriteVideoSound(VideoFile& video, const float* stereo, int frames, std::string& why);

// Flushes both encoders and ends the file. The video is freed either way.
bool FinishVideo(VideoFile* video, std::string& why);

// Frees a video that is not to be finished; its file is left as it is, for the caller to remove.
void DropVideo(VideoFile* video);
