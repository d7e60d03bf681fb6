// Paints every picture the game loads from res/game/: the lettering (title, prompt, labels, banner,
// digits) and the three wrapping surface textures (tube, gem skin, gem interior).
//
//   make_images [output-folder] [--icons icon-folder] [--preview preview.png]
//
// The output folder defaults to data/res/game below the working directory. With --preview the tool
// also writes a mock 1280x720 screen and a sheet of the surface textures, composited the way the game
// draws them (key colour transparent, sprites scaled), so an artist can judge the result at a glance.
// With --icons it also paints the menu icon, <icon-folder>/<n>x<n>/torvinel.png for n = 48, 64, 128
// and 256.
//
// Lettering is painted at 8x resolution and reduced by area averaging. The game has no partial
// transparency, only a colour key, so a reduced pixel is either opaque (at least half covered, with
// the averaged colour) or exactly the key colour; every shape carries a dark outline, which makes the
// hard outer edge look clean after the 2x and 3x magnification. No opaque pixel may equal the key.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

constexpr int kSuper = 8;
constexpr float kPi = 3.14159265f;

// Colours are written red, green, blue and stored in OpenCV's blue-green-red order.
cv::Vec3f Rgb(float r, float g, float b) { return cv::Vec3f(b, g, r); }

const cv::Vec3b kKeyRed(0, 0, 255);
const cv::Vec3b kKeyGreen(0, 255, 0);
const cv::Vec3b kKeyBlack(0, 0, 0);

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
float Smooth(float e0, float e1, float x) {
    float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
cv::Vec3f Mix(const cv::Vec3f& a, const cv::Vec3f& b, float t) { return a * (1.0f - t) + b * t; }

// ---------------------------------------------------------------------------------------------
// Supersampled painting with premultiplied colour.

struct Canvas {
    cv::Mat3f colour;  // premultiplied, 0..255
    cv::Mat1f cover;   // 0..1
};

Canvas MakeCanvas(cv::Size lowSize) {
    cv::Size hi(lowSize.width * kSuper, lowSize.height * kSuper);
    return Canvas{cv::Mat3f(hi, cv::Vec3f(0, 0, 0)), cv::Mat1f(hi, 0.0f)};
}

// Lays `paint` (a colour per pixel) over the canvas where `mask` covers it.
void Paint(Canvas& canvas, const cv::Mat1f& mask, const cv::Mat3f& paint) {
    for (int y = 0; y < mask.rows; ++y) {
        const float* m = mask.ptr<float>(y);
        const cv::Vec3f* p = paint.ptr<cv::Vec3f>(y);
        cv::Vec3f* c = canvas.colour.ptr<cv::Vec3f>(y);
        float* a = canvas.cover.ptr<float>(y);
        for (int x = 0; x < mask.cols; ++x) {
            float k = m[x];
            if (k <= 0.0f) continue;
            c[x] = p[x] * k + c[x] * (1.0f - k);
            a[x] = k + a[x] * (1.0f - k);
        }
    }
}

void Paint(Canvas& canvas, const cv::Mat1f& mask, const cv::Vec3f& colour) {
    Paint(canvas, mask, cv::Mat3f(mask.size(), colour));
}

// A vertical colour ramp through evenly spaced stops, spanning rows top..bottom of the canvas.
cv::Mat3f VerticalRamp(cv::Size size, float top, float bottom, const std::vector<cv::Vec3f>& stops) {
    cv::Mat3f out(size);
    for (int y = 0; y < size.height; ++y) {
        float t = Clamp01((y - top) / (bottom - top)) * float(stops.size() - 1);
        int i = std::min(int(t), int(stops.size()) - 2);
        cv::Vec3f c = Mix(stops[i], stops[i + 1], t - float(i));
        out.row(y).setTo(cv::Scalar(c[0], c[1], c[2]));
    }
    return out;
}

// Reduces the canvas to its final size and keys out everything less than half covered.
cv::Mat3b Resolve(const Canvas& canvas, cv::Size lowSize, const cv::Vec3b& key, float threshold = 0.5f) {
    cv::Mat3f colour;
    cv::Mat1f cover;
    cv::resize(canvas.colour, colour, lowSize, 0, 0, cv::INTER_AREA);
    cv::resize(canvas.cover, cover, lowSize, 0, 0, cv::INTER_AREA);
    cv::Mat3b out(lowSize, key);
    for (int y = 0; y < lowSize.height; ++y) {
        for (int x = 0; x < lowSize.width; ++x) {
            float a = cover(y, x);
            if (a < threshold) continue;
            cv::Vec3f c = colour(y, x) / a;
            cv::Vec3b v(cv::saturate_cast<uchar>(c[0]), cv::saturate_cast<uchar>(c[1]),
                        cv::saturate_cast<uchar>(c[2]));
            if (v == key) v[1] = v[1] > 127 ? v[1] - 1 : v[1] + 1;  // stay opaque
            out(y, x) = v;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Lettering masks.

// The tight coverage mask of `text` in a Hershey font, drawn large so that it can be reduced.
cv::Mat1f TextMask(const std::string& text, int font, double thicknessPerScale) {
    const double scale = 12.0;
    int thickness = std::max(1, int(std::lround(scale * thicknessPerScale)));
    int baseline = 0;
    cv::Size size = cv::getTextSize(text, font, scale, thickness, &baseline);
    int margin = thickness * 2 + 40;
    cv::Mat1b scratch(size.height + baseline + 2 * margin, size.width + 2 * margin, uchar(0));
    cv::putText(scratch, text, cv::Point(margin, margin + size.height), font, scale, cv::Scalar(255),
                thickness, cv::LINE_AA);
    cv::Rect box = cv::boundingRect(scratch);
    cv::Mat1f mask;
    scratch(box).convertTo(mask, CV_32F, 1.0 / 255.0);
    return mask;
}

// Places `shape` into a canvas-sized mask, scaled to fit `box` (given in final pixels) while
// keeping its proportions stretched by `aspect` (width factor), centred in the box.
cv::Mat1f Place(const cv::Mat1f& shape, cv::Size canvasSize, cv::Rect2f box, float aspect = 1.0f) {
    float sx = box.width * kSuper / (shape.cols * aspect);
    float sy = box.height * kSuper / float(shape.rows);
    float s = std::min(sx, sy);
    cv::Size size(std::max(1, int(std::lround(shape.cols * aspect * s))),
                  std::max(1, int(std::lround(shape.rows * s))));
    cv::Mat1f scaled;
    cv::resize(shape, scaled, size, 0, 0, cv::INTER_AREA);
    cv::Mat1f out(canvasSize, 0.0f);
    int x0 = int(std::lround((box.x + box.width * 0.5f) * kSuper - size.width * 0.5f));
    int y0 = int(std::lround((box.y + box.height * 0.5f) * kSuper - size.height * 0.5f));
    cv::Rect target(x0, y0, size.width, size.height);
    cv::Rect clipped = target & cv::Rect(0, 0, canvasSize.width, canvasSize.height);
    scaled(cv::Rect(clipped.x - x0, clipped.y - y0, clipped.width, clipped.height)).copyTo(out(clipped));
    return out;
}

// Grows a mask by `radius` final pixels (a round brush).
cv::Mat1f Grow(const cv::Mat1f& mask, float radius) {
    int r = std::max(1, int(std::lround(radius * kSuper)));
    cv::Mat kernel = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * r + 1, 2 * r + 1));
    cv::Mat1f out;
    cv::dilate(mask, out, kernel);
    return out;
}

cv::Mat1f Shift(const cv::Mat1f& mask, float dx, float dy) {
    cv::Mat m = (cv::Mat_<double>(2, 3) << 1, 0, dx * kSuper, 0, 1, dy * kSuper);
    cv::Mat1f out;
    cv::warpAffine(mask, out, m, mask.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0));
    return out;
}

// The usual lettering treatment: optional soft glow, dark outline, drop shadow, ramp fill and a
// pale rim along the upper edge of each stroke.
struct LetterStyle {
    std::vector<cv::Vec3f> fill;
    cv::Vec3f outline = Rgb(12, 14, 34);
    float outlineWidth = 1.5f;
    cv::Vec3f glow = Rgb(0, 0, 0);
    float glowWidth = 0.0f;
    float shadow = 1.5f;
    float rim = 0.35f;
};

void PaintLetters(Canvas& canvas, const cv::Mat1f& letters, const LetterStyle& style, float top, float bottom) {
    cv::Size size = letters.size();
    if (style.glowWidth > 0.0f) {
        cv::Mat1f glow = Grow(letters, style.outlineWidth + style.glowWidth);
        Paint(canvas, glow, style.glow);
    }
    cv::Mat1f outline = Grow(letters, style.outlineWidth);
    if (style.shadow > 0.0f) Paint(canvas, Shift(outline, style.shadow, style.shadow), style.outline);
    Paint(canvas, outline, style.outline);
    Paint(canvas, letters, VerticalRamp(size, top * kSuper, bottom * kSuper, style.fill));
    if (style.rim > 0.0f) {
        // A pale rim along the top edge of every stroke: covered here, not covered just above.
        cv::Mat1f highlight = letters.mul(1.0f - Shift(letters, 0.0f, 0.8f)) * style.rim;
        Paint(canvas, highlight, Rgb(255, 255, 255));
    }
}

// A four-pointed sparkle at (cx, cy) final pixels.
cv::Mat1f Sparkle(cv::Size canvasSize, float cx, float cy, float radius) {
    cv::Mat1f out(canvasSize, 0.0f);
    float r = radius * kSuper;
    int x0 = std::max(0, int(cx * kSuper - r)), x1 = std::min(canvasSize.width, int(cx * kSuper + r) + 1);
    int y0 = std::max(0, int(cy * kSuper - r)), y1 = std::min(canvasSize.height, int(cy * kSuper + r) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            float dx = std::fabs(x - cx * kSuper) / r, dy = std::fabs(y - cy * kSuper) / r;
            float star = std::sqrt(dx) + std::sqrt(dy);  // astroid-like four points
            out(y, x) = Clamp01((1.0f - star) * 6.0f);
        }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The lettering files.

const std::vector<cv::Vec3f> kGold = {Rgb(255, 250, 205), Rgb(255, 214, 90), Rgb(236, 140, 24),
                                      Rgb(255, 196, 70)};
const std::vector<cv::Vec3f> kPale = {Rgb(255, 255, 250), Rgb(255, 246, 214), Rgb(255, 206, 120),
                                      Rgb(255, 238, 190)};
// A warm dark outline: the red key's filtering fringe then reads as part of it.
const cv::Vec3f kMaroon = Rgb(58, 8, 16);

cv::Mat3b MakeTitle() {
    const cv::Size size(400, 120);
    Canvas canvas = MakeCanvas(size);
    cv::Size hi = canvas.cover.size();

    cv::Mat1f word = Place(TextMask("TORVINEL", cv::FONT_HERSHEY_TRIPLEX | cv::FONT_ITALIC, 1.7),
                           hi, cv::Rect2f(10, 8, 380, 78), 1.0f);
    cv::Mat1f tag = Place(TextMask("SLICE THE FALLING GEMS", cv::FONT_HERSHEY_DUPLEX, 2.0), hi,
                          cv::Rect2f(60, 93, 280, 19));

    // The blade's cut: the word is split along a slanted line and its upper part slides along it.
    const float ax = 40, ay = 64, bx = 360, by = 34;  // the cut line in final pixels
    const float nx = -(by - ay), ny = bx - ax, len = std::sqrt(nx * nx + ny * ny);
    cv::Mat1f above(hi), gap(hi);
    for (int y = 0; y < hi.height; ++y)
        for (int x = 0; x < hi.width; ++x) {
            float d = ((x / float(kSuper) - ax) * nx + (y / float(kSuper) - ay) * ny) / len;  // >0 below
            above(y, x) = Clamp01(0.5f - d * kSuper * 0.5f);
            gap(y, x) = Clamp01((std::fabs(d) - 0.9f) * kSuper * 0.5f);
        }
    const float slideX = 4.0f, slideY = -0.4f;
    cv::Mat1f upper = Shift(word.mul(above), slideX, slideY);
    cv::Mat1f lower = word.mul(1.0f - above);
    cv::Mat upperCut = upper.mul(Shift(gap, slideX, slideY)), lowerCut = lower.mul(gap);
    cv::Mat cutMax;
    cv::max(upperCut, lowerCut, cutMax);
    cv::Mat1f cutWord = cutMax;

    LetterStyle big;
    big.fill = {Rgb(255, 255, 255), Rgb(190, 232, 255), Rgb(70, 130, 230), Rgb(20, 40, 120),
                Rgb(120, 200, 255), Rgb(235, 250, 255)};
    big.outline = Rgb(10, 12, 36);
    big.outlineWidth = 2.2f;
    big.glow = Rgb(20, 150, 150);  // teal, so the green key's filtering fringe reads as glow
    big.glowWidth = 2.2f;
    big.shadow = 2.5f;
    big.rim = 0.45f;
    PaintLetters(canvas, cutWord, big, 10, 86);

    // The blade's flash along the cut, thin and tapered, brightest in the middle.
    cv::Mat1f flash(hi, 0.0f);
    for (int y = 0; y < hi.height; ++y)
        for (int x = 0; x < hi.width; ++x) {
            float px = x / float(kSuper), py = y / float(kSuper);
            float along = ((px - ax) * (bx - ax) + (py - ay) * (by - ay)) / (len * len);
            float d = ((px - ax) * nx + (py - ay) * ny) / len;
            float u = along * 1.3f - 0.15f;  // stretch a little beyond the word
            if (u < 0.0f || u > 1.0f) continue;
            float halfWidth = 1.1f * std::sin(u * kPi);
            flash(y, x) = Clamp01((halfWidth - std::fabs(d)) * kSuper * 0.5f);
        }
    Paint(canvas, Grow(flash, 0.8f), Rgb(60, 220, 230));
    Paint(canvas, flash, Rgb(250, 255, 255));
    cv::Mat1f star = Sparkle(hi, 372, 28, 11);
    Paint(canvas, Grow(star, 1.0f), Rgb(20, 120, 130));
    Paint(canvas, star, Rgb(255, 255, 240));

    LetterStyle small;
    small.fill = {Rgb(255, 255, 255), Rgb(200, 246, 250), Rgb(90, 200, 220), Rgb(200, 246, 250)};
    small.outline = Rgb(8, 30, 44);
    small.outlineWidth = 1.4f;
    small.shadow = 1.0f;
    small.rim = 0.0f;
    PaintLetters(canvas, tag, small, 94, 109);
    return Resolve(canvas, size, kKeyGreen);
}

cv::Mat3b MakeLabel(const std::string& text, cv::Size size, cv::Rect2f box, const std::vector<cv::Vec3f>& fill,
                    float aspect = 1.0f) {
    Canvas canvas = MakeCanvas(size);
    cv::Mat1f letters = Place(TextMask(text, cv::FONT_HERSHEY_DUPLEX | cv::FONT_ITALIC, 2.2),
                              canvas.cover.size(), box, aspect);
    LetterStyle style;
    style.fill = fill;
    style.outline = kMaroon;
    style.outlineWidth = 1.4f;
    style.shadow = 1.2f;
    style.rim = 0.4f;
    PaintLetters(canvas, letters, style, box.y, box.y + box.height);
    return Resolve(canvas, size, kKeyRed);
}

// Shown at 1x across and 2x down, so it is painted at twice its height and squeezed.
cv::Mat3b MakeFinish() {
    const cv::Size shown(640, 160), size(640, 80);
    Canvas canvas = MakeCanvas(shown);
    cv::Size hi = canvas.cover.size();

    // A slanted band with chequered ends, like a finishing flag.
    cv::Mat1f band(hi, 0.0f), trim(hi, 0.0f), chequer(hi, 0.0f);
    for (int y = 0; y < hi.height; ++y)
        for (int x = 0; x < hi.width; ++x) {
            float px = (x + 0.5f) / kSuper, py = (y + 0.5f) / kSuper;
            float slant = (py - 80.0f) * 0.35f;
            float left = 24.0f - slant, right = 616.0f - slant;
            bool inBand = px >= left && px <= right && py >= 30.0f && py <= 130.0f;
            if (!inBand) continue;
            band(y, x) = 1.0f;
            if (py < 36.0f || py > 124.0f) trim(y, x) = 1.0f;
            float ex = std::min(px - left, right - px);
            if (ex < 60.0f && py >= 36.0f && py <= 124.0f) {
                int cx = int((px - left) / 14.67f), cy = int((py - 36.0f) / 14.67f);
                chequer(y, x) = ((cx + cy) % 2 == 0) ? 1.0f : 0.0f;
            }
        }
    Paint(canvas, Shift(band, 3, 4), Rgb(8, 6, 20));
    Paint(canvas, band, VerticalRamp(hi, 30 * kSuper, 130 * kSuper,
                                     {Rgb(40, 44, 96), Rgb(16, 16, 48), Rgb(10, 10, 30), Rgb(34, 30, 80)}));
    Paint(canvas, chequer, Rgb(236, 236, 244));
    Paint(canvas, trim, VerticalRamp(hi, 30 * kSuper, 130 * kSuper,
                                     {Rgb(255, 230, 120), Rgb(220, 120, 20), Rgb(255, 230, 120)}));

    cv::Mat1f letters = Place(TextMask("FINISH!", cv::FONT_HERSHEY_TRIPLEX | cv::FONT_ITALIC, 1.6), hi,
                              cv::Rect2f(120, 40, 400, 80));
    LetterStyle style;
    style.fill = kGold;
    style.outline = Rgb(60, 8, 20);
    style.outlineWidth = 2.4f;
    style.glow = Rgb(255, 246, 220);
    style.glowWidth = 1.2f;
    style.shadow = 3.0f;
    style.rim = 0.5f;
    PaintLetters(canvas, letters, style, 40, 120);
    return Resolve(canvas, size, kKeyRed);
}

// Ten 24x32 cells, 0 at the top; the background is the red key of the score digits. The glyphs are
// pale rather than pure white so that no colour of a digit is ever a key colour.
cv::Mat3b MakeDigits() {
    const int cellW = 24, cellH = 32;
    const cv::Size size(cellW, cellH * 10);
    Canvas canvas = MakeCanvas(size);
    cv::Size hi = canvas.cover.size();
    const int font = cv::FONT_HERSHEY_DUPLEX;
    const double scale = 12.0, perScale = 2.6;
    int thickness = int(std::lround(scale * perScale));
    // One common scale and baseline for all digits, so they line up on screen.
    int baseline = 0;
    cv::Size textSize = cv::getTextSize("0", font, scale, thickness, &baseline);
    const int margin = 60;
    cv::Size scratchSize(textSize.width * 2 + 2 * margin, textSize.height + 2 * margin);
    std::vector<cv::Mat1b> glyphs;
    cv::Rect common;
    for (int d = 0; d < 10; ++d) {
        cv::Mat1b scratch(scratchSize, uchar(0));
        cv::putText(scratch, std::to_string(d), cv::Point(margin, margin + textSize.height), font, scale,
                    cv::Scalar(255), thickness, cv::LINE_AA);
        cv::Rect box = cv::boundingRect(scratch);
        common = d == 0 ? box : (common | box);
        glyphs.push_back(scratch);
    }
    const cv::Rect2f glyphBox(2.5f, 3.0f, 19.0f, 26.0f);  // inside each cell, final pixels
    float s = std::min(glyphBox.width * kSuper / common.width, glyphBox.height * kSuper / common.height);
    cv::Mat1f letters(hi, 0.0f);
    for (int d = 0; d < 10; ++d) {
        cv::Rect box = cv::boundingRect(glyphs[d]);
        cv::Rect rows(box.x, common.y, box.width, common.height);
        cv::Mat1f glyph;
        glyphs[d](rows).convertTo(glyph, CV_32F, 1.0 / 255.0);
        cv::resize(glyph, glyph, cv::Size(), s, s, cv::INTER_AREA);
        int x0 = int(std::lround((glyphBox.x + glyphBox.width * 0.5f) * kSuper - glyph.cols * 0.5f));
        int y0 = int(std::lround((d * cellH + glyphBox.y) * kSuper));
        glyph.copyTo(letters(cv::Rect(x0, y0, glyph.cols, glyph.rows)));
    }
    LetterStyle style;
    style.outline = kMaroon;
    style.outlineWidth = 1.5f;
    style.shadow = 0.0f;
    style.rim = 0.0f;
    // The fill ramp repeats in every cell.
    cv::Mat3f fill(hi);
    cv::Mat3f cellRamp = VerticalRamp(cv::Size(hi.width, cellH * kSuper), glyphBox.y * kSuper,
                                      (glyphBox.y + glyphBox.height) * kSuper,
                                      {Rgb(255, 255, 250), Rgb(255, 248, 222), Rgb(255, 204, 110),
                                       Rgb(255, 240, 196)});
    for (int d = 0; d < 10; ++d) cellRamp.copyTo(fill(cv::Rect(0, d * cellH * kSuper, hi.width, cellH * kSuper)));
    Paint(canvas, Grow(letters, style.outlineWidth), style.outline);
    Paint(canvas, letters, fill);
    return Resolve(canvas, size, kKeyRed);
}

// The decimal point, drawn at its own size between the seconds and the tenths; its bottom lines up
// with the bottom of the 3x digits.
cv::Mat3b MakeDot() {
    const cv::Size size(32, 18);
    Canvas canvas = MakeCanvas(size);
    cv::Mat1b disc(canvas.cover.size(), uchar(0));
    cv::circle(disc, cv::Point(16 * kSuper, 10 * kSuper), int(6.0f * kSuper), cv::Scalar(255), cv::FILLED,
               cv::LINE_AA);
    cv::Mat1f dot;
    disc.convertTo(dot, CV_32F, 1.0 / 255.0);
    Paint(canvas, Grow(dot, 2.0f), kMaroon);
    Paint(canvas, dot, VerticalRamp(dot.size(), 5 * kSuper, 15 * kSuper,
                                    {Rgb(255, 255, 250), Rgb(255, 204, 110), Rgb(255, 240, 196)}));
    return Resolve(canvas, size, kKeyGreen);
}

// A framed panel; the game registers it but draws nothing with it.
cv::Mat3b MakeWindowPanel() {
    const cv::Size size(256, 128);
    Canvas canvas = MakeCanvas(size);
    cv::Size hi = canvas.cover.size();
    auto rounded = [&](float inset, float radius) {
        cv::Mat1b m(hi, uchar(0));
        int r = int(radius * kSuper), i = int(inset * kSuper);
        cv::Rect inner(i + r, i + r, hi.width - 2 * (i + r), hi.height - 2 * (i + r));
        cv::rectangle(m, cv::Rect(inner.x - r, inner.y, inner.width + 2 * r, inner.height), 255, cv::FILLED);
        cv::rectangle(m, cv::Rect(inner.x, inner.y - r, inner.width, inner.height + 2 * r), 255, cv::FILLED);
        for (cv::Point c : {inner.tl(), cv::Point(inner.br().x, inner.y), inner.br(), cv::Point(inner.x, inner.br().y)})
            cv::circle(m, c, r, 255, cv::FILLED, cv::LINE_AA);
        cv::Mat1f f;
        m.convertTo(f, CV_32F, 1.0 / 255.0);
        return f;
    };
    Paint(canvas, rounded(2, 14), VerticalRamp(hi, 0, hi.height, {Rgb(255, 220, 120), Rgb(200, 110, 20)}));
    Paint(canvas, rounded(5, 11), Rgb(14, 16, 44));
    Paint(canvas, rounded(7, 9), VerticalRamp(hi, 0, hi.height, {Rgb(40, 60, 140), Rgb(16, 22, 70), Rgb(10, 14, 44)}));
    cv::Mat3b out = Resolve(canvas, size, kKeyBlack);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Wrapping textures: every feature is computed with wrapped coordinates so that opposite edges meet.

float Hash(int x, int y, int seed) {
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / float(0xFFFFFF);
}

// Smooth value noise with cellsX x cellsY lattice cells across the tile, wrapping at its edges.
cv::Mat1f PeriodicNoise(cv::Size size, int cellsX, int cellsY, int seed) {
    cv::Mat1f out(size);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            float fx = float(x) * cellsX / size.width, fy = float(y) * cellsY / size.height;
            int ix = int(fx), iy = int(fy);
            float tx = Smooth(0, 1, fx - ix), ty = Smooth(0, 1, fy - iy);
            auto v = [&](int i, int j) { return Hash((i % cellsX + cellsX) % cellsX, (j % cellsY + cellsY) % cellsY, seed); };
            float a = v(ix, iy) * (1 - tx) + v(ix + 1, iy) * tx;
            float b = v(ix, iy + 1) * (1 - tx) + v(ix + 1, iy + 1) * tx;
            out(y, x) = a * (1 - ty) + b * ty;
        }
    return out;
}

cv::Mat1f Fractal(cv::Size size, int cellsX, int cellsY, int octaves, int seed) {
    cv::Mat1f sum(size, 0.0f);
    float amp = 1.0f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += PeriodicNoise(size, cellsX << o, cellsY << o, seed + o * 17) * amp;
        total += amp;
        amp *= 0.5f;
    }
    return sum / total;
}

// Nearest and second-nearest of a set of sites on a wrapping tile.
struct Cells {
    cv::Mat1i nearest;
    cv::Mat1f edge;    // distance to the border with the next cell, in pixels
    cv::Mat2f offset;  // wrapped offset from the nearest site
};

Cells Voronoi(cv::Size size, const std::vector<cv::Point2f>& sites) {
    Cells cells{cv::Mat1i(size), cv::Mat1f(size), cv::Mat2f(size)};
    float w = float(size.width), h = float(size.height);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            float best = 1e9f, second = 1e9f;
            int bestIndex = 0;
            cv::Vec2f bestOffset;
            for (size_t i = 0; i < sites.size(); ++i) {
                float dx = x + 0.5f - sites[i].x, dy = y + 0.5f - sites[i].y;
                dx -= w * std::round(dx / w);
                dy -= h * std::round(dy / h);
                float d = dx * dx + dy * dy;
                if (d < best) {
                    second = best;
                    best = d;
                    bestIndex = int(i);
                    bestOffset = cv::Vec2f(dx, dy);
                } else if (d < second) {
                    second = d;
                }
            }
            cells.nearest(y, x) = bestIndex;
            // For points near the border, (d2 - d1) / (2 * site spacing) approximates the distance to it.
            cells.edge(y, x) = (std::sqrt(second) - std::sqrt(best)) * 0.5f;
            cells.offset(y, x) = bestOffset;
        }
    return cells;
}

