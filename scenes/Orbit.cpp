#include "scenes/Orbit.h"

#include "input/Input.h"
#include "mesh/Field.h"
#include "render/CameraMath.h"
#include "render/MeshDraw.h"

void StepOrbit(float& orbitSpeed, int& angle, bool leftHeld, bool rightHeld) {
    if (leftHeld) orbitSpeed = orbitSpeed - 20.0f;
    if (rightHeld) orbitSpeed = orbitSpeed + 20.0f;
    orbitSpeed = orbitSpeed / 6.0f;
    // The sum is rounded to float before truncation; that rounding is why turning right starts
    // at 3 degrees per tick while turning left starts at 4, and why a left turn drifts on.
    const float sum = (orbitSpeed + 360.0f) + static_cast<float>(angle);
    angle = WrapDegrees(static_cast<int>(sum));
}

void UpdateOrbit(float& orbitSpeed, int& angle) {
    StepOrbit(orbitSpeed, angle, ArrowHeld(ArrowLeft), ArrowHeld(ArrowRight));
}

double NextScroll(double scroll, double step) {
    scroll += step;
    if (scroll > 150.0) scroll -= 150.0;
    return scroll;
}

void StepRestingStream(Surface& surface, ModelField& field) {
    surface.scroll = NextScroll(surface.scroll, kRestScrollStep);
    AdvanceModels(field, 0.0f, kRestFallStep, 0.0f);
}
