#include "mesh/Random.h"

#include <cstdint>
#include <cstdlib>

namespace {

// 128 bytes of state is what the C library's rand() keeps, and selects the same generator.
char state[128];
random_data stream{};
bool seeded = false;

}  // namespace

void SeedGameRandom(unsigned seed) {
    stream = random_data{};
    initstate_r(seed, state, sizeof state, &stream);
    seeded = true;
}

int GameRandom() {
    if (!seeded) SeedGameRandom(1);
    std::int32_t value = 0;
    random_r(&stream, &value);
    return value;
}
