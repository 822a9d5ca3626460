// make_sounds: writes the two looping sounds the demo plays.
//
//   Sparkler.wav         mono, 2.0 s: the fizz and crackle of a burning hand-held sparkler.
//                        Mono because the program places it in 3D, following the sparkler.
//   BackgroundSound.wav  stereo, 20 s: a calm night by a lake: soft wind, water lapping on the
//                        shore, distant crickets and, now and then, a far-off firework.
//
// Both are 16-bit PCM at 44100 Hz and are played as endless loops, so both are built on a
// circular time line: an event that runs past the end carries on at the start, every slow
// modulation repeats exactly once per loop, and every filter is run twice around the loop so
// that its state at the start is the state it reaches at the end. The last sample therefore
// leads into the first exactly as any sample leads into the next: there is no seam.
//
// The output is deterministic (fixed seeds, our own generator, no clock): every run writes
// the same bytes. The committed files under assets/ are this tool's output.
//
// Usage:   make_sounds OUTPUT_DIR
// e.g.     build/tools/make_sounds assets      (from the top of the source tree)

#include "SplitMix64.hpp"
#include "platform/WaveWriter.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr std::uint32_t kRateHz = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

using Buffer = std::vector<double>;

struct Stereo {
    Buffer left;
    Buffer right;
};

std::size_t samplesFor(double seconds)
{
    return static_cast<std::size_t>(std::lround(seconds * kRate));
}

double dbToGain(double db)
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

Buffer gaussNoise(Rng& rng, std::size_t n)
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
void addWrapped(Buffer& loop, double at, const Buffer& sound, double gain)
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
void addPanned(Stereo& loop, double at, const Buffer& sound, double gain, double pan)
{
    const double angle = (pan + 1.0) * 0.25 * kPi;
    addWrapped(loop.left, at, sound, gain * std::cos(angle));
    addWrapped(loop.right, at, sound, gain * std::sin(angle));
}

// `count` event times spread around a loop of n samples with random gaps (each gap between
// (1 - jitter) and (1 + jitter) times the mean), scaled so that the gaps add up to exactly one
// loop: the gap from the last event round to the first is as ordinary as any other.
std::vector<double> loopTimes(Rng& rng, int count, std::size_t n, double jitter)
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

double rms(const Buffer& b)
{
    double sum = 0.0;
    for (double v : b)
        sum += v * v;
    return std::sqrt(sum / static_cast<double>(b.size()));
}

double peak(const Buffer& b)
{
    double p = 0.0;
    for (double v : b)
        p = std::max(p, std::abs(v));
    return p;
}

void scale(Buffer& b, double gain)
{
    for (double& v : b)
        v *= gain;
}

void scaleToRms(Buffer& b, double dbfs)
{
    scale(b, dbToGain(dbfs) / rms(b));
}

void scaleToRms(Stereo& s, double dbfs)
{
    const double level = std::sqrt(0.5 * (rms(s.left) * rms(s.left) + rms(s.right) * rms(s.right)));
    scale(s.left, dbToGain(dbfs) / level);
    scale(s.right, dbToGain(dbfs) / level);
}

void scaleToPeak(Stereo& s, double dbfs)
{
    const double level = std::max(peak(s.left), peak(s.right));
    scale(s.left, dbToGain(dbfs) / level);
    scale(s.right, dbToGain(dbfs) / level);
}

void mixInto(Stereo& dst, const Stereo& src, double gain)
{
    for (std::size_t i = 0; i < dst.left.size(); ++i) {
        dst.left[i] += gain * src.left[i];
        dst.right[i] += gain * src.right[i];
    }
}

// Removes any DC and sub-audible drift (two one-pole high-passes at 20 Hz), around the loop.
Buffer removeDc(const Buffer& in)
{
    OnePole a(20.0), b(20.0);
    return aroundTheLoop(in.size(), [&](std::size_t i) { return b.high(a.high(in[i])); });
}

