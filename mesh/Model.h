#pragma once
// The falling gems: triangle meshes in model-local coordinates, plus the sparks and the blade
// points that travel with a cut.
#include <array>
#include <deque>
#include <vector>

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct Model {
    bool cuttable = false;
    std::vector<bool> faceIsSurface;          // parallel to faces; false marks a cut face
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<int, 3>> faces;    // counter-clockwise seen from outside
    Vec3 velocity;
    Vec3 position;
};

struct Particle {
    double position[3] = {0.0, 0.0, 0.0};
    double velocity[3] = {0.0, 0.0, 0.0};
    int life = 0;
};

using ParticleList = std::deque<Particle>;

struct BladeGeometry {
    Vec3 hitTriangle[3];
    Vec3 cutTriangle[3];
};

// A model at position with nothing in it, not cuttable, at rest: a cut fills it.
Model* MakeEmptyPiece(Vec3 position);

// A spark at p flying along spread s; draws four values from the game's random stream (x, y, z speed, then life).
Particle MakeParticle(Vec3 p, Vec3 s);
