// DirectSound voices: secondary buffers made per played wave, with their 3D placement; see
// the header. Buffers play with global focus, so the sound goes on while another window has
// the keyboard, as it does on the other systems.
#include "platform/win32/DirectSoundVoices.hpp"

#include <windows.h>

#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <map>
#include <vector>

namespace dsound {

namespace {

struct Voice {
    bool spatial = false;
    IDirectSoundBuffer* buffer = nullptr;
    IDirectSound3DBuffer* placement = nullptr;
    std::uintptr_t token = 0; // what the buffer holds
    float minDistance = DS3D_DEFAULTMINDISTANCE;
    bool headRelative = false;
    D3DVECTOR position{0.0f, 0.0f, 0.0f};
    // Stopped by pauseAll while it played: it plays on from where it stood when resumed.
    bool paused = false;
    bool pausedLooping = false;
};

IDirectSound* theDevice = nullptr;
std::map<unsigned, Voice> voices;
unsigned lastVoice = 0;

void dropBuffer(Voice& voice)
{
    if (voice.placement != nullptr)
        voice.placement->Release();
    if (voice.buffer != nullptr) {
        voice.buffer->Stop();
        voice.buffer->Release();
    }
    voice.placement = nullptr;
    voice.buffer = nullptr;
    voice.token = 0;
    voice.paused = false;
}

void applyPlacement(Voice& voice)
{
    if (voice.placement == nullptr)
        return;
    voice.placement->SetMinDistance(voice.minDistance, DS3D_IMMEDIATE);
    voice.placement->SetMode(voice.headRelative ? DS3DMODE_HEADRELATIVE : DS3DMODE_NORMAL, DS3D_IMMEDIATE);
    voice.placement->SetPosition(voice.position.x, voice.position.y, voice.position.z, DS3D_IMMEDIATE);
}

bool makeBuffer(Voice& voice, const std::int16_t* samples, std::size_t frames, int channels, int rate)
{
    const int outChannels = voice.spatial ? 1 : channels;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(outChannels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(2 * outChannels);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2 | (voice.spatial ? DSBCAPS_CTRL3D : 0);
    description.dwBufferBytes = static_cast<DWORD>(frames * format.nBlockAlign);
    description.lpwfxFormat = &format;
    description.guid3DAlgorithm = DS3DALG_DEFAULT;
    if (theDevice->CreateSoundBuffer(&description, &voice.buffer, nullptr) != DS_OK)
        return false;
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0;
    DWORD secondBytes = 0;
    if (voice.buffer->Lock(0, 0, &first, &firstBytes, &second, &secondBytes, DSBLOCK_ENTIREBUFFER) != DS_OK)
        return false;
    auto* out = static_cast<std::int16_t*>(first);
    const std::size_t count = firstBytes / 2;
    if (outChannels == channels) {
        std::memcpy(out, samples, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<std::int16_t>((samples[2 * i] + samples[2 * i + 1]) / 2);
    }
    voice.buffer->Unlock(first, firstBytes, second, secondBytes);
    if (voice.spatial
        && voice.buffer->QueryInterface(IID_IDirectSound3DBuffer, reinterpret_cast<void**>(&voice.placement)) != DS_OK)
        voice.placement = nullptr;
    applyPlacement(voice);
    return true;
}

Voice* find(unsigned id)
{
    const auto it = voices.find(id);
    return it != voices.end() ? &it->second : nullptr;
}

} // namespace

IDirectSound* device()
{
    return theDevice;
}

void setDevice(IDirectSound* device)
{
    theDevice = device;
}

unsigned createVoice(bool spatial)
{
    if (theDevice == nullptr)
        return 0;
    voices[++lastVoice].spatial = spatial;
    return lastVoice;
}

void releaseVoice(unsigned id)
{
    if (Voice* voice = find(id)) {
        dropBuffer(*voice);
        voices.erase(id);
    }
}

void releaseAllVoices()
{
    for (auto& [id, voice] : voices)
        dropBuffer(voice);
    voices.clear();
}

bool play(unsigned id, std::uintptr_t token, const std::int16_t* samples, std::size_t frames, int channels, int rate,
          bool loop)
{
    Voice* voice = find(id);
    if (voice == nullptr || theDevice == nullptr || samples == nullptr || frames == 0)
        return false;
    if (voice->token != token || voice->buffer == nullptr) {
        dropBuffer(*voice);
        if (!makeBuffer(*voice, samples, frames, channels, rate)) {
            dropBuffer(*voice);
            return false;
        }
        voice->token = token;
    }
    voice->buffer->Stop();
    voice->buffer->SetCurrentPosition(0);
    voice->paused = false;
    return voice->buffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0) == DS_OK;
}

void stop(unsigned id, std::uintptr_t token)
{
    Voice* voice = find(id);
    if (voice != nullptr && voice->buffer != nullptr && (token == 0 || voice->token == token)) {
        voice->buffer->Stop();
        voice->paused = false;
    }
}

void pauseAll(bool paused)
{
    for (auto& [id, voice] : voices) {
        if (voice.buffer == nullptr)
            continue;
        DWORD status = 0;
        if (paused && voice.buffer->GetStatus(&status) == DS_OK && (status & DSBSTATUS_PLAYING) != 0) {
            voice.paused = true;
            voice.pausedLooping = (status & DSBSTATUS_LOOPING) != 0;
            voice.buffer->Stop(); // keeps its position
        } else if (!paused && voice.paused) {
            voice.paused = false;
            voice.buffer->Play(0, 0, voice.pausedLooping ? DSBPLAY_LOOPING : 0);
        }
    }
}

void setMinDistance(unsigned id, float distance)
{
    if (Voice* voice = find(id); voice != nullptr && distance > 0.0f) {
        voice->minDistance = distance;
        if (voice->placement != nullptr)
            voice->placement->SetMinDistance(distance, DS3D_IMMEDIATE);
    }
}

void setHeadRelative(unsigned id)
{
    if (Voice* voice = find(id)) {
        voice->headRelative = true;
        if (voice->placement != nullptr)
            voice->placement->SetMode(DS3DMODE_HEADRELATIVE, DS3D_IMMEDIATE);
    }
}

void setPosition(unsigned id, float x, float y, float z)
{
    if (Voice* voice = find(id)) {
        voice->position = D3DVECTOR{x, y, z};
        if (voice->placement != nullptr)
            voice->placement->SetPosition(x, y, z, DS3D_IMMEDIATE);
    }
}

} // namespace dsound
