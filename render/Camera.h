#pragma once
// The one orbiting camera, the view set-up every scene's Draw starts with, and the whole-degree
// sine and cosine tables the view and the blade share (constants of the play, in mesh/Arithmetic.h).
#include "mesh/Arithmetic.h"

struct Camera {
    int width = 0;
    int height = 0;
    int fovy = 0;
    int aspect = 0;
    float zNear = 0.0f;
    float zFar = 0.0f;
    float up[3] = {0.0f, 0.0f, 0.0f};
    float eye[3] = {0.0f, 0.0f, 0.0f};
    float center[3] = {0.0f, 0.0f, 0.0f};
};

void ReleaseResource(Camera* camera);

// The 3D prologue of every scene's Draw: projection, orbiting view, material and light.
void BeginOrbitView(int angle);

// The title scene's first camera set-up: viewport and an initial view.
void TitleCameraSetup(int angle);
