#pragma once
// The same arithmetic on every build. The play depends on a few sines and cosines; the C library
// of another machine (or another build of it) may round them differently in the last bit, which
// a recorded run would show as a drift. So they are constants: the values this game has always
// played with, rounded to float. The rest of the play is + - * / and sqrt, which IEEE rounds
// alike everywhere once contraction, excess precision and fast-math are off (see CMakeLists.txt)
// and subnormal numbers are kept (UseStandardArithmetic).
#include <array>

// sin and cos of the whole degrees 0..359: the view, the blade and the camera.
extern const std::array<float, 360> sinDeg;
extern const std::array<float, 360> cosDeg;

// cos and sin of a new gem's place on the ring, 2k * 3.1415 / 360 radians in float, k = 0..359.
extern const float kRingCos[360];
extern const float kRingSin[360];

// A gem's latitudes i * pi / n and longitudes j * 2 pi / n, i and j = 0..n, in float with the
// gem's own pi (3.141593), for the three sizes the stream makes.
struct SphereAngles {
    float sinTheta[6], cosTheta[6], sinPhi[6], cosPhi[6];
};
inline constexpr int kFewestFacets = 3, kMostFacets = 5;
extern const SphereAngles kSphereAngles[kMostFacets - kFewestFacets + 1];

// Rounding to nearest, subnormal numbers kept, every exception masked: what the play is computed
// with. A library built with -ffast-math may flush subnormals to zero as it loads (and a GL driver
// may leave the state changed), so the game sets this at start and before every tick.
void UseStandardArithmetic();