std::vector<cv::Point2f> Sites(cv::Size size, int count, unsigned seed) {
    std::mt19937 random(seed);
    // Jittered grid: even coverage, no tiny slivers.
    int n = int(std::ceil(std::sqrt(float(count))));
    std::uniform_real_distribution<float> jitter(0.15f, 0.85f);
    std::vector<cv::Point2f> sites;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            sites.emplace_back((i + jitter(random)) * size.width / n, (j + jitter(random)) * size.height / n);
    return sites;
}

// Texture pixels may never be pure black: black is the key of the surface textures.
cv::Mat3b ToImage(const cv::Mat3f& colour) {
    cv::Mat3b out;
    colour.convertTo(out, CV_8U);
    for (auto& p : cv::Mat_<cv::Vec3b>(out))
        if (p == kKeyBlack) p = cv::Vec3b(1, 1, 1);
    return out;
}

// The tube: riveted blue plates in rings, brushed along the tube, with glowing light strips in every
// other groove so that the scrolling reads as speed. The texture repeats twice around the tube and
// fifteen times along it, so one tile is roughly square on screen.
cv::Mat3b MakeTube() {
    const cv::Size size(256, 256);
    // Plate grid, shifted so that no groove runs along a tile edge.
    const int plate = 64, offsetX = 16, offset = 32;
    cv::Mat1f brushed = Fractal(size, 32, 2, 3, 11);
    cv::Mat1f grain = Fractal(size, 16, 16, 4, 23);
    cv::Mat1f stain = Fractal(size, 2, 2, 3, 37);
    cv::Mat3f out(size);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            // Rings of plates, every other ring shifted by half a plate like brickwork.
            int plateRow = ((y + offset) / plate) % 4;
            int xs = x + offsetX + (plateRow % 2) * (plate / 2);
            int px = xs % plate, py = (y + offset) % plate;
            int plateCol = (xs / plate) % 4;
            float dEdge = float(std::min({px, py, plate - 1 - px, plate - 1 - py}));
            cv::Vec3f base = Mix(Rgb(22, 46, 120), Rgb(44, 84, 170), brushed(y, x));
            base *= 0.8f + 0.35f * grain(y, x) + 0.1f * Hash(plateCol, plateRow, 5);
            base = Mix(base, Rgb(18, 30, 80), 0.5f * Smooth(0.45f, 0.8f, stain(y, x)));
            // Bevel: lit from above-left inside each plate.
            if (dEdge < 4.0f) {
                float lit = (py < 4 || px < 4) ? 1.35f : 0.6f;
                base *= Mix(cv::Vec3f(lit, lit, lit), cv::Vec3f(1, 1, 1), dEdge / 4.0f)[0];
            }
            // Grooves between plates.
            if (px == 0 || py == 0) base = Rgb(8, 12, 30);
            // Rivets near the plate corners.
            for (float rx : {7.0f, plate - 8.0f})
                for (float ry : {7.0f, plate - 8.0f}) {
                    float dx = px - rx, dy = py - ry, r = std::sqrt(dx * dx + dy * dy);
                    if (r < 2.6f) {
                        float shade = 1.0f - (dx + dy) * 0.12f;
                        base = Mix(base, Rgb(150, 180, 230) * shade, Smooth(2.6f, 1.8f, r));
                    }
                }
            // Light strips in the groove above every even ring, with a soft halo.
            float dStrip = float(std::min(py, plate - py));
            int nearestGrooveRing = ((y + offset + plate / 2) / plate) % 2;
            if (nearestGrooveRing == 0) {
                float core = Smooth(2.2f, 0.8f, dStrip);
                float halo = std::exp(-dStrip / 5.0f) * 0.55f;
                base = Mix(base, Rgb(90, 220, 255), std::min(1.0f, halo));
                base = Mix(base, Rgb(225, 252, 255), core);
            }
            out(y, x) = base;
        }
    return ToImage(out);
}

