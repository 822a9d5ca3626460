// A wave file as the program's wave sound backend writes it, read back for the end-to-end tests:
// its format, its length and its peak level.
#pragma once

#include "support/Process.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace e2e {

struct WaveSummary {
    bool parsed = false;
    int format = 0; // 1 integer PCM, 3 float
    int channels = 0;
    int bits = 0;
    std::size_t dataBytes = 0;
    double peak = 0; // largest sample magnitude, 1.0 = full scale
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
    for (std::size_t i = dataAt; i + 4 <= dataAt + wave.dataBytes; i += 4) {
        double value = 0;
        if (wave.format == 3 && wave.bits == 32) {
            const std::uint32_t raw = u32(i);
            float f = 0;
            std::memcpy(&f, &raw, sizeof f);
            value = std::fabs(static_cast<double>(f));
        } else if (wave.format == 1 && wave.bits == 16) {
            value = std::fabs(static_cast<std::int16_t>(u16(i)) / 32768.0);
        } else if (wave.format == 1 && wave.bits == 8) {
            value = std::fabs((static_cast<unsigned char>(bytes[i]) - 128) / 128.0);
        }
        if (std::isfinite(value))
            wave.peak = std::max(wave.peak, value);
    }
    return wave;
}

} // namespace e2e
