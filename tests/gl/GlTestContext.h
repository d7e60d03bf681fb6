#pragma once
// One GLUT window per test process (each GL test runs under its own Xvfb), made on first use with
// GLEW ready and the game's fixed GL state; pixels are read back from its back buffer.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "render/DrawingArea.h"

namespace gltest {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
using Px = std::vector<int>;

// Mesa queues immediate-mode drawing until something flushes it. Left queued at exit, the flush
// happens inside the registries' texture deletion after the software rasteriser is torn down, and
// the process crashes or hangs after passing; finishing after each test keeps exit clean.
struct FinishDrawingAfterEachTest : ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { glFinish(); }
};

// A clean frame of one colour in the state the game sets at start-up (fog included), with
// windowWidth and windowHeight matching the window.
inline void ClearFrame(int r = 0, int g = 0, int b = 0) {
    static bool made = false;
    if (!made) {
        made = true;
        int argc = 1;
        char name[] = "gl_tests", *argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
        glutInitWindowSize(kWidth, kHeight);
        glutCreateWindow("gl_tests");
        if (glewInit() != GLEW_OK) std::exit(1);
        windowWidth = kWidth, windowHeight = kHeight;
        glReadBuffer(GL_BACK);
        ::testing::UnitTest::GetInstance()->listeners().Append(new FinishDrawingAfterEachTest);
    }
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_NORMALIZE, GL_FOG}) glEnable(cap);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogi(GL_FOG_START, 31);
    glFogi(GL_FOG_END, 127);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// RGB of the w x h pixels whose top-left corner is window pixel (x, y) (origin top-left, as for
// the sprites), rows bottom-up as GL reads them.
inline std::vector<unsigned char> Region(int x, int y, int w, int h, GLenum format = GL_RGB) {
    std::vector<unsigned char> pixels(std::size_t(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, kHeight - y - h, w, h, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

inline Px Pixel(int x, int y) {
    const std::vector<unsigned char> rgb = Region(x, y, 1, 1);
    return Px(rgb.begin(), rgb.end());
}

}  // namespace gltest