// The gem's skin: facets of varying red with bright rims and a few glints. Texture coordinates are
// the model's x and y on a unit sphere, so a tile spans half a gem.
cv::Mat3b MakeGemSkin() {
    const cv::Size size(256, 256);
    std::vector<cv::Point2f> sites = Sites(size, 36, 7u);
    Cells cells = Voronoi(size, sites);
    std::mt19937 random(99u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> shade(sites.size()), angle(sites.size());
    for (size_t i = 0; i < sites.size(); ++i) {
        shade[i] = unit(random);
        angle[i] = unit(random) * 2.0f * kPi;
    }
    cv::Mat1f noise = Fractal(size, 8, 8, 3, 51);
    cv::Mat3f out(size);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            int i = cells.nearest(y, x);
            cv::Vec2f o = cells.offset(y, x);
            // Each facet is a flat mirror: one tone plus a gentle sheen across it.
            float sheen = (o[0] * std::cos(angle[i]) + o[1] * std::sin(angle[i])) / 40.0f;
            float t = Clamp01(shade[i] * 0.85f + sheen * 0.35f + 0.1f * (noise(y, x) - 0.5f));
            cv::Vec3f c = t < 0.5f ? Mix(Rgb(70, 4, 16), Rgb(196, 18, 40), t * 2.0f)
                                   : Mix(Rgb(196, 18, 40), Rgb(255, 110, 120), (t - 0.5f) * 2.0f);
            float e = cells.edge(y, x);
            c = Mix(c, Rgb(255, 200, 205), Smooth(1.6f, 0.3f, e) * 0.8f);  // rim light on facet edges
            c = Mix(c, Rgb(40, 0, 8), Smooth(3.5f, 1.6f, e) * Smooth(0.3f, 1.6f, e) * 0.35f);  // dark bevel
            out(y, x) = c;
        }
    // Glints, wrapped so that one on an edge reappears on the other side.
    Canvas canvas = MakeCanvas(size);
    for (cv::Point2f g : {cv::Point2f(40, 60), cv::Point2f(170, 30), cv::Point2f(210, 180), cv::Point2f(90, 200),
                          cv::Point2f(250, 120)})
        for (int wy = -1; wy <= 1; ++wy)
            for (int wx = -1; wx <= 1; ++wx)
                Paint(canvas, Sparkle(canvas.cover.size(), g.x + wx * 256, g.y + wy * 256, 7), Rgb(255, 240, 240));
    cv::Mat3f glint;
    cv::Mat1f cover;
    cv::resize(canvas.colour, glint, size, 0, 0, cv::INTER_AREA);
    cv::resize(canvas.cover, cover, size, 0, 0, cv::INTER_AREA);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) out(y, x) = out(y, x) * (1.0f - cover(y, x)) + glint(y, x);
    return ToImage(out);
}

