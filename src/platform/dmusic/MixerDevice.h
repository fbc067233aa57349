// The sound device through SDL_mixer: opened in one fixed format, fed by a
// mixing function of the owner's on SDL's sound thread. Also decodes file
// images (WAV, and MIDI through FluidSynth) into that format.
#pragma once

#include <vector>

#include "platform/dmusic/DecodedSource.h"
#include "platform/kernel/WinTypes.h"

class MixerDevice {
public:
    using MixFn = void (*)(void* context, std::int16_t* out, int frames);

    MixerDevice() = default;
    ~MixerDevice();
    MixerDevice(const MixerDevice&) = delete;
    MixerDevice& operator=(const MixerDevice&) = delete;

    // DSERR_NODRIVER without a usable sound device; DMUS_E_DEVICE_IN_USE
    // while another performance holds it (SDL_mixer has one device).
    HRESULT Open(MixFn fn, void* context);
    void Close();
    bool IsOpen() const { return m_bOpen; }

    // The file image as samples at the device's rate, stereo, 16-bit.
    // Works only while some device is open (the decoders take its format).
    static HRESULT Decode(const std::vector<BYTE>& file, PcmSamples* samples);

private:
    static void Feed(void* self, unsigned char* stream, int bytes);

    bool m_bOpen = false;
    MixFn m_pfnMix = nullptr;
    void* m_pContext = nullptr;
};
