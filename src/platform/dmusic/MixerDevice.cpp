#include "platform/dmusic/MixerDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstring>

#include "platform/dmusic/DMusic.h"
#include "platform/kernel/Kernel.h"

namespace {
bool g_manualMixing = false;
MixerDevice* g_owner = nullptr;
constexpr int kBufferFrames = 1024;
}  // namespace

namespace dmusic_hooks {
void SetManualMixing(bool manual) {
    g_manualMixing = manual;
}
}  // namespace dmusic_hooks

MixerDevice::~MixerDevice() {
    Close();
}

HRESULT MixerDevice::Open(MixFn fn, void* context) {
    if (m_bOpen) {
        return S_FALSE;
    }
    if (g_owner != nullptr) {
        return DMUS_E_DEVICE_IN_USE;
    }
    char trace[512];
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::snprintf(trace, sizeof(trace), "dmusic: no sound device (%s)\n", SDL_GetError());
        OutputDebugStringA(trace);
        return DSERR_NODRIVER;
    }
    // The format is fixed so that decoded segments and the mixer agree; SDL
    // converts to whatever the hardware wants.
    if (Mix_OpenAudioDevice(dmusic_hooks::kMixRate, AUDIO_S16SYS, dmusic_hooks::kMixChannels, kBufferFrames, nullptr,
                            0) != 0) {
        std::snprintf(trace, sizeof(trace), "dmusic: no sound device (%s)\n", Mix_GetError());
        OutputDebugStringA(trace);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DSERR_NODRIVER;
    }
    Mix_Init(MIX_INIT_MID);
    m_pfnMix = fn;
    m_pContext = context;
    m_bOpen = true;
    g_owner = this;
    if (!g_manualMixing) {
        Mix_HookMusic(&MixerDevice::Feed, this);
    }
    return S_OK;
}

void MixerDevice::Close() {
    if (!m_bOpen) {
        return;
    }
    Mix_HookMusic(nullptr, nullptr);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_bOpen = false;
    g_owner = nullptr;
}

void MixerDevice::Feed(void* self, unsigned char* stream, int bytes) {
    auto* device = static_cast<MixerDevice*>(self);
    // SDL_mixer has silenced the stream already; the owner adds to it.
    device->m_pfnMix(device->m_pContext, reinterpret_cast<std::int16_t*>(stream),
                     bytes / static_cast<int>(sizeof(std::int16_t) * dmusic_hooks::kMixChannels));
}

HRESULT MixerDevice::Decode(const std::vector<BYTE>& file, PcmSamples* samples) {
    samples->clear();
    if (g_owner == nullptr) {
        return DMUS_E_NOT_INIT;
    }
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    Mix_Chunk* chunk = stream != nullptr ? Mix_LoadWAV_RW(stream, 1) : nullptr;
    if (chunk == nullptr) {
        char trace[512];
        std::snprintf(trace, sizeof(trace), "dmusic: cannot decode sound (%s)\n", Mix_GetError());
        OutputDebugStringA(trace);
        return DMUS_E_INVALIDFILE;
    }
    samples->resize(chunk->alen / sizeof(std::int16_t));
    if (!samples->empty()) {
        std::memcpy(samples->data(), chunk->abuf, samples->size() * sizeof(std::int16_t));
    }
    Mix_FreeChunk(chunk);
    return S_OK;
}