// The inside of a cut gem: pale rose crystal with shard lines and a glow in the middle. A cut face
// shows about one tile, centred on the tile's middle; the glow fades out before the edges so the
// tile still wraps.
cv::Mat3b MakeCutSurface() {
    const cv::Size size(256, 256);
    std::vector<cv::Point2f> sites = Sites(size, 25, 31u);
    Cells cells = Voronoi(size, sites);
    std::mt19937 random(5u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> shade(sites.size());
    for (float& s : shade) s = unit(random);
    cv::Mat1f streaks = Fractal(size, 4, 32, 3, 71);
    cv::Mat1f cloud = Fractal(size, 4, 4, 4, 83);
    cv::Mat3f out(size);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
            int i = cells.nearest(y, x);
            float t = Clamp01(0.35f + 0.4f * shade[i] + 0.35f * (cloud(y, x) - 0.5f) + 0.2f * (streaks(y, x) - 0.5f));
            cv::Vec3f c = Mix(Rgb(214, 70, 100), Rgb(255, 196, 206), t);
            float e = cells.edge(y, x);
            c = Mix(c, Rgb(255, 248, 250), Smooth(1.4f, 0.2f, e) * 0.85f);
            c = Mix(c, Rgb(170, 40, 70), Smooth(3.0f, 1.4f, e) * Smooth(0.2f, 1.4f, e) * 0.3f);
            float dx = (x + 0.5f - 128.0f) / 128.0f, dy = (y + 0.5f - 128.0f) / 128.0f;
            float r = std::sqrt(dx * dx + dy * dy);
            float glow = Smooth(0.95f, 0.0f, r);
            c = Mix(c, Rgb(255, 246, 236), glow * glow * 0.55f);
            // Crystal rays from the heart of the gem, fading out well inside the tile.
            float a = std::atan2(dy, dx) + 0.6f * (streaks(y, x) - 0.5f);
            float ray = std::pow(std::fabs(std::sin(a * 4.5f)), 24.0f) + 0.6f * std::pow(std::fabs(std::sin(a * 7.0f + 1.3f)), 40.0f);
            c = Mix(c, Rgb(255, 255, 255), Clamp01(ray) * Smooth(0.9f, 0.15f, r) * 0.6f);
            out(y, x) = c;
        }
    return ToImage(out);
}

