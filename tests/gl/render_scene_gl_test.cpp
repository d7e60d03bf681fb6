// The 3D pass through a real context: orbit view, backdrop tube and gems land where the
// projection says, and the state the drawing leaves behind.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderGlHelpers.h"
#include "render/Camera.h"
#include "render/MeshDraw.h"
#include "render/Registry.h"
#include "render/Shader.h"
#include "render/Texture.h"

namespace {

using rendertest::Pixel;

void LoadSolid(const char* name, cv::Scalar bgr) {
    Texture* texture = Registry<Texture>().Create(name);
    const std::string file = std::string("solid_") + name + ".png";
    LoadTexture(*texture, rendertest::WritePicture(file, cv::Mat(8, 8, CV_8UC3, bgr)).c_str(), 1,
                ColorKey{1, 2, 3});
    ASSERT_TRUE(TextureLoaded(*texture));
}

// Tube blue, gem skin red, cut faces yellow; camera sized like the test window.
void SetUpScene() {
    gltest::EnsureContext();
    LoadSolid("MySurface", cv::Scalar(255, 0, 0));
    LoadSolid("ModelA", cv::Scalar(0, 0, 255));
    LoadSolid("ModelB", cv::Scalar(0, 255, 255));
    Registry<ShaderProgram>().Create("Shader");
    Camera* camera = Registry<Camera>().Create("MyCamera");
    camera->width = gltest::kWidth;
    camera->height = gltest::kHeight;
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

// Window pixel (origin top-left) of a world point under the current matrices.
bool Project(Vec3 p, int& x, int& y) {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx, wy, wz;
    if (gluProject(p.x, p.y, p.z, model, projection, viewport, &wx, &wy, &wz) != GL_TRUE)
        return false;
    x = static_cast<int>(std::lround(wx));
    y = gltest::kHeight - 1 - static_cast<int>(std::lround(wy));
    return wz > 0.0 && wz < 1.0 && x >= 0 && x < gltest::kWidth && y >= 0 && y < gltest::kHeight;
}

bool Reddish(const std::vector<int>& c) { return c[0] > 100 && c[1] < 40 && c[2] < 40; }
bool Yellowish(const std::vector<int>& c) { return c[0] > 100 && c[1] > 100 && c[2] < 40; }
bool Bluish(const std::vector<int>& c) { return c[2] > 100 && c[0] < 40 && c[1] < 40; }

}  // namespace

TEST(OrbitViewGl, SetsTheLookAtViewAndLeavesProgramZero) {
    SetUpScene();
    for (int angle : {0, 90, 360, 450}) {
        rendertest::ClearFrame(0, 0, 0);
        BeginOrbitView(angle);
        const Camera* camera = Registry<Camera>().Get("MyCamera");
        EXPECT_EQ(camera->aspect, 1);
        EXPECT_EQ(camera->fovy, 40);
        EXPECT_FLOAT_EQ(camera->zFar, 10000.0f);
        EXPECT_EQ(camera->up[1], 1.0f);
        GLint program = -1;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        EXPECT_EQ(program, 0);

        GLdouble actual[16], expected[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, actual);
        glPushMatrix();
        glLoadIdentity();
        const int a = angle % 360;
        gluLookAt(cosDeg[a], 0, sinDeg[a], -cosDeg[a], 6, -sinDeg[a], 0, 1, 0);
        glGetDoublev(GL_MODELVIEW_MATRIX, expected);
        glPopMatrix();
        for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(actual[i], expected[i]) << angle << " " << i;

        // The point looked at is the middle of the window.
        int x = 0, y = 0;
        ASSERT_TRUE(Project(Vec3{camera->center[0], camera->center[1], camera->center[2]}, x, y));
        EXPECT_NEAR(x, gltest::kWidth / 2, 1);
        EXPECT_NEAR(y, gltest::kHeight / 2, 1);
    }
    // A window twice as wide as high gets aspect 2.
    Camera* camera = Registry<Camera>().Get("MyCamera");
    camera->width = 1024;
    camera->height = 512;
    BeginOrbitView(0);
    EXPECT_EQ(camera->aspect, 2);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 2.0, 1e-9);
    camera->width = gltest::kWidth;
    camera->height = gltest::kHeight;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(OrbitViewGl, TubeAndGemsAppearWhereTheProjectionPutsThem) {
    SetUpScene();
    rendertest::ClearFrame(0, 0, 0);
    const int angle = 90;  // eye (0, 0, 1), looking at (0, 6, -1)
    BeginOrbitView(angle);
    Surface surface;
    surface.scroll = 0.3;
    DrawSurface(surface);
    const Model skin = Gem(Vec3{0.0f, 6.0f, -1.0f}, 0.7f, true);   // right at the look-at point
    const Model cut = Gem(Vec3{1.2f, 14.0f, -1.5f}, 0.7f, false);  // higher up, off to one side
    DrawModel(&skin);
    DrawModel(&cut);
    rendertest::Screenshot("orbit_tube_gems");

    EXPECT_TRUE(Reddish(Pixel(gltest::kWidth / 2, gltest::kHeight / 2)))
        << Pixel(gltest::kWidth / 2, gltest::kHeight / 2)[0];
    int x = 0, y = 0;
    ASSERT_TRUE(Project(cut.position, x, y));
    EXPECT_TRUE(Yellowish(Pixel(x, y))) << x << "," << y;

    // Walls: the middle of a tube panel, at a few heights, away from both gems.
    int checked = 0;
    for (int panel = 0; panel < 12; ++panel) {
        for (float height : {5.0f, 12.0f, 30.0f}) {
            const float* a = surface.points[panel];
            const float* b = surface.points[(panel + 1) % 12];
            const Vec3 wall{(a[0] + b[0]) / 2, height, (a[2] + b[2]) / 2};
            if (!Project(wall, x, y)) continue;
            int gx = 0, gy = 0;
            Project(skin.position, gx, gy);
            if (std::hypot(x - gx, y - gy) < 300) continue;
            Project(cut.position, gx, gy);
            if (std::hypot(x - gx, y - gy) < 300) continue;
            EXPECT_TRUE(Bluish(Pixel(x, y))) << "panel " << panel << " height " << height << " at "
                                             << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GE(checked, 3);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(SurfaceGl, DrawingLeavesCullingOffTextureZeroAndTheMatrixAsFound) {
    SetUpScene();
    rendertest::ClearFrame(0, 0, 0);
    BeginOrbitView(0);
    glEnable(GL_CULL_FACE);
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    DrawSurface(Surface());
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(before[i], after[i]);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);

    // Models: empty, degenerate and partly bad ones draw without errors or non-finite normals,
    // and leave the matrix as found.
    Model empty;
    DrawModel(&empty);
    DrawModel(nullptr);
    Model flat;
    flat.vertices = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    flat.faces = {{0, 1, 2}, {0, 1, 7}};
    flat.faceIsSurface = {false, true};
    DrawModel(&flat);
    GLfloat normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    for (float n : normal) EXPECT_TRUE(std::isfinite(n));
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(before[i], after[i]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(SurfaceGl, AnUnloadedTubeTextureIsNotBound) {
    SetUpScene();
    Texture* tube = Registry<Texture>().Get("MySurface");
    const Texture saved = *tube;
    *tube = Texture();  // as if its file had been missing
    rendertest::ClearFrame(0, 0, 0);
    BeginOrbitView(0);
    DrawSurface(Surface());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    *tube = saved;
}
