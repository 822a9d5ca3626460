// The crackle, Sparkler.wav: a bed of fizzing noise with pops of many sizes, each a short burst
// rung through a band-pass and edged with raw noise above 3 kHz, laid around the loop.
#include "sounds/Sounds.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace sounds {
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

} // namespace sounds