// ---------------------------------------------------------------------------------------------
// The sparkler.

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

Buffer renderPop(const Pop& pop, Rng& rng)
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

// The crackle: many small pops in irregular clusters, with a few larger, lower pops among
// them, over a dense fizz of tiny grains and a bright hiss, all surging and easing off as
// the sparkler burns unevenly.
Buffer makeSparkler()
{
    const std::size_t n = samplesFor(2.0);
    const double loopLength = static_cast<double>(n);
    Rng rng(0x5A4B1E5EEDull);

    // How fiercely it burns: surges a few times a second, and a quick flutter on top.
    const LoopCurve surge(rng, 24, 0.5, 1.5);
    const LoopCurve flutter(rng, 300, 0.55, 1.45);
    const LoopCurve shimmer(rng, 700, 0.4, 1.6);
    auto drive = [&](double phase) { return std::max(0.05, surge.at(phase)) * std::max(0.2, flutter.at(phase)); };

    Buffer pops(n, 0.0);

    // Clusters: a burning droplet bursts into a quick run of pops. Where the surge is high
    // more clusters start (thinning against the surge curve).
    const int clusterCount = 260;
    for (int c = 0; c < clusterCount;) {
        const double phase = rng.uniform();
        if (rng.uniform() * 1.6 > std::max(0.0, surge.at(phase)))
            continue;
        ++c;
        // From 0 (faint and tiny) up to 0.55 (the largest pops in the loop).
        const double size = std::min(0.55, 0.1 * rng.pareto(2.3));
        const int count = 1 + std::min(10, static_cast<int>(rng.exponential(2.5)));
        const double gap = rng.logUniform(0.5, 5.0) * 1e-3 * kRate;
        double at = phase * loopLength;
        for (int p = 0; p < count; ++p) {
            // The first pop of a run is the strongest; the ones after it tail off.
            const double s = size * rng.uniform(0.4, 1.0) * std::pow(0.8, p);
            Pop pop{};
            pop.at = at;
            pop.amp = s;
            // Large pops are lower and duller and last longer; small ones are high and short.
            pop.hz = std::exp(std::log(9500.0) + (std::log(1300.0) - std::log(9500.0)) * std::sqrt(s))
                * rng.uniform(0.75, 1.3);
            pop.q = rng.uniform(0.8, 3.0);
            pop.decayMs = (0.1 + 1.3 * s) * rng.uniform(0.6, 1.6);
            pop.edge = rng.uniform(0.2, 0.5);
            const Buffer sound = renderPop(pop, rng);
            addWrapped(pops, pop.at, sound, 1.0);
            // A large pop also cracks: a bright click on its leading edge.
            if (s > 0.3) {
                Pop crack{pop.at, 0.6 * s, rng.uniform(6000.0, 10000.0), 1.2, 0.12, 0.6};
                addWrapped(pops, crack.at, renderPop(crack, rng), 1.0);
            }
            at += rng.exponential(gap);
        }
    }

    // Lone ticks: tiny, very bright, everywhere, a little denser where it burns harder.
    const int tickCount = 1600;
    for (int c = 0; c < tickCount;) {
        const double phase = rng.uniform();
        if (rng.uniform() * 2.3 > drive(phase))
            continue;
        ++c;
        Pop tick{};
        tick.at = phase * loopLength;
        tick.amp = std::min(0.12, 0.018 * rng.pareto(2.0));
        tick.hz = rng.logUniform(4500.0, 12500.0);
        tick.q = rng.uniform(0.7, 2.5);
        tick.decayMs = rng.logUniform(0.06, 0.35);
        tick.edge = rng.uniform(0.3, 0.7);
        addWrapped(pops, tick.at, renderPop(tick, rng), 1.0);
    }

    // The fizz: a dense rain of single-sample grains (not smooth noise), kept above 2.5 kHz.
    Buffer grains(n, 0.0);
    Buffer hiss(n);
    Buffer burn(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double phase = static_cast<double>(i) / loopLength;
        if (rng.uniform() < 5000.0 / kRate * drive(phase))
            grains[i] = rng.sign() * rng.exponential(1.0);
        hiss[i] = rng.gauss() * std::max(0.1, shimmer.at(phase)) * std::sqrt(drive(phase));
        burn[i] = rng.gauss() * std::max(0.05, surge.at(phase));
    }
    {
        Svf hp1(2500.0, 0.7), hp2(2500.0, 0.7), lp(14000.0, 0.7);
        grains = aroundTheLoop(n, [&](std::size_t i) { return lp.run(hp2.run(hp1.run(grains[i]).high).high).low; });
    }
    {
        Svf hp1(3500.0, 0.7), hp2(3500.0, 0.7), lp(11000.0, 0.7);
        hiss = aroundTheLoop(n, [&](std::size_t i) { return lp.run(hp2.run(hp1.run(hiss[i]).high).high).low; });
    }
    {
        // The low breath of the burning: a soft, wide band around 900 Hz.
        Svf bp(900.0, 0.8);
        burn = aroundTheLoop(n, [&](std::size_t i) { return bp.run(burn[i]).band; });
    }

    scaleToRms(pops, -19.0);
    scaleToRms(grains, -24.0);
    scaleToRms(hiss, -29.0);
    scaleToRms(burn, -35.0);
    Buffer mix(n);
    for (std::size_t i = 0; i < n; ++i)
        mix[i] = pops[i] + grains[i] + hiss[i] + burn[i];
    mix = removeDc(mix);

    // Round off the very largest pops so the bed can sit louder under them.
    const double knee = 0.5;
    for (double& v : mix) {
        const double a = std::abs(v);
        if (a > knee)
            v = std::copysign(knee + (1.0 - knee) * std::tanh((a - knee) / (1.0 - knee)), v);
    }
    scale(mix, dbToGain(-1.0) / peak(mix));
    return mix;
}

