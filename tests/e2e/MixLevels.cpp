// Finds the program's two sounds in a stereo mix that a sound device wrote to a file, for the
// scripts that check the sound of builds this one cannot link against (the Windows program under
// Wine): where the background loop starts and how well it matches, and each round of the looping
// crackle with its level on the left and on the right. Prints one line per finding:
//   mix SAMPLES
//   background MATCH OFFSET
//   crackle OFFSET MATCH LEFT RIGHT      (a round found; LEFT and RIGHT its gain on each side)
//   silence OFFSET LENGTH                (a stretch of at least half a second with nothing in it)
// Usage: sparkler_mix_levels MIX.wav CRACKLE.wav BACKGROUND.wav
#include "support/WaveReader.hpp"

#include <cstdio>

using namespace e2e;

namespace {

// How much of `sound`, from its start, is in one channel at `offset`: its least-squares gain.
double gainAt(const std::vector<float>& channel, const std::vector<float>& sound, std::size_t offset)
{
    double dot = 0;
    double energy = 0;
    for (std::size_t i = 0; i < sound.size() && offset + i < channel.size(); ++i) {
        dot += static_cast<double>(channel[offset + i]) * sound[i];
        energy += static_cast<double>(sound[i]) * sound[i];
    }
    return energy > 0 ? dot / energy : 0;
}

std::vector<float> stretch(const std::vector<float>& samples, std::size_t from, std::size_t count)
{
    const std::size_t end = std::min(samples.size(), from + count);
    return from < end ? std::vector<float>(samples.begin() + static_cast<std::ptrdiff_t>(from),
                                           samples.begin() + static_cast<std::ptrdiff_t>(end))
                      : std::vector<float>();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: sparkler_mix_levels MIX.wav CRACKLE.wav BACKGROUND.wav\n");
        return 2;
    }
    const WaveSummary mix = readWave(argv[1]);
    const WaveSummary crackle = readWave(argv[2]);
    const WaveSummary background = readWave(argv[3]);
    if (!mix.parsed || mix.channels != 2 || !crackle.parsed || crackle.channels != 1 || !background.parsed
        || mix.rate != crackle.rate) {
        std::fprintf(stderr, "sparkler_mix_levels: a stereo mix and the two sounds (the crackle mono) at one rate "
                             "are needed\n");
        return 2;
    }
    std::printf("mix %zu\n", mix.mono.size());
    constexpr std::size_t length = 4096;
    const std::size_t round = crackle.mono.size();

    // The background starts once, with the first crackle: looked for before a round could end.
    std::size_t backgroundAt = 0;
    const double backgroundMatch =
        bestCorrelation(stretch(mix.mono, 0, round + length), background.mono, length, &backgroundAt);
    std::printf("background %.3f %zu\n", backgroundMatch, backgroundAt);

    // While the crackle plays on, each round follows the last; after a stop or a pause the next
    // is looked for within a round's length.
    for (std::size_t from = 0; from + length <= mix.mono.size();) {
        std::size_t at = 0;
        double match = bestCorrelation(stretch(mix.mono, from, length), crackle.mono, length, &at);
        if (match < 0.5)
            match = bestCorrelation(stretch(mix.mono, from, round + length), crackle.mono, length, &at);
        if (match < 0.5) {
            from += round;
            continue;
        }
        at += from;
        std::printf("crackle %zu %.3f %.4f %.4f\n", at, match, gainAt(mix.left, crackle.mono, at),
                    gainAt(mix.right, crackle.mono, at));
        from = at + round;
    }

    const std::size_t quietest = static_cast<std::size_t>(mix.rate / 2);
    std::size_t quietFrom = 0;
    for (std::size_t i = 0; i <= mix.mono.size(); ++i) {
        const bool quiet = i < mix.mono.size() && std::fabs(mix.left[i]) < 1e-4f && std::fabs(mix.right[i]) < 1e-4f;
        if (quiet)
            continue;
        if (i - quietFrom >= quietest)
            std::printf("silence %zu %zu\n", quietFrom, i - quietFrom);
        quietFrom = i + 1;
    }
    return 0;
}
