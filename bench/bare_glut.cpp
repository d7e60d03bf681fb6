// The floor for the game's rest between frames: a bare GLUT program that redraws one textured
// quad every 16 ms from a 16 ms timer, in a 1280 x 720 window, and does nothing else. bench/rest.sh
// measures the game beside it.
#include <GL/freeglut.h>

#include <vector>

namespace {

GLuint texture = 0;

void Display() {
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-0.5f, -0.5f);
    glTexCoord2f(1, 0), glVertex2f(0.5f, -0.5f);
    glTexCoord2f(1, 1), glVertex2f(0.5f, 0.5f);
    glTexCoord2f(0, 1), glVertex2f(-0.5f, 0.5f);
    glEnd();
    glutSwapBuffers();
}

void Timer(int) {
    glutPostRedisplay();
    glutTimerFunc(16, Timer, 0);
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1280, 720);
    glutCreateWindow("Bare GLUT");
    std::vector<unsigned char> pixels(64 * 64 * 3);
    for (int i = 0; i < 64 * 64; ++i) pixels[3 * i] = pixels[3 * i + 2] = ((i / 64 / 8 + i % 64 / 8) % 2) * 255;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glutDisplayFunc(Display);
    glutTimerFunc(16, Timer, 0);
    glutMainLoop();
    return 0;
}
