#pragma once
// The game's one random stream: the C library's rand() sequence for a given srand() seed, drawn
// from a generator of the game's own. Libraries in the same process draw from rand() too (a GL
// driver building its shaders does, and not the same on every machine); with a stream of its own
// the gems that fall depend on the seed alone, so a recorded run plays again anywhere.

// Seeds the stream as srand(seed) seeds rand(); unseeded, it runs as after a seed of 1.
void SeedGameRandom(unsigned seed);

// The next value, 0 to RAND_MAX, as rand() would give it.
int GameRandom();
