#include "mesh/Model.h"
#include "mesh/Random.h"

#include <cstdlib>

Model* MakeEmptyPiece(Vec3 position) {
    Model* piece = new Model;
    piece->cuttable = false;
    piece->position = position;
    return piece;
}

Particle MakeParticle(Vec3 p, Vec3 s) {
    Particle particle;
    particle.position[0] = p.x;
    particle.position[1] = p.y;
    particle.position[2] = p.z;
    // One draw per axis, in x, y, z order, then one for the life span: the sparks of a cut
    // must consume the generator in a fixed order.
    const float spread[3] = {s.x, s.y, s.z};
    for (int i = 0; i < 3; ++i) {
        const int r = GameRandom();
        particle.velocity[i] = (r % 10) * spread[i] * 0.01;
    }
    particle.life = (GameRandom() % 20) + 10;
    return particle;
}
