// Wave files and measurements for the sound tests: temporary directories, PCM wave images,
// tones and noise to play, and levels and correlations of what a loopback device rendered.
#pragma once

#include "platform/WaveWriter.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

namespace testwave {

namespace fs = std::filesystem;

constexpr int kRate = 44100;

class TempDir {
public:
    TempDir()
    {
        static int counter = 0;
        dir = fs::temp_directory_path()
            / ("sparkler-sound-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::create_directories(dir);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    fs::path operator/(const std::string& name) const { return dir / name; }
    const fs::path& path() const { return dir; }

private:
    fs::path dir;
};

// A PCM wave file image: `data` holds the sample bytes as stored.
inline std::string waveImage(int channels, int bits, int rate, const std::string& data, int formatTag = 1)
{
    return waveFileImage(channels, bits, rate, data, formatTag);
}

inline std::string pcm16(const std::vector<std::int16_t>& samples)
{
    return pcm16Bytes(samples);
}

inline void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Zero-mean white noise in [-amplitude, amplitude], the same for the same seed.
inline std::vector<std::int16_t> noise(int frames, std::uint32_t seed, int amplitude = 12000)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    std::uint32_t state = seed;
    for (auto& v : out) {
        state = state * 1664525u + 1013904223u;
        v = static_cast<std::int16_t>(static_cast<int>(state >> 16) % (2 * amplitude + 1) - amplitude);
    }
    return out;
}

// A sine tone of whole periods, so that it loops without a seam.
inline std::vector<std::int16_t> tone(int frames, int hertz, double amplitude = 12000.0)
{
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * hertz * static_cast<double>(i) / kRate)));
    return out;
}

inline std::vector<std::int16_t> interleave(const std::vector<std::int16_t>& left,
                                            const std::vector<std::int16_t>& right)
{
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < left.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

// One channel (0 left, 1 right) of an interleaved stereo block.
inline std::vector<double> channel(const std::vector<std::int16_t>& stereo, int which)
{
    std::vector<double> out;
    for (std::size_t i = static_cast<std::size_t>(which); i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

inline double rms(const std::vector<double>& x)
{
    double sum = 0.0;
    for (double v : x)
        sum += v * v;
    return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

inline int peak(const std::vector<std::int16_t>& stereo)
{
    int p = 0;
    for (std::int16_t v : stereo)
        p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

// Normalised correlation of x with the signal from `offset` on, over x's length.
inline double correlation(const std::vector<double>& x, const std::vector<std::int16_t>& signal, std::size_t offset)
{
    double xy = 0.0, xx = 0.0, yy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double y = signal[(offset + i) % signal.size()];
        xy += x[i] * y;
        xx += x[i] * x[i];
        yy += y * y;
    }
    return xx > 0.0 && yy > 0.0 ? xy / std::sqrt(xx * yy) : 0.0;
}

} // namespace testwave
