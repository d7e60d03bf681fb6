#pragma once
// Shared bits of the rendering GL tests: test pictures on disk, a cleared frame, pixels and
// screenshots.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "GlTestContext.h"

namespace rendertest {

using Px = std::vector<int>;

inline std::filesystem::path TempDir() {
    auto dir = std::filesystem::temp_directory_path() / "torvinel_render_gl_test";
    std::filesystem::create_directories(dir);
    return dir;
}

// Writes a picture (BGR as OpenCV keeps it) and returns its path.
inline std::string WritePicture(const std::string& name, const cv::Mat& picture) {
    const std::string path = (TempDir() / name).string();
    cv::imwrite(path, picture);
    return path;
}

// Writes bytes as they stand and returns the path.
inline std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = (TempDir() / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// Runs `f` and returns what it wrote to stderr.
template <class F>
std::string Stderr(F f) {
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

// A clean frame of one colour with the fixed state the game sets at start-up.
inline void ClearFrame(unsigned char r, unsigned char g, unsigned char b) {
    gltest::EnsureContext();
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    for (GLenum cap : {GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_NORMALIZE}) glEnable(cap);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// RGB of window pixel (x, y), origin top-left.
inline Px Pixel(int x, int y) {
    unsigned char rgba[4];
    gltest::ReadPixel(x, y, rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

// With TORVINEL_SHOTS=<dir> set, saves the back buffer as <dir>/<name>.png for a look by eye.
inline void Screenshot(const std::string& name) {
    const char* dir = std::getenv("TORVINEL_SHOTS");
    if (dir == nullptr) return;
    cv::Mat rgba(gltest::kHeight, gltest::kWidth, CV_8UC4), upright;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, gltest::kWidth, gltest::kHeight, GL_BGRA, GL_UNSIGNED_BYTE, rgba.data);
    cv::flip(rgba, upright, 0);
    std::filesystem::create_directories(dir);
    cv::imwrite((std::filesystem::path(dir) / (name + ".png")).string(), upright);
}

}  // namespace rendertest
