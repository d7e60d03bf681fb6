// The game's own pictures keep the promises that the texture loader, the digit drawing and the
// screen layouts rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

namespace {

const std::string kGameDir = std::string(TORVINEL_SOURCE_DIR) + "/data/res/game/";

// Keys in the decoder's blue-green-red order.
const cv::Vec3b kRed(0, 0, 255);
const cv::Vec3b kGreen(0, 255, 0);
const cv::Vec3b kBlack(0, 0, 0);
const cv::Vec3b kWhite(255, 255, 255);

cv::Mat3b Load(const std::string& name) {
    cv::Mat raw = cv::imread(kGameDir + name, cv::IMREAD_UNCHANGED);
    if (raw.empty() || raw.type() != CV_8UC3) return cv::Mat3b();
    return cv::Mat3b(raw);
}

int CountEqual(const cv::Mat3b& image, const cv::Vec3b& colour) {
    int n = 0;
    for (const cv::Vec3b& p : image) n += p == colour ? 1 : 0;
    return n;
}

bool CornersAre(const cv::Mat3b& image, const cv::Vec3b& key) {
    int r = image.rows - 1, c = image.cols - 1;
    return image(0, 0) == key && image(0, c) == key && image(r, 0) == key && image(r, c) == key;
}

double MeanDifference(const cv::Mat3b& a, const cv::Mat3b& b) {
    cv::Mat diff;
    cv::absdiff(a, b, diff);
    cv::Scalar m = cv::mean(diff);
    return (m[0] + m[1] + m[2]) / 3.0;
}

// How much a wrap from the last column (row) to the first differs, against the average step
// between neighbouring columns (rows) inside the picture.
struct Seams {
    double across, acrossInside, along, alongInside;
};

Seams MeasureSeams(const cv::Mat3b& image) {
    Seams s{};
    s.across = MeanDifference(image.col(image.cols - 1), image.col(0));
    s.along = MeanDifference(image.row(image.rows - 1), image.row(0));
    s.acrossInside = MeanDifference(image.colRange(0, image.cols - 1), image.colRange(1, image.cols));
    s.alongInside = MeanDifference(image.rowRange(0, image.rows - 1), image.rowRange(1, image.rows));
    return s;
}

bool Wraps(const cv::Mat3b& image) {
    Seams s = MeasureSeams(image);
    return s.across <= 2.0 * s.acrossInside + 2.0 && s.along <= 2.0 * s.alongInside + 2.0;
}

}  // namespace

TEST(GameImages, EveryFileDecodesAsEightBitColour) {
    const char* names[] = {"UIwindow.jpg", "num.png",     "blue.png",  "k_red.png",     "CutSurf.png",
                           "title.png",    "dot.png",     "SCORE.png", "pressspace.png", "timelimit.png",
                           "RANKING.png",  "finish.png"};
    for (const char* name : names) {
        cv::Mat raw = cv::imread(kGameDir + name, cv::IMREAD_UNCHANGED);
        ASSERT_FALSE(raw.empty()) << name << " is missing or does not decode";
        EXPECT_EQ(raw.type(), CV_8UC3) << name << " must be 8-bit three-channel colour";
        EXPECT_GE(raw.cols, 8) << name;
        EXPECT_GE(raw.rows, 8) << name;
    }
}

TEST(GameImages, LetteringStandsOnItsKeyColour) {
    struct Keyed {
        const char* name;
        cv::Vec3b key;
    };
    const Keyed pictures[] = {{"title.png", kGreen},      {"dot.png", kGreen},       {"SCORE.png", kRed},
                              {"pressspace.png", kRed},   {"timelimit.png", kRed},   {"RANKING.png", kRed},
                              {"finish.png", kRed}};
    for (const Keyed& k : pictures) {
        cv::Mat3b image = Load(k.name);
        ASSERT_FALSE(image.empty()) << k.name;
        int total = image.rows * image.cols;
        int keyed = CountEqual(image, k.key);
        // The surround is see-through, and there is something to see.
        EXPECT_TRUE(CornersAre(image, k.key)) << k.name;
        EXPECT_GT(keyed, total / 10) << k.name;
        EXPECT_GT(total - keyed, total / 20) << k.name;
    }
}

