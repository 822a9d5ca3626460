// PilotMath: the few curves the pilot's hand needs (sine, cosine, a smooth step, a small
// generator of its own), from additions and multiplications only, so that every build and
// system (glibc, the browser, Windows) computes the same motion bit for bit. The library's
// sine is free to differ in its last bit from one system to the next.
#pragma once

#include <cstdint>

namespace pilot {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// sin(x) to about 1e-9 for any |x| below 1e6: reduced to [-pi, pi], then to [-pi/2, pi/2] by
// symmetry, then a Taylor series to x^15.
inline double sine(double x)
{
    if (!(x > -1e6 && x < 1e6))
        return 0.0;
    const double turns = x / kTwoPi;
    const double whole = static_cast<double>(static_cast<std::int64_t>(turns + (turns < 0 ? -0.5 : 0.5)));
    double r = x - whole * kTwoPi;
    if (r > kPi / 2)
        r = kPi - r;
    else if (r < -kPi / 2)
        r = -kPi - r;
    const double r2 = r * r;
    double term = r;
    double sum = r;
    for (int n = 1; n <= 7; ++n) {
        term = -term * r2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

inline double cosine(double x)
{
    return sine(x + kPi / 2);
}

// 0 at 0, 1 at 1, flat at both ends.
inline double smoothStep(double u)
{
    if (u <= 0.0)
        return 0.0;
    if (u >= 1.0)
        return 1.0;
    return u * u * (3.0 - 2.0 * u);
}

// SplitMix64: a small, well-mixed generator, apart from the program's own.
class Generator {
public:
    explicit Generator(std::uint64_t seed) : state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A double in [0, 1), from the top 53 bits.
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double between(double low, double high) { return low + (high - low) * unit(); }
    // A whole number in [0, n).
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state;
};

} // namespace pilot
