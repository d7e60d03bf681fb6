// Drawing through a real context, read back pixel by pixel: sprites, and the 3D pass of orbit
// view, tube and gems.
#include <gtest/gtest.h>

#include <climits>

#include <opencv2/imgcodecs.hpp>

#include "GlTestContext.h"
#include "TestSupport.h"
#include "render/Camera.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Shader.h"
#include "render/Sprite.h"

using namespace testsupport;
using gltest::Pixel;
using gltest::Px;

namespace {

const Px kBack{50, 60, 70}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// Everything a 3D pass after a sprite relies on.
void ExpectStateAfterSprite(const char* which) {
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_CULL_FACE})
        EXPECT_TRUE(glIsEnabled(cap)) << which << cap;
    for (GLenum cap : {GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D}) EXPECT_FALSE(glIsEnabled(cap)) << which << cap;
    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_TRUE(mode == GL_MODELVIEW && depth == 1 && glGetError() == GL_NO_ERROR) << which;
}

Texture Load(const TempFolder& folder, const std::string& name, const cv::Mat& picture, int rows, ColorKey key) {
    Texture texture;
    cv::imwrite(folder / name, picture);
    LoadTexture(texture, (folder / name).c_str(), rows, key);
    EXPECT_TRUE(TextureLoaded(texture)) << name;
    return texture;
}

// Each channel strong (1) or faint (0).
bool Looks(const Px& c, int r, int g, int b) {
    return (r ? c[0] > 100 : c[0] < 40) && (g ? c[1] > 100 : c[1] < 40) && (b ? c[2] > 100 : c[2] < 40);
}

}  // namespace

TEST(SpriteGl, KeyedPixelsKeepTheFrameCellsShowTheirBandAndTintsColour) {
    TempFolder folder;
    gltest::ClearFrame();
    // 20 x 10: left half the key colour red; right half green on top, blue below.
    cv::Mat picture(10, 20, CV_8UC3, cv::Scalar(0, 0, 255));
    picture(cv::Rect(10, 0, 10, 5)).setTo(cv::Scalar(0, 255, 0));
    picture(cv::Rect(10, 5, 10, 5)).setTo(cv::Scalar(255, 0, 0));
    Texture half = Load(folder, "halfkeyed.png", picture, 1, ColorKey{255, 0, 0});
    // Keyed: unchanged; upright halves; nothing past x 100 + 20 or y 50 + 10. Column 1 of a one-column
    // picture shows it whole again, as the labels are drawn.
    const std::tuple<int, int, Px> atItsSize[] = {
        {103, 53, kBack}, {116, 52, kGreen}, {116, 57, kBlue}, {121, 55, kBack}, {116, 61, kBack}};
    for (bool cell : {false, true}) {
        gltest::ClearFrame(50, 60, 70);
        cell ? DrawSpriteCell(&half, 1, 1, 100, 50, 1.0f, 1.0f) : DrawSprite(&half, 100, 50);
        for (const auto& [x, y, rgb] : atItsSize) EXPECT_EQ(Pixel(x, y), rgb) << cell << " " << x << "," << y;
        ExpectStateAfterSprite(cell ? "DrawSpriteCell" : "DrawSprite");
    }
    // Twice the size from x 90: a keyed pixel over something already drawn keeps that too.
    DrawSpriteScaled(&half, 90, 50, 2.0f, 2.0f);
    for (const auto& [x, y, rgb] : {std::tuple{103, 53, kBack}, {125, 55, kGreen}, {125, 67, kBlue}, {132, 60, kBack}})
        EXPECT_EQ(Pixel(x, y), rgb) << x << "," << y;
    ExpectStateAfterSprite("DrawSpriteScaled");

    // Ten bands of 4 rows, band k (from the top) with red 20 * k + 10; cells 64 x 32 pixels.
    gltest::ClearFrame();
    cv::Mat bands(40, 8, CV_8UC3);
    for (int k = 0; k < 10; ++k) bands(cv::Rect(0, 4 * k, 8, 4)).setTo(cv::Scalar(5, 5, 20 * k + 10));
    Texture digits = Load(folder, "bands.png", bands, 10, ColorKey{});
    // Row 10 is the top band, row 1 the bottom one, row 10 - 7 shows digit 7.
    const int cells[][3] = {{10, 200, 10}, {1, 300, 190}, {10 - 7, 400, 150}};  // row, x, red
    for (const auto& c : cells) DrawSpriteCell(&digits, 0, c[0], c[1], 100, 8.0f, 8.0f);
    for (const auto& c : cells) EXPECT_EQ(Pixel(c[1] + 32, 116)[0], c[2]) << "row " << c[0];
    EXPECT_EQ(Pixel(265, 116)[0] + Pixel(232, 133)[0], 0);  // one cell wide, one cell high
    ExpectStateAfterSprite("DrawSpriteCell");
    // Full-scale ints are full intensity: a pure red tint of a white picture is red.
    Texture white = Load(folder, "white.png", cv::Mat(10, 10, CV_8UC3, cv::Scalar::all(255)), 1, {});
    DrawSpriteCellTinted(&white, INT_MAX, 0, 0, 1, 10, 10, 2.0f, 2.0f);
    EXPECT_EQ(Pixel(20, 20), kRed);
    ExpectStateAfterSprite("DrawSpriteCellTinted");
}