// ---------------------------------------------------------------------------------------------
// The night by the lake.

// Wind: slowly gusting, low filtered noise in both ears (partly shared, partly not), and a
// faint rustle of leaves when it gusts hardest.
Stereo makeWind(Rng& rng, std::size_t n)
{
    const LoopCurve gust(rng, 9, 0.0, 1.0);
    const LoopCurve flutter(rng, 500, 0.5, 1.5);
    const Buffer shared = gaussNoise(rng, n);
    const Buffer own[2] = {gaussNoise(rng, n), gaussNoise(rng, n)};
    const Buffer leaves[2] = {gaussNoise(rng, n), gaussNoise(rng, n)};
    Stereo out;
    for (int ch = 0; ch < 2; ++ch) {
        Svf body, whistle, rustle(2600.0, 0.6);
        OnePole hp(60.0);
        const double lag = 0.03 * ch; // the gust reaches one ear a little later
        Buffer b = aroundTheLoop(n, [&](std::size_t i) {
            const double phase = static_cast<double>(i) / static_cast<double>(n);
            const double g = std::clamp(gust.at(std::fmod(phase + 1.0 - lag, 1.0)), 0.0, 1.0);
            body.set(180.0 + 520.0 * g, 0.6);
            whistle.set(500.0 + 500.0 * g, 2.5);
            const double src = 0.6 * shared[i] + 0.8 * own[ch][i];
            const double wind = body.run(src).low + 0.25 * whistle.run(src).band;
            const double leaf = rustle.run(leaves[ch][i]).band * g * g * g * std::max(0.0, flutter.at(phase));
            return hp.high((0.3 + 0.7 * g * g) * wind + 0.12 * leaf);
        });
        (ch == 0 ? out.left : out.right) = std::move(b);
    }
    return out;
}

