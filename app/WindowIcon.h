#pragma once
// The game's icon as the window manager wants it for the taskbar, the window switcher and the
// title bar: each picture as its width, its height, then its pixels row by row from the top left,
// each 0xAARRGGBB (alpha not premultiplied), the pictures one after another. The pictures are the
// icons the game installs for its menu entries, read at run time from its data folder.
#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

// The sizes offered, smallest first: enough for title bars, taskbars and switchers. Each is read
// from <folder>/NxN/torvinel.png.
inline constexpr int kWindowIconSizes[] = {48, 64, 128};

// An icon larger than this a side is refused rather than sent to the X server.
inline constexpr long long kMaxWindowIconSide = 256;

// Appends one decoded picture (grey, grey with alpha, BGR or BGRA, 8 or 16 bits a channel) to
// `cardinals`; a picture without alpha is opaque. False, and nothing appended, for anything else.
bool AppendIconCardinals(const cv::Mat& decoded, std::vector<std::uint32_t>& cardinals);

// Every size found in `folder` (relative to the data folder the game runs in), in the order
// above. A missing file is skipped without a word: the window simply goes without that size. One
// that is there but cannot be used costs one line on stderr.
std::vector<std::uint32_t> LoadWindowIcon(const std::string& folder = "icons");