TEST(OrbitViewGl, TubeAndGemsAppearWhereTheViewPutsThemAndTheStateIsKept) {
    gltest::ClearFrame();
    // Tube blue, gem skin red, cut faces yellow; the "Shader" program holds nothing yet.
    TempFolder folder;
    for (const auto& [name, bgr] :
         {std::pair{"MySurface", cv::Scalar(255, 0, 0)}, {"ModelA", {0, 0, 255}}, {"ModelB", {0, 255, 255}}})
        *Registry<Texture>().Create(name) = Load(folder, name + std::string(".png"), cv::Mat(8, 8, CV_8UC3, bgr), 1, {});
    Registry<ShaderProgram>().Create("Shader");
    Camera* camera = Registry<Camera>().Create("MyCamera");
    camera->width = 1024, camera->height = 512;  // a wide window: the integer aspect 2 reaches the projection
    BeginOrbitView(0);
    GLdouble projection[16], view[16], expected[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 2.0, 1e-9);
    camera->width = gltest::kWidth, camera->height = gltest::kHeight;
    BeginOrbitView(450);  // eye (0, 0, 1), looking steeply up across the axis at (0, 6, -1)
    glGetDoublev(GL_MODELVIEW_MATRIX, view);
    glLoadIdentity();
    gluLookAt(0, 0, 1, 0, 6, -1, 0, 1, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, expected);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(view[i], expected[i], 1e-6) << i;
    glEnable(GL_CULL_FACE);
    Surface surface;
    surface.scroll = 0.3;
    DrawSurface(surface);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_TRUE(bound == 0 && !glIsEnabled(GL_CULL_FACE));  // the gems are drawn unculled
    // Octahedra of radius 0.7, faces counter-clockwise from outside: one right at the look-at
    // point, one of cut faces higher up and off to one side.
    Model gems[2];
    for (Model& gem : gems) {
        gem.vertices = {{0.7f, 0, 0}, {-0.7f, 0, 0}, {0, 0.7f, 0}, {0, -0.7f, 0}, {0, 0, 0.7f}, {0, 0, -0.7f}};
        gem.faces = {{0, 2, 4}, {4, 2, 1}, {1, 2, 5}, {5, 2, 0}, {4, 3, 0}, {1, 3, 4}, {5, 3, 1}, {0, 3, 5}};
        gem.faceIsSurface.assign(8, &gem == gems);
    }
    gems[0].position = {0.0f, 6.0f, -1.0f}, gems[1].position = {1.2f, 14.0f, -1.5f};
    for (const Model& gem : gems) DrawModel(&gem);
    // Under that view the gem looked at fills the middle, the cut gem stands up and to the right, the
    // tube's far opening is dark and its walls fill the edges.
    EXPECT_TRUE(Looks(Pixel(gltest::kWidth / 2, gltest::kHeight / 2), 1, 0, 0));
    EXPECT_TRUE(Looks(Pixel(790, 215), 1, 1, 0));
    EXPECT_TRUE(Looks(Pixel(640, 38), 0, 0, 0));
    for (const auto& [wx, wy] : {std::pair{20, 20}, {20, 360}, {1260, 360}, {640, 700}})
        EXPECT_TRUE(Looks(Pixel(wx, wy), 0, 0, 1)) << wx << "," << wy;
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_TRUE(depth == 1 && glGetError() == GL_NO_ERROR);
}
