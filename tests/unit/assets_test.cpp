// The game's own pictures keep the promises that the texture loader, the digit drawing and the
// screen layouts rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

namespace {

// Keys in the decoder's blue-green-red order.
const cv::Vec3b kRed(0, 0, 255), kGreen(0, 255, 0), kBlack(0, 0, 0), kWhite(255, 255, 255);

cv::Mat3b Load(const std::string& name) {
    cv::Mat raw = cv::imread(std::string(TORVINEL_SOURCE_DIR) + "/data/res/game/" + name, cv::IMREAD_UNCHANGED);
    EXPECT_TRUE(!raw.empty() && raw.type() == CV_8UC3) << name << " must decode as 8-bit three-channel colour";
    return raw.empty() || raw.type() != CV_8UC3 ? cv::Mat3b() : cv::Mat3b(raw);
}

int CountEqual(const cv::Mat3b& image, const cv::Vec3b& colour) {
    return int(std::count(image.begin(), image.end(), colour));
}

double MeanDifference(const cv::Mat3b& a, const cv::Mat3b& b) {
    cv::Mat diff;
    cv::absdiff(a, b, diff);
    const cv::Scalar m = cv::mean(diff);
    return (m[0] + m[1] + m[2]) / 3.0;
}

// A wrap from the last column (row) to the first may differ no more than about twice the average
// step between neighbouring columns (rows) inside the picture.
bool Wraps(const cv::Mat3b& m) {
    const auto within = [](double seam, double step) { return seam <= 2.0 * step + 2.0; };
    const int w = m.cols, h = m.rows;
    return within(MeanDifference(m.col(w - 1), m.col(0)), MeanDifference(m.colRange(0, w - 1), m.colRange(1, w))) &&
           within(MeanDifference(m.row(h - 1), m.row(0)), MeanDifference(m.rowRange(0, h - 1), m.rowRange(1, h)));
}

}  // namespace

TEST(GameImages, EveryFileDecodesAndLetteringStandsOnItsKeyColour) {
    EXPECT_GE(Load("UIwindow.jpg").rows, 8);
    const std::pair<const char*, cv::Vec3b> pictures[] = {
        {"title.png", kGreen},     {"dot.png", kGreen},     {"SCORE.png", kRed}, {"pressspace.png", kRed},
        {"timelimit.png", kRed},  {"RANKING.png", kRed},  {"finish.png", kRed}};
    for (const auto& [name, key] : pictures) {
        const cv::Mat3b image = Load(name);
        ASSERT_FALSE(image.empty()) << name;
        const int total = image.rows * image.cols, keyed = CountEqual(image, key), r = image.rows - 1,
                  c = image.cols - 1;
        // The surround is see-through, and there is something to see.
        EXPECT_TRUE(image(0, 0) == key && image(0, c) == key && image(r, 0) == key && image(r, c) == key) << name;
        EXPECT_TRUE(keyed > total / 10 && total - keyed > total / 20) << name;
    }
}

TEST(GameImages, DigitSheetHoldsTenCleanCells) {
    const cv::Mat3b digits = Load("num.png");
    // 24-pixel cells drawn at 3x give the 72-pixel digit pitch of the displays.
    ASSERT_TRUE(digits.cols == 24 && digits.rows % 10 == 0);
    const int band = digits.rows / 10;
    std::vector<int> ink(10);
    for (int d = 0; d < 10; ++d) {
        SCOPED_TRACE(d);
        const cv::Mat3b cell = digits.rowRange(d * band, (d + 1) * band);
        ink[d] = band * digits.cols - CountEqual(cell, kRed);
        EXPECT_GT(ink[d], band * digits.cols / 10) << "digit missing";
        // A clear key margin at the top and bottom of every band, so filtering never pulls a
        // neighbouring digit into the cell.
        EXPECT_EQ(CountEqual(cell.row(0), kRed) + CountEqual(cell.row(band - 1), kRed), 2 * digits.cols);
        for (int other = 0; other < d; ++other)
            EXPECT_GT(MeanDifference(cell, digits.rowRange(other * band, (other + 1) * band)), 1.0) << other;
    }
    // White is the key of the other load of this file; a white digit pixel would vanish there.
    EXPECT_EQ(CountEqual(digits, kWhite), 0);
    // Stacked 0 at the top to 9 at the bottom: the one is the lightest glyph, lighter than 0 and 8.
    EXPECT_LT(ink[1], std::min(ink[0], ink[8]));
}

TEST(GameImages, PicturesFitTheScreensAsDrawn) {
    const int width = 1280, height = 720;
    const cv::Mat3b title = Load("title.png"), prompt = Load("pressspace.png"), score = Load("SCORE.png"),
                    time = Load("timelimit.png"), ranking = Load("RANKING.png"), finish = Load("finish.png"),
                    dot = Load("dot.png"), digits = Load("num.png");
    const struct { const char* what; double need, room; } fits[] = {
        // Title at 2x from y 100, clear of the prompt at 2x from y 620.
        {"title width", 2.0 * title.cols, width}, {"title height", 100 + 2.0 * title.rows, height - 100},
        {"prompt width", 2.0 * prompt.cols, width}, {"prompt height", 2.0 * prompt.rows, 100},
        // Labels at 3x from y 0 stay above the digits at y 90; the score block ends before the time block.
        {"score height", 3.0 * score.rows, 90}, {"score width", 162 + 3.0 * score.cols, width - 576},
        {"time height", 3.0 * time.rows, 90}, {"time width", 3.0 * time.cols, 576},
        {"ranking width", width / 1.7 + 3 * ranking.cols, width}, {"ranking height", 3.0 * ranking.rows, 100},
        // The banner at 1x across and 2x down from y 100.
        {"finish height", 100 + 2.0 * finish.rows, height}, {"finish width", 1.0 * finish.cols, width},
        // The point sits in the gap between the seconds (ending at 288) and the tenths (from 360),
        // within the height of the digits.
        {"dot width", 308.0 + dot.cols, 360}, {"dot height", 160.0 + dot.rows, 90.0 + digits.rows / 10 * 3},
    };
    for (const auto& f : fits) EXPECT_LE(f.need, f.room) << f.what;
}

TEST(GameImages, SurfaceTexturesWrapWithoutSeamsOrHoles) {
    for (const char* name : {"blue.png", "k_red.png", "CutSurf.png"}) {
        const cv::Mat3b image = Load(name);
        ASSERT_GE(image.rows, 8) << name;
        EXPECT_TRUE(Wraps(image)) << name;
        EXPECT_EQ(CountEqual(image, kBlack), 0) << name;  // black is their key: a black pixel is a hole
    }
    // The seam measure itself notices a picture that does not wrap.
    cv::Mat3b ramp(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ramp(y, x) = cv::Vec3b(uchar(x * 4), uchar(y * 4), 128);
    EXPECT_FALSE(Wraps(ramp));
}
