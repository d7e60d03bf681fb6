#pragma once
// One hidden-from-nobody GLUT window per test process, made on first use, with GLEW ready.
// Tests read pixels back from its back buffer.
#include <GL/glew.h>
#include <GL/freeglut.h>

namespace gltest {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// Creates the window (kWidth x kHeight, RGBA, double, depth, stencil) once and makes its
// context current; also sets windowWidth/windowHeight to match. Safe to call from every test.
void EnsureContext();

// Reads the RGBA pixel at window pixel (x, y), origin at the top-left like the sprite coordinates.
void ReadPixel(int x, int y, unsigned char rgba[4]);

}  // namespace gltest
