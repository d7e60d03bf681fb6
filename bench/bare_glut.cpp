// The floor for the game's rest between frames: a bare GLUT program that redraws one textured
// quad every 16 ms from a 16 ms timer in a 1280 x 720 window, and does nothing else. The quad fills
// the window, as the game's tube does; `bare_glut quarter` draws it over a quarter of the window.
// bench/rest.sh measures the game beside both.
#include <GL/freeglut.h>

#include <string>
#include <vector>

namespace {

GLuint texture = 0;
float extent = 1.0f;  // half the quad's side, in the window's -1..1

void Display() {
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(-extent, -extent);
    glTexCoord2f(1, 0), glVertex2f(extent, -extent);
    glTexCoord2f(1, 1), glVertex2f(extent, extent);
    glTexCoord2f(0, 1), glVertex2f(-extent, extent);
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
    if (argc > 1 && std::string(argv[1]) == "quarter") extent = 0.5f;
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