// ---------------------------------------------------------------------------------------------
// The menu icon: a red gem sliced by the blade, over the view up the blue tube. Painted once at a
// large size with premultiplied colour and reduced by area averaging to each size the icon theme
// wants, so the small sizes come out smooth.

// Bilinear sample of a wrapping texture at (x, y) in its own pixels.
cv::Vec3f SampleWrapped(const cv::Mat3b& image, float x, float y) {
    const float fx = std::floor(x), fy = std::floor(y), tx = x - fx, ty = y - fy;
    auto at = [&](int i, int j) {
        return cv::Vec3f(image((j % image.rows + image.rows) % image.rows, (i % image.cols + image.cols) % image.cols));
    };
    const int i = int(fx), j = int(fy);
    return Mix(Mix(at(i, j), at(i + 1, j), tx), Mix(at(i, j + 1), at(i + 1, j + 1), tx), ty);
}

// Coverage of a shape whose signed distance (negative inside) is `d`, with an edge one pixel wide.
float Inside(float d, float pixel) { return Clamp01(0.5f - d / pixel); }

cv::Mat4f PaintIcon(int size, const cv::Mat3b& tube, const cv::Mat3b& skin, const cv::Mat3b& cut) {
    cv::Mat4f out(size, size, cv::Vec4f(0, 0, 0, 0));
    const float pixel = 2.0f / size;
    // The gem, its cut line (direction d, normal n pointing down the picture) and the upper
    // half lifted away along the cut.
    const float cx = 0.0f, cy = 0.06f, radius = 0.5f, faceDepth = 0.32f * radius;
    const float tilt = 20.0f * kPi / 180.0f;
    const float dx = std::cos(tilt), dy = -std::sin(tilt), nx = -dy, ny = dx;
    const float liftX = -nx * 0.27f + dx * 0.05f, liftY = -ny * 0.27f + dy * 0.05f;
    const cv::Vec3f light = cv::normalize(cv::Vec3f(-0.45f, 0.55f, 0.7f));
    const float outline = 0.022f;

    // The gem's skin at a point of the disc (offsets from its centre), lit as a sphere.
    auto skinAt = [&](float ox, float oy) {
        const float x = ox / radius, y = -oy / radius, z = std::sqrt(std::max(0.0f, 1.0f - x * x - y * y));
        const cv::Vec3f normal(x, y, z);
        const float diffuse = std::max(0.0f, normal.dot(light));
        const cv::Vec3f mirror = normal * (2.0f * normal.dot(light)) - light;
        const float shine = std::pow(std::max(0.0f, mirror[2]), 24.0f);
        cv::Vec3f c = SampleWrapped(skin, (x * 0.5f + 0.5f) * skin.cols, (0.5f - y * 0.5f) * skin.rows);
        c = c * (0.35f + 0.85f * diffuse) + Rgb(255, 245, 245) * (0.7f * shine);
        // A cool rim from the tube's light.
        return Mix(c, Rgb(120, 210, 255), 0.35f * std::pow(1.0f - z, 3.0f));
    };
    // Distance (negative inside) from the cut line, from the gem's circle and from the ellipse
    // that the flat cut face makes when seen from a little above.
    auto alongCut = [&](float ox, float oy) { return ox * dx + oy * dy; };
    auto acrossCut = [&](float ox, float oy) { return ox * nx + oy * ny; };
    auto circle = [&](float ox, float oy) { return std::sqrt(ox * ox + oy * oy) - radius; };
    auto face = [&](float ox, float oy) {
        const float a = alongCut(ox, oy) / radius, b = acrossCut(ox, oy) / faceDepth;
        return (std::sqrt(a * a + b * b) - 1.0f) * faceDepth;
    };

    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            const float u = (col + 0.5f) * pixel - 1.0f, v = (row + 0.5f) * pixel - 1.0f;
            // Rounded square.
            const float half = 0.9f, corner = 0.26f;
            const float qx = std::max(std::fabs(u) - half + corner, 0.0f), qy = std::max(std::fabs(v) - half + corner, 0.0f);
            const float box = std::sqrt(qx * qx + qy * qy) - corner;
            const float cover = Inside(box, pixel);
            if (cover <= 0.0f) continue;

            // Looking up the tube: angle around it and depth into it, fogged towards the far end.
            const float r = std::max(0.02f, std::sqrt(u * u + (v + 0.1f) * (v + 0.1f)));
            const float around = std::atan2(v + 0.1f, u) / (2.0f * kPi) + 0.5f;
            const float depth = 0.7f / r;
            cv::Vec3f c = SampleWrapped(tube, around * 2.0f * tube.cols, depth * 0.5f * tube.rows);
            c *= std::pow(Clamp01((r - 0.05f) / 0.9f), 1.3f) * 1.15f;
            // Dark frame with a thin light line inside it.
            c = Mix(c, Rgb(150, 230, 255), 0.7f * Clamp01(1.0f - std::fabs(box + 0.045f) / 0.012f));
            c = Mix(c, Rgb(6, 10, 30), Inside(-box - 0.035f, pixel));

            // The lower half: its skin below the cut, its flat face above, all outlined.
            const float lx = u - cx, ly = v - cy;
            const float lower = std::max(circle(lx, ly), std::min(-acrossCut(lx, ly), face(lx, ly)));
            c = Mix(c, Rgb(40, 4, 14), Inside(lower - outline, pixel));
            if (lower < 0.0f) {
                const float on = Inside(lower, pixel);
                if (face(lx, ly) < 0.0f) {
                    const float a = alongCut(lx, ly) / radius, b = acrossCut(lx, ly) / faceDepth;
                    cv::Vec3f inner = SampleWrapped(cut, (a * 0.5f + 0.5f) * cut.cols, (b * 0.5f + 0.5f) * cut.rows);
                    inner *= 1.05f - 0.2f * b;
                    // A thin dark rim where the face meets the skin.
                    const float rim = Clamp01(1.0f + face(lx, ly) / (outline * 0.6f));
                    c = Mix(c, Mix(inner, Rgb(40, 4, 14), rim), on);
                } else {
                    c = Mix(c, skinAt(lx, ly), on);
                }
            }
            // The upper half, lifted along the cut.
            const float hx = lx - liftX, hy = ly - liftY;
            const float upper = std::max(circle(hx, hy), std::min(acrossCut(hx, hy), face(hx, hy)));
            c = Mix(c, Rgb(40, 4, 14), Inside(upper - outline, pixel));
            if (upper < 0.0f) c = Mix(c, skinAt(hx, hy), Inside(upper, pixel));

            // The blade's flash along the cut, tapered at both ends.
            const float fx = lx - liftX * 0.5f, fy = ly - liftY * 0.5f;
            const float t = alongCut(fx, fy) / (radius * 1.35f);
            if (std::fabs(t) < 1.0f) {
                const float width = 0.03f * std::cos(t * kPi * 0.5f), off = std::fabs(acrossCut(fx, fy));
                c = Mix(c, Rgb(60, 220, 240), 0.6f * Clamp01(1.0f - off / (width * 2.5f)));
                c = Mix(c, Rgb(250, 255, 255), Inside(off - width * 0.5f, pixel));
            }
            out(row, col) = cv::Vec4f(c[0] * cover, c[1] * cover, c[2] * cover, cover);
        }
    return out;
}

