// A wave file as the program's wave sound backend writes it, read back for the end-to-end tests:
// its format, its length, its peak level and its samples; and how closely a stretch of one of
// the program's own sounds shows in such a mix.
#pragma once

#include "support/Process.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace e2e {

struct WaveSummary {
    bool parsed = false;
    int format = 0; // 1 integer PCM, 3 float
    int channels = 0;
    int rate = 0; // frames a second
    int bits = 0;
    std::size_t dataBytes = 0;
    double peak = 0; // largest sample magnitude, 1.0 = full scale
    std::vector<float> mono; // the channels summed, frame by frame
    std::vector<float> left, right; // a stereo file's channels apart
};

inline WaveSummary readWave(const std::string& path)
{
    WaveSummary wave;
    const std::string bytes = readFile(path);
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])
                                     | static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return wave;
    std::size_t at = 12;
    std::size_t dataAt = 0;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t size = u32(at + 4);
        if (id == "fmt " && at + 8 + 16 <= bytes.size()) {
            wave.format = static_cast<int>(u16(at + 8));
            wave.channels = static_cast<int>(u16(at + 10));
            wave.rate = static_cast<int>(u32(at + 12));
            wave.bits = static_cast<int>(u16(at + 22));
            if (wave.format == 0xFFFE && at + 8 + 26 <= bytes.size())
                wave.format = static_cast<int>(u16(at + 8 + 24)); // the sub-format's first field
        } else if (id == "data") {
            dataAt = at + 8;
            // A writer killed before it could patch the size leaves the rest of the file as data.
            wave.dataBytes = std::min(bytes.size() - dataAt, size == 0 ? bytes.size() : size);
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (dataAt == 0 || wave.format == 0)
        return wave;
    wave.parsed = true;
    const std::size_t bytesPerSample = static_cast<std::size_t>(std::max(wave.bits / 8, 1));
    const std::size_t channels = static_cast<std::size_t>(std::max(wave.channels, 1));
    wave.mono.reserve(wave.dataBytes / bytesPerSample / channels);
    for (std::size_t i = dataAt; i + bytesPerSample * channels <= dataAt + wave.dataBytes;
         i += bytesPerSample * channels) {
        double sum = 0;
        for (std::size_t c = 0; c < channels; ++c) {
            const std::size_t sampleAt = i + c * bytesPerSample;
            double value = 0;
            if (wave.format == 3 && wave.bits == 32) {
                const std::uint32_t raw = u32(sampleAt);
                float f = 0;
                std::memcpy(&f, &raw, sizeof f);
                value = static_cast<double>(f);
            } else if (wave.format == 1 && wave.bits == 16) {
                value = static_cast<std::int16_t>(u16(sampleAt)) / 32768.0;
            } else if (wave.format == 1 && wave.bits == 8) {
                value = (static_cast<unsigned char>(bytes[sampleAt]) - 128) / 128.0;
            }
            if (!std::isfinite(value))
                value = 0;
            wave.peak = std::max(wave.peak, std::fabs(value));
            sum += value;
            if (channels == 2)
                (c == 0 ? wave.left : wave.right).push_back(static_cast<float>(value));
        }
        wave.mono.push_back(static_cast<float>(sum));
    }
    return wave;
}

// How closely `length` samples of `sound` (from its start) show in `mix` at the best of its
// offsets: the normalised correlation, 1 for the same shape at any level, near 0 for sounds
// that have nothing in common. A sound mixed with others at a fixed level keeps a clear share;
// a sound at a fixed pan still counts whole, as the channels are summed on both sides. The
// offset found goes to `offset`.
inline double bestCorrelation(const std::vector<float>& mix, const std::vector<float>& sound, std::size_t length,
                              std::size_t* offset)
{
    if (sound.size() < length || mix.size() < length)
        return 0;
    double soundEnergy = 0;
    for (std::size_t i = 0; i < length; ++i)
        soundEnergy += static_cast<double>(sound[i]) * sound[i];
    // The mix's energy over the window slides along with it.
    double mixEnergy = 0;
    for (std::size_t i = 0; i < length; ++i)
        mixEnergy += static_cast<double>(mix[i]) * mix[i];
    double best = 0;
    for (std::size_t lag = 0; lag + length <= mix.size(); ++lag) {
        if (lag > 0) {
            mixEnergy += static_cast<double>(mix[lag + length - 1]) * mix[lag + length - 1];
            mixEnergy -= static_cast<double>(mix[lag - 1]) * mix[lag - 1];
        }
        float dot = 0;
        for (std::size_t i = 0; i < length; ++i)
            dot += mix[lag + i] * sound[i];
        const double energy = mixEnergy * soundEnergy;
        if (energy <= 1e-12)
            continue;
        const double correlation = dot / std::sqrt(energy);
        if (correlation > best) {
            best = correlation;
            if (offset != nullptr)
                *offset = lag;
        }
    }
    return best;
}

} // namespace e2e