// One small wave running up the shore: a wash of noise that brightens as it breaks and darkens
// as it draws back, a soft slap as it lands, foam fizz, and a few bubbles gurgling after it.
Buffer renderLap(Rng& rng)
{
    const double rise = rng.uniform(0.10, 0.28);
    const double tau = rng.uniform(0.20, 0.45);
    const double brightness = rng.uniform(700.0, 1300.0);
    const double slap = rng.uniform(0.3, 0.9);
    const double sloshHz = rng.uniform(4.0, 9.0);
    Buffer out(samplesFor(rise + 6.0 * tau));
    Svf wash, dark(2500.0, 0.7), foam(2000.0, 0.7), foamTop(6000.0, 0.7), thud(220.0, 0.7);
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double t = static_cast<double>(k) / kRate;
        const double env = t < rise ? 0.5 - 0.5 * std::cos(kPi * t / rise) : std::exp(-(t - rise) / tau);
        // As it runs back the water sloshes: a wobble in level and colour.
        const double slosh = t < rise ? 1.0 : 1.0 + 0.45 * std::sin(kTwoPi * sloshHz * (t - rise));
        wash.set((280.0 + brightness * env) * (0.85 + 0.15 * slosh), 0.9);
        const double slapEnv = t < rise ? 0.0 : std::exp(-(t - rise) / 0.035) * std::min(1.0, (t - rise) / 0.004);
        out[k] = dark.run(wash.run(rng.gauss()).band).low * env * slosh
            + 0.15 * foamTop.run(foam.run(rng.gauss()).high).low * env * env
            + slap * thud.run(rng.gauss()).low * slapEnv;
    }
    const int bubbles = 2 + rng.below(5);
    for (int b = 0; b < bubbles; ++b) {
        const double at = rise + rng.uniform(0.0, 2.0 * tau);
        const double hz = rng.logUniform(450.0, 1800.0);
        const double decay = rng.logUniform(0.006, 0.025);
        const double amp = rng.uniform(0.03, 0.1);
        double phase = 0.0;
        const std::size_t first = samplesFor(at);
        for (std::size_t k = 0; k < samplesFor(6.0 * decay) && first + k < out.size(); ++k) {
            const double t = static_cast<double>(k) / kRate;
            phase += kTwoPi * hz * (1.0 + 0.6 * t / decay) / kRate; // a bubble's pitch rises as it dies
            out[first + k] += amp * std::sin(phase) * std::exp(-t / decay) * std::min(1.0, t / 0.0008);
        }
    }
    return out;
}

Stereo makeWater(Rng& rng, std::size_t n)
{
    Stereo out{Buffer(n, 0.0), Buffer(n, 0.0)};
    // About one wave every two seconds, irregular; now and then a second, smaller one close behind.
    for (double at : loopTimes(rng, 10, n, 0.55)) {
        const double pan = rng.uniform(-0.5, 0.5);
        const double size = rng.uniform(0.5, 1.0);
        addPanned(out, at, renderLap(rng), size, pan);
        if (rng.uniform() < 0.35)
            addPanned(out, at + rng.uniform(0.35, 0.7) * kRate, renderLap(rng), 0.5 * size,
                      std::clamp(pan + rng.uniform(-0.3, 0.3), -0.7, 0.7));
    }
    // Between the waves the water never quite rests: a low, slowly stirring murmur.
    const LoopCurve stir(rng, 60, 0.2, 1.0);
    const Buffer murmur[2] = {gaussNoise(rng, n), gaussNoise(rng, n)};
    Buffer* channel[2] = {&out.left, &out.right};
    for (int ch = 0; ch < 2; ++ch) {
        Svf lp(350.0, 0.8);
        const Buffer bed
            = aroundTheLoop(n, [&](std::size_t i) { return lp.run(murmur[ch][i]).low * std::max(0.0, stir.at(i, n)); });
        for (std::size_t i = 0; i < n; ++i)
            (*channel[ch])[i] += 0.12 * bed[i];
    }
    return out;
}