TEST(GameImages, DigitSheetHoldsTenCleanCells) {
    cv::Mat3b digits = Load("num.png");
    ASSERT_FALSE(digits.empty());
    // 24-pixel cells drawn at 3x give the 72-pixel digit pitch of the displays.
    ASSERT_EQ(digits.cols, 24);
    ASSERT_EQ(digits.rows % 10, 0);
    const int band = digits.rows / 10;

    std::vector<int> ink(10);
    std::vector<cv::Mat3b> cells;
    for (int d = 0; d < 10; ++d) {
        cv::Mat3b cell = digits.rowRange(d * band, (d + 1) * band);
        cells.push_back(cell);
        ink[d] = band * digits.cols - CountEqual(cell, kRed);
        EXPECT_GT(ink[d], band * digits.cols / 10) << "digit " << d << " is missing";
        // A clear key margin at the top and bottom of every band, so filtering never pulls a
        // neighbouring digit into the cell.
        EXPECT_EQ(CountEqual(cell.row(0), kRed), digits.cols) << "digit " << d;
        EXPECT_EQ(CountEqual(cell.row(band - 1), kRed), digits.cols) << "digit " << d;
        EXPECT_TRUE(CornersAre(cell, kRed)) << "digit " << d;
    }
    // White is the key of the other load of this file; a white digit pixel would vanish there.
    EXPECT_EQ(CountEqual(digits, kWhite), 0);
    // Stacked 0 at the top to 9 at the bottom: the one is the lightest glyph, lighter than 0 and 8.
    EXPECT_LT(ink[1], ink[0]);
    EXPECT_LT(ink[1], ink[8]);
    for (int a = 0; a < 10; ++a)
        for (int b = a + 1; b < 10; ++b) EXPECT_GT(MeanDifference(cells[a], cells[b]), 1.0) << a << " vs " << b;
}

TEST(GameImages, PicturesFitTheScreensAsDrawn) {
    const int width = 1280, height = 720;
    cv::Mat3b title = Load("title.png"), prompt = Load("pressspace.png"), score = Load("SCORE.png"),
              time = Load("timelimit.png"), ranking = Load("RANKING.png"), finish = Load("finish.png"),
              dot = Load("dot.png"), digits = Load("num.png");
    ASSERT_FALSE(title.empty() || prompt.empty() || score.empty() || time.empty() || ranking.empty() ||
                 finish.empty() || dot.empty() || digits.empty());
    const int digitHeight = digits.rows / 10 * 3;

    // Title at 2x from y 100, clear of the prompt at 2x from y 620.
    EXPECT_LE(2 * title.cols, width);
    EXPECT_LE(100 + 2 * title.rows, height - 100);
    EXPECT_LE(2 * prompt.cols, width);
    EXPECT_LE(2 * prompt.rows, 100);
    // Labels at 3x from y 0 stay above the digits at y 90; the score block ends before the time block.
    EXPECT_LE(3 * score.rows, 90);
    EXPECT_LE(162 + 3 * score.cols, width - 576);
    EXPECT_LE(3 * time.rows, 90);
    EXPECT_LE(3 * time.cols, 576);
    EXPECT_LE(width / 1.7 + 3 * ranking.cols, width);
    EXPECT_LE(3 * ranking.rows, 100);
    // The banner at 1x across and 2x down from y 100.
    EXPECT_LE(100 + 2 * finish.rows, height);
    EXPECT_LE(finish.cols, width);
    // The point sits in the gap between the seconds (ending at 288) and the tenths (from 360),
    // within the height of the digits.
    EXPECT_LE(308 + dot.cols, 360);
    EXPECT_LE(160 + dot.rows, 90 + digitHeight);
}

TEST(GameImages, SurfaceTexturesWrapWithoutSeamsOrHoles) {
    for (const char* name : {"blue.png", "k_red.png", "CutSurf.png"}) {
        cv::Mat3b image = Load(name);
        ASSERT_FALSE(image.empty()) << name;
        Seams s = MeasureSeams(image);
        EXPECT_TRUE(Wraps(image)) << name << ": seam " << s.across << "/" << s.along << " against steps "
                                  << s.acrossInside << "/" << s.alongInside;
        // Black is these textures' key; a black pixel would be a hole.
        EXPECT_EQ(CountEqual(image, kBlack), 0) << name;
    }
    // The seam measure itself notices a picture that does not wrap.
    cv::Mat3b ramp(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ramp(y, x) = cv::Vec3b(uchar(x * 4), uchar(y * 4), 128);
    EXPECT_FALSE(Wraps(ramp));
}
