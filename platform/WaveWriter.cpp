// WaveWriter: the header, the sample bytes and the file; see the header.
#include "platform/WaveWriter.hpp"

#include "platform/AtomicFile.hpp"

namespace {

void put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

std::string waveFileImage(int channels, int bitsPerSample, int rate, std::string_view data, int formatTag)
{
    const auto channelCount = static_cast<std::uint32_t>(channels);
    const auto bits = static_cast<std::uint32_t>(bitsPerSample);
    const auto frequency = static_cast<std::uint32_t>(rate);
    std::string out;
    out.reserve(44 + data.size());
    out += "RIFF";
    put32(out, static_cast<std::uint32_t>(36 + data.size()));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, static_cast<std::uint32_t>(formatTag));
    put16(out, channelCount);
    put32(out, frequency);
    put32(out, frequency * channelCount * bits / 8);
    put16(out, channelCount * bits / 8);
    put16(out, bits);
    out += "data";
    put32(out, static_cast<std::uint32_t>(data.size()));
    out += data;
    return out;
}

std::string pcm16Bytes(const std::int16_t* samples, std::size_t count)
{
    std::string out;
    out.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i)
        put16(out, static_cast<std::uint16_t>(samples[i]));
    return out;
}

std::string pcm16Bytes(const std::vector<std::int16_t>& samples)
{
    return pcm16Bytes(samples.data(), samples.size());
}

bool writeWave(const std::string& path, const std::vector<std::int16_t>& samples, int channels, int rate,
               std::string& error)
{
    const std::string bytes = waveFileImage(channels, 16, rate, pcm16Bytes(samples));
    return AtomicFile::writeWhole(path, bytes.data(), bytes.size(), error);
}