// One cricket pulse: a short tone burst at the carrier, gliding slightly down.
Buffer renderPulse(double hz, double seconds)
{
    Buffer out(samplesFor(seconds));
    double phase = 0.0;
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double x = static_cast<double>(k) / static_cast<double>(out.size());
        phase += kTwoPi * hz * (1.0 - 0.04 * x) / kRate;
        const double env = std::pow(std::sin(kPi * x), 1.5) * (1.0 - 0.3 * x);
        out[k] = env * (std::sin(phase) + 0.12 * std::sin(2.0 * phase));
    }
    return out;
}

struct CricketVoice {
    double hz; // carrier
    double pulseMs; // length of one pulse
    double spacingMs; // pulse to pulse within a chirp
    int minPulses; // pulses per chirp
    int maxPulses;
    int chirps; // chirps per loop (a trilling voice: one pulse per "chirp")
    double level;
    double pan;
    double restBelow; // the voice rests while its mood curve is under this
};

Stereo makeCrickets(Rng& rng, std::size_t n)
{
    Stereo out{Buffer(n, 0.0), Buffer(n, 0.0)};
    const CricketVoice voices[] = {
        {4600.0, 16.0, 30.0, 3, 4, 46, 1.0, -0.55, 0.15},
        {4150.0, 18.0, 34.0, 4, 5, 35, 0.7, 0.6, 0.3},
        {5300.0, 12.0, 24.0, 2, 3, 62, 0.45, 0.15, 0.45},
        {3100.0, 9.0, 0.0, 1, 1, 1100, 0.22, -0.15, 0.5}, // a far tree cricket's trill
    };
    for (const CricketVoice& v : voices) {
        const LoopCurve mood(rng, 7, 0.0, 1.0);
        const double loopLength = static_cast<double>(n);
        for (double at : loopTimes(rng, v.chirps, n, v.chirps > 200 ? 0.05 : 0.08)) {
            const double m = mood.at(at / loopLength);
            if (m < v.restBelow)
                continue;
            const double fade = std::min(1.0, (m - v.restBelow) / 0.15);
            const int pulses = v.minPulses + rng.below(v.maxPulses - v.minPulses + 1);
            for (int p = 0; p < pulses; ++p) {
                const double t = at + (p * v.spacingMs + rng.uniform(-0.8, 0.8)) * 1e-3 * kRate;
                const double amp = v.level * fade * rng.uniform(0.8, 1.0) * (p == 0 ? 0.8 : 1.0);
                const Buffer pulse = renderPulse(v.hz * rng.uniform(0.995, 1.005), v.pulseMs * 1e-3);
                addPanned(out, t, pulse, amp, v.pan);
            }
        }
    }
    return out;
}

