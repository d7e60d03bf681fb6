// Sprites drawn into a real frame buffer: keyed pixels, placement, cells and the state left over.
#include <gtest/gtest.h>

#include <climits>

#include "RenderGlHelpers.h"
#include "render/Sprite.h"

namespace {

using rendertest::Pixel;

// Everything a 3D pass after a sprite relies on.
void ExpectStateAfterSprite(const char* which) {
    SCOPED_TRACE(which);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);  // the push was popped
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(projection[i], (i % 5 == 0) ? 1.0f : 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// 20 x 10: left half the key colour red; right half green on top, blue below.
Texture& HalfKeyed() {
    static Texture texture;
    if (!TextureLoaded(texture)) {
        cv::Mat picture(10, 20, CV_8UC3, cv::Scalar(0, 0, 255));
        picture(cv::Rect(10, 0, 10, 5)).setTo(cv::Scalar(0, 255, 0));
        picture(cv::Rect(10, 5, 10, 5)).setTo(cv::Scalar(255, 0, 0));
        LoadTexture(texture, rendertest::WritePicture("halfkeyed.png", picture).c_str(), 1,
                    ColorKey{255, 0, 0});
    }
    return texture;
}

}  // namespace

TEST(SpriteGl, KeyedPixelsLeaveTheFrameAndOpaqueOnesReplaceIt) {
    rendertest::ClearFrame(50, 60, 70);
    Texture& texture = HalfKeyed();
    ASSERT_TRUE(TextureLoaded(texture));
    DrawSprite(&texture, 100, 50);
    rendertest::Screenshot("sprite_keyed");
    EXPECT_EQ(Pixel(103, 53), (std::vector<int>{50, 60, 70}));   // keyed: unchanged
    EXPECT_EQ(Pixel(116, 52), (std::vector<int>{0, 255, 0}));    // top half, upright
    EXPECT_EQ(Pixel(116, 57), (std::vector<int>{0, 0, 255}));    // bottom half
    EXPECT_EQ(Pixel(121, 55), (std::vector<int>{50, 60, 70}));   // just past x 100 + 20
    EXPECT_EQ(Pixel(116, 61), (std::vector<int>{50, 60, 70}));   // just past y 50 + 10
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_REPLACE);
    ExpectStateAfterSprite("DrawSprite");

    // A keyed pixel over something already drawn keeps that too.
    DrawSpriteScaled(&texture, 90, 50, 2.0f, 2.0f);  // covers x 90..130, y 50..70
    EXPECT_EQ(Pixel(103, 53), (std::vector<int>{50, 60, 70}));
    EXPECT_EQ(Pixel(125, 55), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(Pixel(125, 67), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(Pixel(132, 60), (std::vector<int>{50, 60, 70}));
    ExpectStateAfterSprite("DrawSpriteScaled");
}

TEST(SpriteGl, CellsShowTheirBandAndColumnOneWraps) {
    rendertest::ClearFrame(0, 0, 0);
    // Ten bands of 4 rows, band k (from the top) with red 20 * k + 10.
    cv::Mat bands(40, 8, CV_8UC3);
    for (int k = 0; k < 10; ++k)
        bands(cv::Rect(0, 4 * k, 8, 4)).setTo(cv::Scalar(5, 5, 20 * k + 10));
    Texture texture;
    LoadTexture(texture, rendertest::WritePicture("bands.png", bands).c_str(), 10, ColorKey{});
    ASSERT_TRUE(TextureLoaded(texture));
    DrawSpriteCell(&texture, 0, 10, 200, 100, 8.0f, 8.0f);  // top band: 64 x 32 pixels
    DrawSpriteCell(&texture, 0, 1, 300, 100, 8.0f, 8.0f);   // bottom band
    DrawSpriteCell(&texture, 0, 10 - 7, 400, 100, 8.0f, 8.0f);
    rendertest::Screenshot("sprite_cells");
    EXPECT_EQ(Pixel(232, 116)[0], 10);
    EXPECT_EQ(Pixel(332, 116)[0], 190);
    EXPECT_EQ(Pixel(432, 116)[0], 150);
    EXPECT_EQ(Pixel(265, 116)[0], 0);  // the quad is one cell wide
    EXPECT_EQ(Pixel(232, 133)[0], 0);  // and one cell high
    ExpectStateAfterSprite("DrawSpriteCell");

    // Column 1 of a one-column picture shows the whole width again (REPEAT).
    Texture& half = HalfKeyed();
    rendertest::ClearFrame(50, 60, 70);
    DrawSpriteCell(&half, 1, 1, 100, 50, 1.0f, 1.0f);
    EXPECT_EQ(Pixel(103, 53), (std::vector<int>{50, 60, 70}));
    EXPECT_EQ(Pixel(116, 52), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(Pixel(116, 57), (std::vector<int>{0, 0, 255}));
}

TEST(SpriteGl, TintedCellsUseTheColourUnderModulate) {
    rendertest::ClearFrame(0, 0, 0);
    Texture white;
    LoadTexture(white, rendertest::WritePicture("white.png", cv::Mat(10, 10, CV_8UC3, cv::Scalar(255, 255, 255))).c_str(), 1, ColorKey{});
    ASSERT_TRUE(TextureLoaded(white));
    // Full-scale ints are full intensity: a pure red tint of a white picture is red.
    DrawSpriteCellTinted(&white, INT_MAX, 0, 0, 1, 10, 10, 2.0f, 2.0f);
    EXPECT_EQ(Pixel(20, 20), (std::vector<int>{255, 0, 0}));
    GLint colour[4];
    glGetIntegerv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], INT_MAX);
    EXPECT_EQ(colour[1], 0);
    ExpectStateAfterSprite("DrawSpriteCellTinted");

    // After a plain sprite the environment is REPLACE: the picture shows unchanged.
    DrawSprite(&white, 200, 200);
    DrawSpriteCellTinted(&white, 0, INT_MAX, 0, 1, 50, 10, 2.0f, 2.0f);
    EXPECT_EQ(Pixel(60, 20), (std::vector<int>{255, 255, 255}));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

TEST(SpriteGl, UnloadedTexturesAreSkippedButTheStateIsStillRestored) {
    rendertest::ClearFrame(50, 60, 70);
    Texture never;  // as the registry makes it
    Texture failed;
    testing::internal::CaptureStderr();
    LoadTexture(failed, (rendertest::TempDir() / "absent.png").string().c_str(), 10, ColorKey{});
    testing::internal::GetCapturedStderr();
    glDisable(GL_LIGHTING);
    for (Texture* t : {&never, &failed, static_cast<Texture*>(nullptr)}) {
        DrawSprite(t, 0, 0);
        DrawSpriteScaled(t, 0, 0, 2.0f, 2.0f);
        DrawSpriteCell(t, 1, 1, 0, 0, 1.0f, 1.0f);
        DrawSpriteCellTinted(t, 0, 0, 0, 10, 0, 0, 1.0f, 1.0f);
        ExpectStateAfterSprite("skipped sprite");
    }
    EXPECT_EQ(Pixel(0, 0), (std::vector<int>{50, 60, 70}));
    EXPECT_EQ(Pixel(5, 5), (std::vector<int>{50, 60, 70}));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}
