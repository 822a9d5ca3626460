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

#include "platform/WaveWriter.hpp"
#include "sounds/Sounds.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

using namespace sounds;

namespace {

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

    std::string error;
    if (!writeWave(path.string(), samples, static_cast<int>(channelCount), static_cast<int>(kRateHz), error)) {
        std::fprintf(stderr, "make_sounds: %s\n", error.c_str());
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
