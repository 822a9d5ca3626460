// Sound3DBuffer: the 3D buffer of an audio path, which places that path's source relative to
// the listener's head every frame. Calls on a buffer whose path or device has gone do nothing.
#pragma once

#include <cstdint>

// The 3D buffer of an audio path: positions its source relative to the listener's head.
class Sound3DBuffer {
public:
    void setMinDistance(float distance);
    void setModeHeadRelative();
    void setPosition(float x, float y, float z);

private:
    friend class SoundAudioPath;
    explicit Sound3DBuffer(unsigned pathSource) : source(pathSource) {}
    unsigned source;
    std::uint64_t token = 0; // identifies the path's source while it lives
};
