// The program's one pseudo-random generator: a linear congruential state of 32 bits.
#include "sim/Random.hpp"

namespace {
std::uint32_t gRandomState = 1;
}

void randomSeed(std::uint32_t seed)
{
    gRandomState = seed;
}

int randomNext()
{
    gRandomState = gRandomState * 214013u + 2531011u;
    return static_cast<int>((gRandomState >> 16) & 0x7FFFu);
}

std::uint32_t randomState()
{
    return gRandomState;
}
