// The sound generator's kit: sample buffers, a fixed-seed generator, smooth looping curves,
// filters run twice around the loop (so that a loop has no seam), circular mixing and panning,
// levels, and the pop that both the crackle and the far-off fireworks are made of. Header only; every function gives
// the same samples on every run.
#pragma once

#include "SplitMix64.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sounds {

constexpr double kRate = 44100.0;
constexpr std::uint32_t kRateHz = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

using Buffer = std::vector<double>;

struct Stereo {
    Buffer left;
    Buffer right;
};

inline std::size_t samplesFor(double seconds)
{
    return static_cast<std::size_t>(std::lround(seconds * kRate));
}

inline double dbToGain(double db)
{
    return std::pow(10.0, db / 20.0);
}

// ---------------------------------------------------------------------------------------------
// Random numbers: splitmix64, fixed seeds, the same sequence everywhere.

class Rng : public SplitMix64 {
public:
    using SplitMix64::SplitMix64;

    // Spread evenly on a log scale: right for frequencies and times.
    double logUniform(double lo, double hi) { return lo * std::exp(std::log(hi / lo) * uniform()); }
    double sign() { return (next() >> 63) != 0 ? 1.0 : -1.0; }
    int below(int n) { return std::min(n - 1, static_cast<int>(uniform() * n)); }
    double exponential(double mean) { return -mean * std::log(1.0 - uniform()); }
    // Standard normal (Box-Muller, one value per call).
    double gauss()
    {
        const double u1 = 1.0 - uniform();
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
    }
    // At least 1, heavy-tailed: many small values, a few large ones.
    double pareto(double alpha) { return std::pow(1.0 - uniform(), -1.0 / alpha); }
};

inline Buffer gaussNoise(Rng& rng, std::size_t n)
{
    Buffer b(n);
    for (double& v : b)
        v = rng.gauss();
    return b;
}

// ---------------------------------------------------------------------------------------------
// Building blocks.

// A smooth random curve that repeats once per loop: random knots spaced evenly around the
// circle, joined by Catmull-Rom segments, so value and slope are continuous across the end too.
class LoopCurve {
public:
    LoopCurve(Rng& rng, int knots, double lo, double hi) : knots_(static_cast<std::size_t>(knots))
    {
        for (double& k : knots_)
            k = rng.uniform(lo, hi);
    }
    // phase in [0, 1): the position in the loop.
    double at(double phase) const
    {
        const int n = static_cast<int>(knots_.size());
        const double x = phase * n;
        const int i = static_cast<int>(std::floor(x));
        const double f = x - i;
        const double p0 = knot(i - 1);
        const double p1 = knot(i);
        const double p2 = knot(i + 1);
        const double p3 = knot(i + 2);
        return 0.5
            * (2.0 * p1 + (p2 - p0) * f + (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3) * f * f
               + (3.0 * p1 - p0 - 3.0 * p2 + p3) * f * f * f);
    }
    double at(std::size_t i, std::size_t n) const { return at(static_cast<double>(i) / static_cast<double>(n)); }

private:
    double knot(int j) const
    {
        const int n = static_cast<int>(knots_.size());
        return knots_[static_cast<std::size_t>(((j % n) + n) % n)];
    }
    Buffer knots_;
};

// Topology-preserving state-variable filter: low, band and high outputs at once, and it stays
// well behaved when its cutoff moves from sample to sample.
class Svf {
public:
    struct Out {
        double low;
        double band; // unity gain at the centre
        double high;
    };
    Svf() = default;
    Svf(double hz, double q) { set(hz, q); }
    void set(double hz, double q)
    {
        const double g = std::tan(kPi * std::min(hz, 0.45 * kRate) / kRate);
        k_ = 1.0 / q;
        a1_ = 1.0 / (1.0 + g * (g + k_));
        a2_ = g * a1_;
        a3_ = g * a2_;
    }
    Out run(double v0)
    {
        const double v3 = v0 - ic2_;
        const double v1 = a1_ * ic1_ + a2_ * v3;
        const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
        ic1_ = 2.0 * v1 - ic1_;
        ic2_ = 2.0 * v2 - ic2_;
        return {v2, k_ * v1, v0 - k_ * v1 - v2};
    }

private:
    double k_ = 1.0, a1_ = 0.0, a2_ = 0.0, a3_ = 0.0;
    double ic1_ = 0.0, ic2_ = 0.0;
};

class OnePole {
public:
    explicit OnePole(double hz) : a_(1.0 - std::exp(-kTwoPi * hz / kRate)) {}
    double low(double x) { return y_ += a_ * (x - y_); }
    double high(double x) { return x - low(x); }

private:
    double a_;
    double y_ = 0.0;
};

// Runs a stateful per-sample process twice around the loop and keeps the second lap. Whatever
// the process remembers (filter state, delay lines) is then, at the first sample, what it held
// after the last one, so the result repeats without a seam. All filters here forget within a
// small fraction of one lap. `step(i)` must depend only on i and its own state.
template <class Step> Buffer aroundTheLoop(std::size_t n, Step step)
{
    Buffer out(n);
    for (int lap = 0; lap < 2; ++lap)
        for (std::size_t i = 0; i < n; ++i)
            out[i] = step(i);
    return out;
}

