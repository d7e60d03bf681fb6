#include "render/CameraMath.h"

#include "render/Camera.h"

int WrapDegrees(int angle) {
    const int wrapped = angle % 360;
    return wrapped < 0 ? wrapped + 360 : wrapped;
}

int IntegerAspect(int width, int height) {
    if (height <= 0) return 1;
    const int aspect = width / height;
    return aspect < 1 ? 1 : aspect;
}

void OrbitEyeCenter(int angle, float eye[3], float center[3]) {
    const int a = WrapDegrees(angle);
    eye[0] = cosDeg[a];
    eye[1] = 0.0f;
    eye[2] = sinDeg[a];
    center[0] = -cosDeg[a];
    center[1] = 6.0f;
    center[2] = -sinDeg[a];
}

void TitleEyeCenter(int angle, float eye[3], float center[3]) {
    const int a = WrapDegrees(angle);
    eye[0] = cosDeg[a];
    eye[1] = 1.0f;
    eye[2] = sinDeg[a];
    center[0] = static_cast<float>(-1.5 * cosDeg[a]);
    center[1] = 8.0f;
    center[2] = static_cast<float>(-1.5 * sinDeg[a]);
}