// Writes <folder>/<n>x<n>/torvinel.png for each size, with an alpha channel.
int WriteIcons(const std::string& folder, const cv::Mat3b& tube, const cv::Mat3b& skin, const cv::Mat3b& cut) {
    const cv::Mat4f master = PaintIcon(1024, tube, skin, cut);
    int failures = 0;
    for (int size : {48, 64, 128, 256}) {
        cv::Mat4f small;
        cv::resize(master, small, cv::Size(size, size), 0, 0, cv::INTER_AREA);
        cv::Mat4b icon(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const cv::Vec4f p = small(y, x);
                const float a = p[3] > 0.0f ? p[3] : 1.0f;
                icon(y, x) = cv::Vec4b(cv::saturate_cast<uchar>(p[0] / a), cv::saturate_cast<uchar>(p[1] / a),
                                       cv::saturate_cast<uchar>(p[2] / a), cv::saturate_cast<uchar>(p[3] * 255.0f));
            }
        const std::string dir = folder + "/" + std::to_string(size) + "x" + std::to_string(size);
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (!cv::imwrite(dir + "/torvinel.png", icon, {cv::IMWRITE_PNG_COMPRESSION, 9})) {
            std::fprintf(stderr, "make_images: could not write %s/torvinel.png\n", dir.c_str());
            ++failures;
        }
    }
    return failures;
}