// A distant firework: a low boom with a falling pitch, the dull thud of the burst, a long soft
// rumble rolling away, echoes from the far shore and, for some, faint crackling stars.
Buffer renderFirework(Rng& rng, bool crackles)
{
    Buffer out(samplesFor(7.0), 0.0);
    Buffer direct(samplesFor(1.6), 0.0);
    const double low = rng.uniform(42.0, 55.0);
    const double drop = rng.uniform(30.0, 50.0);
    Svf thud(rng.uniform(140.0, 220.0), 0.7), thud2(200.0, 0.7);
    Svf mid(rng.uniform(300.0, 420.0), 0.8), far(700.0, 0.7);
    double phase = 0.0;
    for (std::size_t k = 0; k < direct.size(); ++k) {
        const double t = static_cast<double>(k) / kRate;
        phase += kTwoPi * (low + drop * std::exp(-t / 0.07)) / kRate;
        const double boom = std::sin(phase) * (1.0 - std::exp(-t / 0.005)) * std::exp(-t / 0.28);
        const double body
            = thud2.run(thud.run(rng.gauss()).low).low * (1.0 - std::exp(-t / 0.004)) * std::exp(-t / 0.16);
        const double knock
            = far.run(mid.run(rng.gauss()).band).low * (1.0 - std::exp(-t / 0.006)) * std::exp(-t / 0.09);
        direct[k] = boom + 1.6 * body + 0.9 * knock;
    }
    for (std::size_t k = 0; k < direct.size(); ++k)
        out[k] += direct[k];
    // The rumble: low noise that swells for a moment and then rolls away for seconds.
    Svf rumble1(110.0, 0.7), rumble2(110.0, 0.7);
    for (std::size_t k = 0; k < out.size(); ++k) {
        const double t = static_cast<double>(k) / kRate;
        out[k]
            += 1.6 * rumble2.run(rumble1.run(rng.gauss()).low).low * (1.0 - std::exp(-t / 0.05)) * std::exp(-t / 1.8);
    }
    // Echoes from the far shore and the hills: later, quieter, duller.
    const double echoes[][2] = {{rng.uniform(0.45, 0.8), 0.32}, {rng.uniform(1.3, 2.1), 0.14}};
    for (const auto& echo : echoes) {
        OnePole dull(260.0);
        const std::size_t first = samplesFor(echo[0]);
        for (std::size_t k = 0; k < direct.size() && first + k < out.size(); ++k)
            out[first + k] += echo[1] * dull.low(direct[k]);
    }
    if (crackles) {
        const int count = 60 + rng.below(60);
        const double start = rng.uniform(0.9, 1.4);
        for (int c = 0; c < count; ++c) {
            Pop star{};
            star.at = (start + rng.exponential(0.45)) * kRate;
            if (star.at > 5.5 * kRate)
                continue;
            star.amp = 0.035 * rng.uniform(0.3, 1.0);
            star.hz = rng.logUniform(1200.0, 3500.0); // far away, so dull
            star.q = 1.0;
            star.decayMs = rng.uniform(0.4, 1.5);
            star.edge = 0.0;
            const Buffer sound = renderPop(star, rng);
            const std::size_t first = static_cast<std::size_t>(star.at);
            for (std::size_t k = 0; k < sound.size() && first + k < out.size(); ++k)
                out[first + k] += sound[k];
        }
    }
    return out;
}

Stereo makeFireworks(Rng& rng, std::size_t n)
{
    Stereo out{Buffer(n, 0.0), Buffer(n, 0.0)};
    // Three shows in the loop, irregularly spaced; the second fires two shells in quick succession.
    const double starts[] = {3.2, 10.9, 16.6};
    const double sizes[] = {0.8, 1.0, 0.55};
    const double pans[] = {-0.35, 0.3, -0.1};
    for (int f = 0; f < 3; ++f) {
        const double at = (starts[f] + rng.uniform(-0.4, 0.4)) * kRate;
        addPanned(out, at, renderFirework(rng, f != 2), sizes[f], pans[f]);
        if (f == 1)
            addPanned(out, at + rng.uniform(0.6, 0.9) * kRate, renderFirework(rng, false), 0.6 * sizes[f],
                      pans[f] + 0.15);
    }
    return out;
}

