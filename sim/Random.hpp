// The program's one pseudo-random generator.
// A 32-bit state advanced as state * 214013 + 2531011 (mod 2^32); each draw yields bits 16..30
// of the new state, 0..32767. Every random choice of the simulation goes through randomNext(),
// so a seed and the order of the draws fix a whole run. Seeding and reading the state are
// there for start-up, the replay tool and the tests.
#pragma once

#include <cstdint>

void randomSeed(std::uint32_t seed);
int randomNext();
std::uint32_t randomState();
