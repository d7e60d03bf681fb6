#include "GlTestContext.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/Globals.h"

namespace gltest {

namespace {

// Mesa queues immediate-mode drawing until something flushes it. Left queued at exit, the flush
// happens inside the registries' texture deletion while the software rasteriser's compiler is
// already torn down, and the test process crashes or hangs after passing. Finishing after each
// test keeps exit clean.
class FinishDrawingAfterEachTest : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { glFinish(); }
};

}  // namespace

void EnsureContext() {
    static bool made = false;
    if (made) return;
    made = true;
    int argc = 1;
    char name[] = "gl_tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("gl_tests");
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "gl_tests: GLEW could not be initialised\n");
        std::exit(1);
    }
    windowWidth = kWidth;
    windowHeight = kHeight;
    glViewport(0, 0, kWidth, kHeight);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FinishDrawingAfterEachTest);
}

void ReadPixel(int x, int y, unsigned char rgba[4]) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

}  // namespace gltest
