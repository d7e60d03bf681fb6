#include "app/WindowIcon.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "platform/Say.h"
#include "render/TextureMath.h"

bool AppendIconCardinals(const cv::Mat& decoded, std::vector<std::uint32_t>& cardinals) {
    if (decoded.empty() || decoded.dims != 2 || decoded.channels() > 4) return false;
    cv::Mat pixels;
    if (decoded.depth() == CV_8U) {
        pixels = decoded;
    } else if (decoded.depth() == CV_16U) {
        decoded.convertTo(pixels, CV_8U, 1.0 / 257.0);  // 65535 -> 255
    } else {
        return false;
    }
    const int channels = pixels.channels();
    cardinals.reserve(cardinals.size() + 2 + pixels.total());
    cardinals.push_back(static_cast<std::uint32_t>(pixels.cols));
    cardinals.push_back(static_cast<std::uint32_t>(pixels.rows));
    for (int row = 0; row < pixels.rows; ++row) {
        const std::uint8_t* p = pixels.ptr<std::uint8_t>(row);  // rows may be padded
        for (int col = 0; col < pixels.cols; ++col, p += channels) {
            // OpenCV keeps colour as blue, green, red; grey pictures have one value for all three.
            const std::uint32_t blue = p[0];
            const std::uint32_t green = channels >= 3 ? p[1] : p[0];
            const std::uint32_t red = channels >= 3 ? p[2] : p[0];
            const std::uint32_t alpha = channels == 2 ? p[1] : channels == 4 ? p[3] : 255u;
            cardinals.push_back(alpha << 24 | red << 16 | green << 8 | blue);
        }
    }
    return true;
}

std::vector<std::uint32_t> LoadWindowIcon(const std::string& folder) {
    std::vector<std::uint32_t> cardinals;
    for (const int size : kWindowIconSizes) {
        const std::string side = std::to_string(size);
        const std::string path = folder + "/" + side + "x" + side + "/torvinel.png";
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) continue;  // a link to nothing too
        cv::Mat decoded;
        std::string why = "not a picture the window can show";
        if (!DecodeImageFile(path.c_str(), kMaxWindowIconSide, decoded, why, true) ||
            !AppendIconCardinals(decoded, cardinals)) {
            Say("cannot use the window icon \"%s\": %s\n", path.c_str(), why.c_str());
        }
    }
    return cardinals;
}
