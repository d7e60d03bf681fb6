// The 3D pass through a real context: orbit view, backdrop tube and gems land where the
// projection says, and the state the drawing leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "RenderGlHelpers.h"
#include "render/Camera.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Shader.h"
#include "render/Texture.h"

namespace {

using rendertest::Pixel;
using rendertest::Px;

// Tube blue, gem skin red, cut faces yellow; camera sized like the test window.
Camera* SetUpScene() {
    gltest::EnsureContext();
    const std::pair<const char*, cv::Scalar> solids[] = {
        {"MySurface", {255, 0, 0}}, {"ModelA", {0, 0, 255}}, {"ModelB", {0, 255, 255}}};
    for (const auto& [name, bgr] : solids) {
        Texture* texture = Registry<Texture>().Create(name);
        const cv::Mat picture(8, 8, CV_8UC3, bgr);
        LoadTexture(*texture, rendertest::WritePicture(std::string(name) + ".png", picture).c_str(),
                    1, ColorKey{1, 2, 3});
        EXPECT_TRUE(TextureLoaded(*texture)) << name;
    }
    Registry<ShaderProgram>().Create("Shader");
    Camera* camera = Registry<Camera>().Create("MyCamera");
    camera->width = gltest::kWidth;
    camera->height = gltest::kHeight;
    rendertest::ClearFrame(0, 0, 0);
    return camera;
}

// An octahedron of radius r, faces counter-clockwise from outside; `surface` for all faces.
Model Gem(Vec3 position, float r, bool surface) {
    Model gem;
    gem.vertices = {{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}};
    gem.faces = {{0, 2, 4}, {4, 2, 1}, {1, 2, 5}, {5, 2, 0},
                 {4, 3, 0}, {1, 3, 4}, {5, 3, 1}, {0, 3, 5}};
    gem.faceIsSurface.assign(gem.faces.size(), surface);
    gem.position = position;
    return gem;
}

// RGB at the window pixel of a world point under the current matrices.
Px PixelAt(Vec3 p) {
    GLdouble model[16], projection[16], wx = 0, wy = 0, wz = 0;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(p.x, p.y, p.z, model, projection, viewport, &wx, &wy, &wz);
    const int x = std::lround(wx), y = gltest::kHeight - 1 - std::lround(wy);
    EXPECT_TRUE(wz > 0 && wz < 1 && x >= 0 && x < gltest::kWidth && y >= 0 && y < gltest::kHeight);
    return Pixel(std::clamp(x, 0, gltest::kWidth - 1), std::clamp(y, 0, gltest::kHeight - 1));
}

// Each channel strong (1) or faint (0).
bool Looks(const Px& c, int r, int g, int b) {
    return (r ? c[0] > 100 : c[0] < 40) && (g ? c[1] > 100 : c[1] < 40) &&
           (b ? c[2] > 100 : c[2] < 40);
}

}  // namespace

// Where the eye and centre go is checked without a window; here they must reach GL as they are.
TEST(OrbitViewGl, TubeAndGemsAppearWhereTheProjectionPutsThem) {
    Camera* camera = SetUpScene();
    camera->width = 1024;  // a wide window: the integer aspect 2 reaches the projection
    camera->height = 512;
    BeginOrbitView(0);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_TRUE(camera->aspect == 2 && std::fabs(projection[5] / projection[0] - 2.0) < 1e-9);
    camera->width = gltest::kWidth;
    camera->height = gltest::kHeight;
    BeginOrbitView(450);  // eye (0, 0, 1), looking at (0, 6, -1)
    GLint program = -1;  // the program "Shader" holds nothing yet
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_TRUE(camera->aspect == 1 && program == 0);
    Surface surface;
    surface.scroll = 0.3;
    DrawSurface(surface);
    const Model skin = Gem(Vec3{0.0f, 6.0f, -1.0f}, 0.7f, true);   // right at the look-at point
    const Model cut = Gem(Vec3{1.2f, 14.0f, -1.5f}, 0.7f, false);  // higher up, off to one side
    DrawModel(&skin);
    DrawModel(&cut);
    rendertest::Screenshot("orbit_tube_gems");
    // The gem at the point looked at fills the middle of the window, the cut gem is where the
    // projection puts it, the tube's far opening is dark and its walls fill the edges.
    EXPECT_TRUE(Looks(Pixel(gltest::kWidth / 2, gltest::kHeight / 2), 1, 0, 0));
    EXPECT_TRUE(Looks(PixelAt(cut.position), 1, 1, 0));
    EXPECT_TRUE(Looks(PixelAt(Vec3{0.0f, 150.0f, 0.0f}), 0, 0, 0));
    for (const auto& [wx, wy] : {std::pair{20, 20}, {20, 360}, {1260, 360}, {640, 700}})
        EXPECT_TRUE(Looks(Pixel(wx, wy), 0, 0, 1)) << wx << "," << wy;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(SurfaceGl, DrawingLeavesCullingOffTextureZeroAndTheMatrixAsFound) {
    SetUpScene();
    BeginOrbitView(0);
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    // Also with the tube's picture missing: nothing bound, no GL error.
    Texture* tube = Registry<Texture>().Get("MySurface");
    const Texture saved = *tube;
    for (const Texture& picture : {saved, Texture()}) {
        *tube = picture;
        glEnable(GL_CULL_FACE);
        DrawSurface(Surface());
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_TRUE(!glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_TEXTURE_2D) && bound == 0);
    }
    *tube = saved;
    // Empty, missing and degenerate models draw without errors or non-finite normals.
    Model empty, flat;
    flat.vertices = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    flat.faces = {{0, 1, 2}, {0, 1, 7}};
    flat.faceIsSurface = {false, true};
    for (const Model* model : {&empty, static_cast<Model*>(nullptr), &flat}) DrawModel(model);
    GLfloat normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    for (float n : normal) EXPECT_TRUE(std::isfinite(n));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(depth, 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(before[i], after[i]) << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
