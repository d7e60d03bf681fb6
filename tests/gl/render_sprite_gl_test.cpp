// Sprites drawn into a real frame buffer: keyed pixels, placement, cells and the state left over.
#include <gtest/gtest.h>

#include <climits>

#include "RenderGlHelpers.h"
#include "render/Sprite.h"

namespace {

using rendertest::Pixel;
using rendertest::Px;

const Px kBack{50, 60, 70}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

struct Probe {
    int x, y;
    Px rgb;
};

void ExpectPixels(std::initializer_list<Probe> probes) {
    for (const Probe& p : probes) EXPECT_EQ(Pixel(p.x, p.y), p.rgb) << p.x << "," << p.y;
}

// Everything a 3D pass after a sprite relies on.
void ExpectStateAfterSprite(const char* which) {
    SCOPED_TRACE(which);
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_CULL_FACE})
        EXPECT_TRUE(glIsEnabled(cap)) << cap;
    for (GLenum cap : {GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D})
        EXPECT_FALSE(glIsEnabled(cap)) << cap;
    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(depth, 1);  // the push was popped
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(projection[i], (i % 5 == 0) ? 1.0f : 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

Texture Load(const std::string& name, const cv::Mat& picture, int rows, ColorKey key) {
    Texture texture;
    LoadTexture(texture, rendertest::WritePicture(name, picture).c_str(), rows, key);
    EXPECT_TRUE(TextureLoaded(texture)) << name;
    return texture;
}

}  // namespace

TEST(SpriteGl, KeyedPixelsKeepTheFrameOpaqueOnesReplaceItAndCellsShowTheirBand) {
    rendertest::ClearFrame(50, 60, 70);
    // 20 x 10: left half the key colour red; right half green on top, blue below.
    cv::Mat picture(10, 20, CV_8UC3, cv::Scalar(0, 0, 255));
    picture(cv::Rect(10, 0, 10, 5)).setTo(cv::Scalar(0, 255, 0));
    picture(cv::Rect(10, 5, 10, 5)).setTo(cv::Scalar(255, 0, 0));
    Texture half = Load("halfkeyed.png", picture, 1, ColorKey{255, 0, 0});
    DrawSprite(&half, 100, 50);
    rendertest::Screenshot("sprite_keyed");
    // Keyed: unchanged; upright halves; nothing past x 100 + 20 or y 50 + 10.
    ExpectPixels({{103, 53, kBack}, {116, 52, kGreen}, {116, 57, kBlue}, {121, 55, kBack},
                  {116, 61, kBack}});
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_REPLACE);
    ExpectStateAfterSprite("DrawSprite");
    // A keyed pixel over something already drawn keeps that too; x 90..130, y 50..70.
    DrawSpriteScaled(&half, 90, 50, 2.0f, 2.0f);
    ExpectPixels({{103, 53, kBack}, {125, 55, kGreen}, {125, 67, kBlue}, {132, 60, kBack}});
    ExpectStateAfterSprite("DrawSpriteScaled");

    // Column 1 of a one-column picture shows the whole width again (REPEAT).
    rendertest::ClearFrame(50, 60, 70);
    DrawSpriteCell(&half, 1, 1, 100, 50, 1.0f, 1.0f);
    ExpectPixels({{103, 53, kBack}, {116, 52, kGreen}, {116, 57, kBlue}});

    // Ten bands of 4 rows, band k (from the top) with red 20 * k + 10; cells 64 x 32 pixels.
    rendertest::ClearFrame(0, 0, 0);
    cv::Mat bands(40, 8, CV_8UC3);
    for (int k = 0; k < 10; ++k)
        bands(cv::Rect(0, 4 * k, 8, 4)).setTo(cv::Scalar(5, 5, 20 * k + 10));
    Texture digits = Load("bands.png", bands, 10, ColorKey{});
    // Row 10 is the top band, row 1 the bottom one, row 10 - 7 shows digit 7.
    const int cells[][3] = {{10, 200, 10}, {1, 300, 190}, {10 - 7, 400, 150}};  // row, x, red
    for (const auto& c : cells) DrawSpriteCell(&digits, 0, c[0], c[1], 100, 8.0f, 8.0f);
    rendertest::Screenshot("sprite_cells");
    for (const auto& c : cells) EXPECT_EQ(Pixel(c[1] + 32, 116)[0], c[2]) << "row " << c[0];
    EXPECT_EQ(Pixel(265, 116)[0], 0);     // the quad is one cell wide
    EXPECT_EQ(Pixel(232, 133)[0], 0);     // and one cell high
    ExpectStateAfterSprite("DrawSpriteCell");
}

TEST(SpriteGl, TintedCellsUseTheColourAndUnloadedTexturesAreSkipped) {
    rendertest::ClearFrame(0, 0, 0);
    Texture white = Load("white.png", cv::Mat(10, 10, CV_8UC3, cv::Scalar::all(255)), 1, {});
    // Full-scale ints are full intensity: a pure red tint of a white picture is red.
    DrawSpriteCellTinted(&white, INT_MAX, 0, 0, 1, 10, 10, 2.0f, 2.0f);
    EXPECT_EQ(Pixel(20, 20), kRed);
    ExpectStateAfterSprite("DrawSpriteCellTinted");
    // The tinted form keeps the environment it finds: after a plain sprite (REPLACE) no tint.
    DrawSprite(&white, 200, 200);
    DrawSpriteCellTinted(&white, 0, INT_MAX, 0, 1, 50, 10, 2.0f, 2.0f);
    EXPECT_EQ(Pixel(60, 20), (Px{255, 255, 255}));

    rendertest::ClearFrame(50, 60, 70);
    Texture never, failed;  // as the registry makes it, and after a missing file
    const std::string absent = (rendertest::TempDir() / "absent.png").string();
    rendertest::Stderr([&] { LoadTexture(failed, absent.c_str(), 10, ColorKey{}); });
    glDisable(GL_LIGHTING);
    for (Texture* t : {&never, &failed, static_cast<Texture*>(nullptr)}) {
        DrawSprite(t, 0, 0);
        DrawSpriteScaled(t, 0, 0, 2.0f, 2.0f);
        DrawSpriteCell(t, 1, 1, 0, 0, 1.0f, 1.0f);
        DrawSpriteCellTinted(t, 0, 0, 0, 10, 0, 0, 1.0f, 1.0f);
        ExpectStateAfterSprite("skipped sprite");  // still restored
    }
    ExpectPixels({{0, 0, kBack}, {5, 5, kBack}});
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
