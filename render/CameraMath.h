#pragma once
// Where the orbiting camera stands and looks, apart from GL.

// Degrees reduced to 0..359 (negative angles too), ready to index sinDeg/cosDeg.
int WrapDegrees(int angle);

// Width over height in integer division, as the projection uses it; never below 1, so a
// portrait or degenerate window still gets a usable projection.
int IntegerAspect(int width, int height);

// Every scene's view: eye on the unit circle at height 0, looking across the axis and steeply up.
void OrbitEyeCenter(int angle, float eye[3], float center[3]);

// The title scene's first view, a little higher and wider.
void TitleEyeCenter(int angle, float eye[3], float center[3]);
