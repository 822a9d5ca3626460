// SoundAudioPath: a 3D audio path, one positioned source with inverse-distance-clamped rolloff
// of 1, made by a performance; its 3D buffer places the source.
#pragma once

#include "platform/Sound3DBuffer.hpp"

#include <cstdint>
#include <memory>

// A 3D audio path: one positioned source with inverse-distance-clamped rolloff of 1.
class SoundAudioPath {
public:
    ~SoundAudioPath();
    SoundAudioPath(const SoundAudioPath&) = delete;
    SoundAudioPath& operator=(const SoundAudioPath&) = delete;
    // The path's 3D buffer; null when the path has no source.
    std::unique_ptr<Sound3DBuffer> getBuffer3D();

private:
    friend class SoundPerformance;
    SoundAudioPath() = default;
    unsigned source = 0;
    std::uint64_t token = 0; // identifies the source while it lives
};
