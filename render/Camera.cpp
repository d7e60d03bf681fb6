#include <GL/glew.h>

#include "render/Camera.h"

#include "render/CameraMath.h"
#include "render/DrawingArea.h"
#include "render/Registry.h"
#include "render/Shader.h"

namespace {

// Upright, the view from the camera's eye to its centre.
void LookAt(Camera& camera) {
    camera.up[0] = 0.0f;
    camera.up[1] = 1.0f;
    camera.up[2] = 0.0f;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(camera.eye[0], camera.eye[1], camera.eye[2], camera.center[0], camera.center[1],
              camera.center[2], camera.up[0], camera.up[1], camera.up[2]);
}

}  // namespace

void ReleaseResource(Camera* camera) { delete camera; }

void BeginOrbitView(int angle) {
    Camera* camera = Registry<Camera>().Get("MyCamera");
    if (camera == nullptr) return;  // the title scene makes it before anything is drawn
    camera->fovy = 40;
    camera->zNear = 1.0f;
    camera->zFar = 10000.0f;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    camera->aspect = IntegerAspect(camera->width, camera->height);
    gluPerspective(camera->fovy, camera->aspect, 1.0, 10000.0);

    OrbitEyeCenter(angle, camera->eye, camera->center);
    LookAt(*camera);

    const ShaderProgram* shader = Registry<ShaderProgram>().Get("Shader");
    glUseProgram(shader != nullptr ? shader->program : 0);
    glBindTexture(GL_TEXTURE_2D, 0);

    const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT, GL_SPECULAR, white);
    glMaterialf(GL_FRONT, GL_SHININESS, 127.0f);

    // Given after the view, so the light sits at the world origin, at the foot of the tube.
    const GLfloat lightDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat lightPosition[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);

    glUseProgram(0);
}

void TitleCameraSetup(int angle) {
    Camera* camera = Registry<Camera>().Create("MyCamera");
    camera->width = windowWidth;
    camera->height = windowHeight;
    glViewport(0, 0, camera->width, camera->height);
    TitleEyeCenter(angle, camera->eye, camera->center);
    LookAt(*camera);
}