// Adds a short sound into the loop at a position, wrapping past the end to the start.
inline void addWrapped(Buffer& loop, double at, const Buffer& sound, double gain)
{
    const std::size_t n = loop.size();
    double start = std::fmod(at, static_cast<double>(n));
    if (start < 0.0)
        start += static_cast<double>(n);
    const std::size_t s = static_cast<std::size_t>(start) % n;
    for (std::size_t k = 0; k < sound.size(); ++k)
        loop[(s + k) % n] += gain * sound[k];
}

// Equal-power pan, -1 (left) to +1 (right).
inline void addPanned(Stereo& loop, double at, const Buffer& sound, double gain, double pan)
{
    const double angle = (pan + 1.0) * 0.25 * kPi;
    addWrapped(loop.left, at, sound, gain * std::cos(angle));
    addWrapped(loop.right, at, sound, gain * std::sin(angle));
}

// `count` event times spread around a loop of n samples with random gaps (each gap between
// (1 - jitter) and (1 + jitter) times the mean), scaled so that the gaps add up to exactly one
// loop: the gap from the last event round to the first is as ordinary as any other.
inline std::vector<double> loopTimes(Rng& rng, int count, std::size_t n, double jitter)
{
    std::vector<double> gaps(static_cast<std::size_t>(count));
    double total = 0.0;
    for (double& g : gaps)
        total += (g = rng.uniform(1.0 - jitter, 1.0 + jitter));
    std::vector<double> times;
    double t = rng.uniform() * static_cast<double>(n);
    for (double g : gaps) {
        times.push_back(std::fmod(t, static_cast<double>(n)));
        t += g / total * static_cast<double>(n);
    }
    return times;
}

inline double rms(const Buffer& b)
{
    double sum = 0.0;
    for (double v : b)
        sum += v * v;
    return std::sqrt(sum / static_cast<double>(b.size()));
}

inline double peak(const Buffer& b)
{
    double p = 0.0;
    for (double v : b)
        p = std::max(p, std::abs(v));
    return p;
}

inline void scale(Buffer& b, double gain)
{
    for (double& v : b)
        v *= gain;
}

inline void scaleToRms(Buffer& b, double dbfs)
{
    scale(b, dbToGain(dbfs) / rms(b));
}

inline void scaleToRms(Stereo& s, double dbfs)
{
    const double level = std::sqrt(0.5 * (rms(s.left) * rms(s.left) + rms(s.right) * rms(s.right)));
    scale(s.left, dbToGain(dbfs) / level);
    scale(s.right, dbToGain(dbfs) / level);
}

inline void scaleToPeak(Stereo& s, double dbfs)
{
    const double level = std::max(peak(s.left), peak(s.right));
    scale(s.left, dbToGain(dbfs) / level);
    scale(s.right, dbToGain(dbfs) / level);
}

inline void mixInto(Stereo& dst, const Stereo& src, double gain)
{
    for (std::size_t i = 0; i < dst.left.size(); ++i) {
        dst.left[i] += gain * src.left[i];
        dst.right[i] += gain * src.right[i];
    }
}

// Removes any DC and sub-audible drift (two one-pole high-passes at 20 Hz), around the loop.
inline Buffer removeDc(const Buffer& in)
{
    OnePole a(20.0), b(20.0);
    return aroundTheLoop(in.size(), [&](std::size_t i) { return b.high(a.high(in[i])); });
}

// One crackle: a sharp, quickly dying burst of noise, partly rung through a band-pass (which
// gives the pop its pitch and body) and partly left raw above 3 kHz (which gives it its edge).
struct Pop {
    double at; // start, in samples from the loop start
    double amp; // peak size of the burst
    double hz; // centre of the band-pass
    double q; // its sharpness: higher rings longer and sounds more like a tick
    double decayMs; // time constant of the burst
    double edge; // share of the raw, high-passed burst
};

inline Buffer renderPop(const Pop& pop, Rng& rng)
{
    Svf body(pop.hz, pop.q);
    Svf edge(3000.0, 0.7), edgeTop(12000.0, 0.7);
    const double tau = pop.decayMs * 1e-3 * kRate;
    const double ring = pop.q / (kPi * pop.hz) * kRate;
    Buffer out(static_cast<std::size_t>(std::ceil(7.0 * (tau + ring))) + 4);
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double env = std::exp(-static_cast<double>(k) / tau);
        // A single hard sample starts the burst: the crack of the popping droplet.
        const double excite = (k == 0 ? 2.0 : 0.0) + rng.gauss() * env;
        out[k]
            = pop.amp * ((1.0 - pop.edge) * body.run(excite).band + pop.edge * edgeTop.run(edge.run(excite).high).low);
    }
    return out;
}

} // namespace sounds