// ---------------------------------------------------------------------------------------------
// Preview: the pictures composited the way the game shows them.

// Draws `image` with its key transparent at (x, y), scaled, with linear filtering of colour and
// key-made alpha as the game's textures are filtered, then alpha-tested and blended.
void Blit(cv::Mat3b& screen, const cv::Mat3b& image, const cv::Vec3b& key, int x, int y, float sx, float sy) {
    cv::Mat4f rgba(image.size());
    for (int j = 0; j < image.rows; ++j)
        for (int i = 0; i < image.cols; ++i) {
            cv::Vec3b p = image(j, i);
            rgba(j, i) = cv::Vec4f(p[0], p[1], p[2], p == key ? 0.0f : 1.0f);
        }
    cv::Size size(int(image.cols * sx), int(image.rows * sy));
    cv::Mat4f scaled;
    cv::resize(rgba, scaled, size, 0, 0, cv::INTER_LINEAR);
    for (int j = 0; j < size.height; ++j)
        for (int i = 0; i < size.width; ++i) {
            int X = x + i, Y = y + j;
            if (X < 0 || Y < 0 || X >= screen.cols || Y >= screen.rows) continue;
            cv::Vec4f s = scaled(j, i);
            if (s[3] <= 0.0f) continue;
            cv::Vec3b& d = screen(Y, X);
            for (int c = 0; c < 3; ++c) d[c] = cv::saturate_cast<uchar>(s[c] * s[3] + d[c] * (1.0f - s[3]));
        }
}

