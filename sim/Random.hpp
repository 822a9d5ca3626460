// The program's one pseudo-random generator.
// A 32-bit state advanced as state * 214013 + 2531011 (mod 2^32); each draw yields bits 16..30
// of the new state, 0..32767. Every random choice of the simulation goes through randomNext(),
// so a seed and the order of the draws fix a whole run. Seeding and reading the state are
// there for start-up, the replay tool and the tests.
#pragma once

#include <cstdint>

namespace random_detail {
// The generator's state; only the functions below touch it. Kept in the header so that the
// walks' draws are inlined instead of being a call each.
inline std::uint32_t state = 1;
} // namespace random_detail

inline void randomSeed(std::uint32_t seed)
{
    random_detail::state = seed;
}

inline int randomNext()
{
    random_detail::state = random_detail::state * 214013u + 2531011u;
    return static_cast<int>((random_detail::state >> 16) & 0x7FFFu);
}

inline std::uint32_t randomState()
{
    return random_detail::state;
}