// A sparse, dark outdoor reverb (parallel damped combs into series all-passes, after a short
// pre-delay), run around the loop so its tail carries over the end into the start.
Stereo reverberate(const Stereo& in)
{
    const std::size_t n = in.left.size();
    class Delay {
    public:
        explicit Delay(std::size_t length) : line_(length, 0.0) {}
        double read() const { return line_[pos_]; }
        void write(double v)
        {
            line_[pos_] = v;
            if (++pos_ == line_.size())
                pos_ = 0;
        }

    private:
        Buffer line_;
        std::size_t pos_ = 0;
    };
    const std::size_t combLengths[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const std::size_t passLengths[] = {556, 441, 341, 225};
    Stereo out;
    for (int ch = 0; ch < 2; ++ch) {
        const std::size_t spread = ch == 0 ? 0 : 23;
        std::vector<Delay> combs, passes;
        for (std::size_t len : combLengths)
            combs.emplace_back((len + spread) * 17 / 10);
        for (std::size_t len : passLengths)
            passes.emplace_back(len + spread);
        std::vector<double> damp(combs.size(), 0.0);
        Delay pre(samplesFor(0.06));
        const double feedback = 0.86;
        const double damping = 0.45;
        Buffer b = aroundTheLoop(n, [&](std::size_t i) {
            const double x = pre.read();
            pre.write(0.5 * (in.left[i] + in.right[i]));
            double acc = 0.0;
            for (std::size_t c = 0; c < combs.size(); ++c) {
                const double y = combs[c].read();
                damp[c] = y * (1.0 - damping) + damp[c] * damping;
                combs[c].write(x + damp[c] * feedback);
                acc += y;
            }
            for (Delay& p : passes) {
                const double delayed = p.read();
                p.write(acc + 0.5 * delayed);
                acc = delayed - acc;
            }
            return 0.125 * acc;
        });
        (ch == 0 ? out.left : out.right) = std::move(b);
    }
    return out;
}

Stereo makeBackground()
{
    const std::size_t n = samplesFor(20.0);
    Rng rng(0x1A4E5EA5011Dull);
    Stereo wind = makeWind(rng, n);
    Stereo water = makeWater(rng, n);
    Stereo crickets = makeCrickets(rng, n);
    Stereo fireworks = makeFireworks(rng, n);

    scaleToRms(wind, -37.0);
    scaleToPeak(water, -21.0);
    scaleToPeak(crickets, -27.0);
    scaleToPeak(fireworks, -13.0);

    Stereo dry{Buffer(n, 0.0), Buffer(n, 0.0)};
    Stereo send{Buffer(n, 0.0), Buffer(n, 0.0)};
    mixInto(dry, wind, 1.0);
    mixInto(dry, water, 1.0);
    mixInto(dry, crickets, 1.0);
    mixInto(dry, fireworks, 1.0);
    mixInto(send, water, 0.15);
    mixInto(send, crickets, 0.35);
    mixInto(send, fireworks, 0.6);
    mixInto(dry, reverberate(send), 1.0);

    dry.left = removeDc(dry.left);
    dry.right = removeDc(dry.right);
    scaleToPeak(dry, -12.0);
    return dry;
}

// ---------------------------------------------------------------------------------------------
// Output.

std::int16_t toPcm(double v)
{
    const double scaled = std::round(std::clamp(v, -1.0, 1.0) * 32767.0);
    return static_cast<std::int16_t>(scaled);
}

// One channel buffer or two, as a 16-bit PCM wave file.
bool writeSound(const std::filesystem::path& path, const std::vector<const Buffer*>& channels)
{
    const std::uint32_t channelCount = static_cast<std::uint32_t>(channels.size());
    const std::size_t frames = channels.front()->size();
    std::vector<std::int16_t> samples;
    samples.reserve(frames * channelCount);
    for (std::size_t i = 0; i < frames; ++i)
        for (const Buffer* ch : channels)
            samples.push_back(toPcm((*ch)[i]));

    if (!writeWave(path.string(), samples, static_cast<int>(channelCount), static_cast<int>(kRateHz))) {
        std::fprintf(stderr, "make_sounds: cannot write %s\n", path.string().c_str());
        return false;
    }
    std::printf("wrote %s (%u ch, %.2f s)\n", path.string().c_str(), channelCount, static_cast<double>(frames) / kRate);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "make_sounds: %s is not a directory\n", dir.string().c_str());
        return 1;
    }

    const Buffer sparkler = makeSparkler();
    const Stereo background = makeBackground();
    const bool ok = writeSound(dir / "Sparkler.wav", {&sparkler})
        && writeSound(dir / "BackgroundSound.wav", {&background.left, &background.right});
    return ok ? 0 : 1;
}
