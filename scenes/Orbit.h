#pragma once
// The arrow-key turning of the view that every scene shares, and the tube's scrolling.

// One tick of turning from the two arrow states: the speed eases towards +-4 degrees per tick
// while an arrow is held and decays by a factor of 6 once it is released.
void StepOrbit(float& orbitSpeed, int& angle, bool leftHeld, bool rightHeld);

// StepOrbit with the left and right arrows as they are held this tick.
void UpdateOrbit(float& orbitSpeed, int& angle);

// The single-precision 0.05 widened to double: the tube's scroll per tick at rest.
inline constexpr double kRestScrollStep = static_cast<double>(0.05f);

// Scroll offset after one step; it wraps back past 150 so the texture coordinates stay small.
double NextScroll(double scroll, double step);

// How far the gems fall per tick while nobody plays.
inline constexpr float kRestFallStep = -0.55f;

struct Surface;
struct ModelField;

// One tick of the stream at rest (title and ranking): the tube scrolls and the gems fall.
void StepRestingStream(Surface& surface, ModelField& field);
