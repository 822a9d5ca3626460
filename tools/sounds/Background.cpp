// The night by the lake, BackgroundSound.wav: wind, water lapping on the shore, crickets and
// distant fireworks, mixed around the loop and given a little room by a small reverberation.
#include "sounds/Sounds.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace sounds {

namespace {

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

} // namespace

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

} // namespace sounds