void WritePreview(const std::string& path, const cv::Mat3b& tube, const cv::Mat3b& skin, const cv::Mat3b& cut,
                  const cv::Mat3b& title, const cv::Mat3b& prompt, const cv::Mat3b& score, const cv::Mat3b& time,
                  const cv::Mat3b& ranking, const cv::Mat3b& finish, const cv::Mat3b& digits, const cv::Mat3b& dot,
                  const cv::Mat3b& panel) {
    const int W = 1280, H = 720;
    // Top row: the title, game and ranking screens over a fogged tube wall. Bottom row: the sheets.
    auto backdrop = [&](int shift) {
        cv::Mat3b screen(H, W);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                float fog = 0.2f + 0.45f * std::fabs(x - W / 2.0f) / W;
                screen(y, x) = tube((y * 2 + shift) % 256, (x * 2) % 256) * fog;
            }
        return screen;
    };
    auto digit = [&](int q) { return cv::Mat3b(digits(cv::Rect(0, (q % 10) * 32, 24, 32)).clone()); };
    auto drawScore = [&](cv::Mat3b& screen, int shown) {
        Blit(screen, score, kKeyRed, 162, 0, 3, 3);
        const int places[4] = {shown / 1000, shown / 100, shown / 10, shown};
        for (int k = 0; k < 4; ++k) Blit(screen, digit(places[k]), kKeyRed, 162 + 72 * k, 90, 3, 3);
    };

    cv::Mat3b titleScreen = backdrop(0);
    Blit(titleScreen, title, kKeyGreen, W / 2 - title.cols, 100, 2, 2);
    Blit(titleScreen, prompt, kKeyRed, W / 2 - prompt.cols, H - 100, 2, 2);

    cv::Mat3b gameScreen = backdrop(40);
    drawScore(gameScreen, 1234);
    const int x0 = W - 576, t = 359;
    Blit(gameScreen, time, kKeyRed, x0, 0, 3, 3);
    const int q[4] = {t / 6000, t / 600, t / 60, t / 6};
    const int dx[4] = {72, 144, 216, 360};
    for (int k = 0; k < 4; ++k) Blit(gameScreen, digit(q[k]), kKeyRed, x0 + dx[k], 90, 3, 3);
    Blit(gameScreen, dot, kKeyGreen, x0 + 308, 160, 1, 1);
    Blit(gameScreen, finish, kKeyRed, 320, 380, 1, 2);  // the ranking scene shows it alone at y 100

    cv::Mat3b rankingScreen = backdrop(80);
    Blit(rankingScreen, ranking, kKeyRed, int(W / 1.7), 0, 3, 3);
    for (int i = 0; i < 8; ++i) {
        int x = int(W / 1.5), y = 100 + 100 * i, v = 1200 - 130 * i;
        Blit(rankingScreen, digit(i + 1), kKeyRed, x - 72, y, 3, 3);
        const int p[4] = {v / 1000, v / 100, v / 10, v};
        for (int k = 0; k < 4; ++k) Blit(rankingScreen, digit(p[k]), kKeyRed, x + 72 * (k + 1), y, 3, 3);
    }
    drawScore(rankingScreen, 1234);
    Blit(rankingScreen, prompt, kKeyRed, W / 2 - prompt.cols, H - 2 * prompt.rows, 2, 2);

    // Below: the wrapping textures tiled 2x2, a gem and a cut gem lit as spheres, and the digits.
    cv::Mat3b sheet(H, 3 * W, cv::Vec3b(30, 24, 24));
    auto tiled = [&](const cv::Mat3b& img, int x, int y) {
        cv::Mat3b big;
        cv::repeat(img, 2, 2, big);
        big.copyTo(sheet(cv::Rect(x, y, big.cols, big.rows)));
    };
    tiled(tube, 20, 20);
    tiled(skin, 552, 20);
    tiled(cut, 1084, 20);
    // A gem of radius 1 seen along z: the skin uses (x, y) as texture coordinates, the cut face at
    // z = 0 of the right-hand gem uses (x, y) * 0.5 - 0.5.
    auto sample = [](const cv::Mat3b& img, float s, float t) {
        float u = s - std::floor(s), v = t - std::floor(t);
        int i = std::min(img.cols - 1, int(u * img.cols));
        int j = std::min(img.rows - 1, int((1.0f - v) * img.rows));  // t runs up the picture
        return cv::Vec3f(img(j, i));
    };
    for (int g = 0; g < 2; ++g) {
        const int cx = 1760 + g * 300, cy = 200, r = 130;
        for (int j = -r; j <= r; ++j)
            for (int i = -r; i <= r; ++i) {
                float x = i / float(r), y = -j / float(r), rr = x * x + y * y;
                if (rr > 1.0f) continue;
                cv::Vec3f c;
                if (g == 1 && x > -0.2f) {
                    c = sample(cut, x * 0.5f - 0.5f, y * 0.5f - 0.5f) * 0.95f;
                } else {
                    float z = std::sqrt(1.0f - rr);
                    float light = 0.25f + 0.75f * std::max(0.0f, -0.4f * x + 0.5f * y + 0.77f * z);
                    c = sample(skin, x, y) * light;
                }
                sheet(cy + j, cx + i) = cv::Vec3b(cv::saturate_cast<uchar>(c[0]), cv::saturate_cast<uchar>(c[1]),
                                                  cv::saturate_cast<uchar>(c[2]));
            }
    }
    cv::Mat3b digitBig;
    cv::resize(digits, digitBig, cv::Size(), 2, 2, cv::INTER_NEAREST);
    digitBig.copyTo(sheet(cv::Rect(2480, 40, digitBig.cols, digitBig.rows)));
    Blit(sheet, finish, kKeyRed, 1640, 380, 1, 2);
    cv::Mat3b panelShown = panel;
    Blit(sheet, panelShown, kKeyBlack, 1660, 560, 1, 1);

    cv::Mat3b top, all;
    cv::hconcat(std::vector<cv::Mat>{titleScreen, gameScreen, rankingScreen}, top);
    cv::vconcat(top, sheet, all);
    cv::imwrite(path, all);
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = "data/res/game";
    std::string preview;
    std::string icons;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--preview" && i + 1 < argc) {
            preview = argv[++i];
        } else if (arg == "--icons" && i + 1 < argc) {
            icons = argv[++i];
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "usage: %s [output-folder] [--icons icon-folder] [--preview preview.png]\n", argv[0]);
            return 2;
        } else {
            folder = arg;
        }
    }

    const cv::Mat3b tube = MakeTube();
    const cv::Mat3b skin = MakeGemSkin();
    const cv::Mat3b cut = MakeCutSurface();
    const cv::Mat3b title = MakeTitle();
    const cv::Mat3b prompt = MakeLabel("PRESS SPACE", cv::Size(240, 40), cv::Rect2f(6, 5, 228, 29), kPale);
    const cv::Mat3b score = MakeLabel("SCORE", cv::Size(96, 28), cv::Rect2f(3, 3, 88, 21), kGold);
    // Centred over the time digits, which start 24 label pixels (72 screen pixels) in.
    const cv::Mat3b time = MakeLabel("TIME", cv::Size(144, 28), cv::Rect2f(24, 3, 120, 21), kGold);
    const cv::Mat3b ranking = MakeLabel("RANKING", cv::Size(168, 30), cv::Rect2f(3, 3, 160, 23), kGold);
    const cv::Mat3b finish = MakeFinish();
    const cv::Mat3b paused = MakeLabel("PAUSED", cv::Size(192, 48), cv::Rect2f(6, 6, 180, 36), kGold);
    const cv::Mat3b resume = MakeLabel("ENTER OR START TO PLAY ON", cv::Size(420, 32), cv::Rect2f(6, 5, 408, 22), kPale);
    // The sound overlay's names, one size so that the bars after them line up.
    const cv::Mat3b music = MakeLabel("MUSIC", cv::Size(128, 28), cv::Rect2f(3, 3, 122, 21), kGold);
    const cv::Mat3b effects = MakeLabel("EFFECTS", cv::Size(128, 28), cv::Rect2f(3, 3, 122, 21), kGold);
    const cv::Mat3b muted = MakeLabel("MUTED", cv::Size(128, 28), cv::Rect2f(3, 3, 122, 21), kPale);
    // A watched run's corner label: "REPLAY", then its pace (none at normal speed), each as wide as
    // its text so the pace follows the word at a fixed gap.
    const cv::Mat3b replay = MakeLabel("REPLAY", cv::Size(118, 32), cv::Rect2f(4, 5, 110, 22), kGold);
    const cv::Mat3b replayHalf = MakeLabel("1/2x", cv::Size(66, 32), cv::Rect2f(4, 5, 58, 22), kPale);
    const cv::Mat3b replayDouble = MakeLabel("2x", cv::Size(40, 32), cv::Rect2f(4, 5, 32, 22), kPale);
    const cv::Mat3b replayFour = MakeLabel("4x", cv::Size(40, 32), cv::Rect2f(4, 5, 32, 22), kPale);
    const cv::Mat3b replayPaused = MakeLabel("PAUSED", cv::Size(120, 32), cv::Rect2f(4, 5, 112, 22), kPale);
    const cv::Mat3b digits = MakeDigits();
    const cv::Mat3b dot = MakeDot();
    const cv::Mat3b panel = MakeWindowPanel();

    struct Output {
        const char* name;
        const cv::Mat3b* image;
    };
    const Output outputs[] = {
        {"UIwindow.jpg", &panel}, {"num.png", &digits},       {"blue.png", &tube},        {"k_red.png", &skin},
        {"CutSurf.png", &cut},    {"title.png", &title},      {"dot.png", &dot},          {"SCORE.png", &score},
        {"pressspace.png", &prompt}, {"timelimit.png", &time}, {"RANKING.png", &ranking}, {"finish.png", &finish},
        {"paused.png", &paused},  {"resume.png", &resume},   {"music.png", &music},      {"effects.png", &effects},
        {"muted.png", &muted},    {"replay.png", &replay},   {"replay_half.png", &replayHalf},
        {"replay_double.png", &replayDouble}, {"replay_four.png", &replayFour}, {"replay_paused.png", &replayPaused},
    };
    int failures = 0;
    for (const Output& o : outputs) {
        std::string path = folder + "/" + o.name;
        bool ok = false;
        try {
            std::vector<int> params;
            if (path.size() > 4 && path.substr(path.size() - 4) == ".jpg") params = {cv::IMWRITE_JPEG_QUALITY, 95};
            else params = {cv::IMWRITE_PNG_COMPRESSION, 9};
            ok = cv::imwrite(path, *o.image, params);
        } catch (const cv::Exception& e) {
            std::fprintf(stderr, "make_images: %s: %s\n", path.c_str(), e.what());
        }
        if (!ok) {
            std::fprintf(stderr, "make_images: could not write %s\n", path.c_str());
            ++failures;
        }
    }
    if (!icons.empty()) failures += WriteIcons(icons, tube, skin, cut);
    if (!preview.empty())
        WritePreview(preview, tube, skin, cut, title, prompt, score, time, ranking, finish, digits, dot, panel);
    return failures == 0 ? 0 : 1;
}
