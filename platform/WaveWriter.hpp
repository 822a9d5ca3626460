// WaveWriter: PCM wave files as the project writes them (the replay tool's mix, the sound
// generator's assets, the sound tests' made-up files): the canonical 44-byte RIFF header, one
// "fmt " chunk and one "data" chunk, little-endian throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The bytes of a wave file whose data chunk holds `data` as stored. formatTag 1 is PCM.
std::string waveFileImage(int channels, int bitsPerSample, int rate, std::string_view data, int formatTag = 1);

// 16-bit samples as the little-endian bytes a data chunk stores.
std::string pcm16Bytes(const std::int16_t* samples, std::size_t count);
std::string pcm16Bytes(const std::vector<std::int16_t>& samples);

// Writes interleaved 16-bit samples of `channels` channels at `rate` as a wave file, whole or
// not at all (through AtomicFile). False with `error` naming the file when it failed.
bool writeWave(const std::string& path, const std::vector<std::int16_t>& samples, int channels, int rate,
               std::string& error);
