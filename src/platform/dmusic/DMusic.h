// The sound services the program is written against: COM start-up and object
// creation, and the DirectMusic loader, performance, segment and audio path.
// Names, GUIDs, flags and result codes are the published ones.
//
// A segment is a WAV file or a Standard MIDI File. Download turns it into
// samples in the performance's output format (MIDI through the General MIDI
// soundfont); the performance plays one segment at a time, 1 + repeats times,
// and counts the plays itself, sample by sample.
#pragma once

#include "platform/kernel/WinTypes.h"
#include "platform/win/WinUser.h"

using MUSIC_TIME = LONG;
using REFERENCE_TIME = LONGLONG;

// COM.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);

// Counted per process: the first call returns S_OK, later ones S_FALSE.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
// Makes the loader or the performance; fails with CO_E_NOTINITIALIZED before CoInitialize.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* out);

inline constexpr GUID CLSID_DirectMusicLoader = {
    0xD2AC2892, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
inline constexpr GUID CLSID_DirectMusicPerformance = {
    0xD2AC2881, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
inline constexpr GUID CLSID_DirectMusicSegment = {
    0xD2AC2882, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
inline constexpr GUID IID_IDirectMusicLoader8 = {
    0x19E7C08C, 0x0A44, 0x4E6A, {0xA1, 0x16, 0x59, 0x5A, 0x7C, 0xD5, 0xDE, 0x8C}};
inline constexpr GUID IID_IDirectMusicPerformance8 = {
    0x679C4137, 0xC62E, 0x4147, {0xB2, 0xB4, 0x9D, 0x56, 0x9A, 0xCB, 0x25, 0x4C}};
inline constexpr GUID IID_IDirectMusicSegment8 = {
    0xC6784488, 0x41A3, 0x418F, {0xAA, 0x15, 0xB3, 0x50, 0x93, 0xBA, 0x42, 0xD4}};
inline constexpr GUID IID_IDirectMusicAudioPath8 = {
    0xC87631F5, 0x23BE, 0x4986, {0x88, 0x36, 0x05, 0x83, 0x2F, 0xCC, 0x48, 0xF9}};
inline constexpr GUID GUID_DirectMusicAllTypes = {
    0xD2AC2893, 0xB39B, 0x11D1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xB1, 0xBD}};
inline constexpr GUID GUID_StandardMIDIFile = {
    0x06621075, 0xE92E, 0x11D1, {0xA8, 0xC5, 0x00, 0xC0, 0x4F, 0xA3, 0x72, 0x6E}};

// Segment start flags.
constexpr DWORD DMUS_SEGF_BEAT = 0x1000;

// Default audio-path types for InitAudio.
constexpr DWORD DMUS_APATH_SHARED_STEREOPLUSREVERB = 1;
constexpr DWORD DMUS_APATH_DYNAMIC_3D = 6;
constexpr DWORD DMUS_APATH_DYNAMIC_MONO = 7;
constexpr DWORD DMUS_APATH_DYNAMIC_STEREO = 8;

constexpr DWORD DMUS_AUDIOF_ALL = 0x3F;
constexpr DWORD DMUS_SEG_REPEAT_INFINITE = 0xFFFFFFFF;

// Results: facility 0x878, codes from 0x1000.
constexpr HRESULT MakeDMusicError(DWORD code) {
    return MakeHResult(0x88780000u | (0x1000u + code));
}
constexpr HRESULT DMUS_E_DEVICE_IN_USE = MakeDMusicError(0x103);
constexpr HRESULT DMUS_E_NOT_DOWNLOADED_TO_PORT = MakeDMusicError(0x120);
constexpr HRESULT DMUS_E_SET_UNSUPPORTED = MakeDMusicError(0x123);
constexpr HRESULT DMUS_E_ALREADY_INITED = MakeDMusicError(0x151);
constexpr HRESULT DMUS_E_NOT_INIT = MakeDMusicError(0x162);
constexpr HRESULT DMUS_E_TRACK_NOT_FOUND = MakeDMusicError(0x166);
constexpr HRESULT DMUS_E_LOADER_BADPATH = MakeDMusicError(0x181);
constexpr HRESULT DMUS_E_LOADER_FAILEDOPEN = MakeDMusicError(0x182);
constexpr HRESULT DMUS_E_LOADER_FORMATNOTSUPPORTED = MakeDMusicError(0x183);
constexpr HRESULT DMUS_E_LOADER_FAILEDCREATE = MakeDMusicError(0x184);
constexpr HRESULT DMUS_E_LOADER_OBJECTNOTFOUND = MakeDMusicError(0x185);
constexpr HRESULT DMUS_E_LOADER_NOFILENAME = MakeDMusicError(0x186);
constexpr HRESULT DMUS_E_INVALIDFILE = MakeDMusicError(0x200);
constexpr HRESULT DMUS_E_NO_AUDIOPATH_CONFIG = MakeDMusicError(0x228);
// No sound driver: what InitAudio reports on a machine without a sound card.
constexpr HRESULT DSERR_NODRIVER = MakeHResult(0x88780078u);

struct IDirectMusic;
struct IDirectSound;
struct DMUS_AUDIOPARAMS;
struct IDirectMusicSegmentState;

// Only built from a segment's audio-path configuration; passed around and released.
struct IDirectMusicAudioPath8 : IUnknown {
protected:
    ~IDirectMusicAudioPath8() = default;
};

struct IDirectMusicSegment : IUnknown {
    // The segment plays 1 + repeats times.
    virtual HRESULT SetRepeats(DWORD repeats) = 0;
    virtual HRESULT SetParam(REFGUID type, DWORD groupBits, DWORD index, MUSIC_TIME time, void* param) = 0;

protected:
    ~IDirectMusicSegment() = default;
};

struct IDirectMusicSegment8 : IDirectMusicSegment {
    // target: the performance (or an audio path of it) the segment will play on.
    virtual HRESULT Download(IUnknown* target) = 0;
    virtual HRESULT Unload(IUnknown* target) = 0;
    // Segments made from WAV and MIDI files carry none: DMUS_E_NO_AUDIOPATH_CONFIG.
    virtual HRESULT GetAudioPathConfig(IUnknown** config) = 0;

protected:
    ~IDirectMusicSegment8() = default;
};

struct IDirectMusicPerformance8 : IUnknown {
    // Opens the sound device. music, sound and params are not provided here and must be null.
    virtual HRESULT InitAudio(IDirectMusic** music, IDirectSound** sound, HWND window, DWORD defaultPathType,
                              DWORD channelCount, DWORD flags, DMUS_AUDIOPARAMS* params) = 0;
    // flags 0 starts at once, DMUS_SEGF_BEAT on the next beat of the segment's tempo
    // (120 per minute unless a MIDI file sets its own). A new segment replaces the one playing.
    virtual HRESULT PlaySegmentEx(IUnknown* source, WCHAR* segmentName, IUnknown* transition, DWORD flags,
                                  LONGLONG startTime, IDirectMusicSegmentState** state, IUnknown* from,
                                  IUnknown* audioPath) = 0;
    // segment null stops everything. Stopping what is not playing does nothing.
    virtual HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state, MUSIC_TIME time,
                         DWORD flags) = 0;
    // S_OK from the call to PlaySegmentEx until the last play ends or Stop, else S_FALSE.
    virtual HRESULT IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) = 0;
    virtual HRESULT CloseDown() = 0;
    virtual HRESULT CreateAudioPath(IUnknown* config, BOOL activate, IDirectMusicAudioPath8** path) = 0;

protected:
    ~IDirectMusicPerformance8() = default;
};

struct IDirectMusicLoader8 : IUnknown {
    // One directory for every class of object; it must exist.
    virtual HRESULT SetSearchDirectory(REFGUID classId, WCHAR* directory, BOOL clear) = 0;
    // A relative name is resolved against the search directory; '\' and '/' both separate.
    // Objects are cached by file until ReleaseObjectByUnknown.
    virtual HRESULT LoadObjectFromFile(REFGUID classId, REFIID iid, WCHAR* fileName, void** object) = 0;
    virtual HRESULT ReleaseObjectByUnknown(IUnknown* object) = 0;

protected:
    ~IDirectMusicLoader8() = default;
};

// Test seams. A null hook restores the real service.
namespace dmusic_hooks {
// The output format every performance mixes into.
constexpr int kMixRate = 44100;
constexpr int kMixChannels = 2;
// Seconds of the clock the performance aligns beats to.
void SetClock(double (*fn)());
// With manual mixing the sound device is opened as usual but nothing is played
// in real time: the test pulls samples through MixFrames instead.
void SetManualMixing(bool manual);
// Mixes frames of interleaved 16-bit stereo into out (which it first silences).
HRESULT MixFrames(IDirectMusicPerformance8* performance, std::int16_t* out, int frames);
}  // namespace dmusic_hooks
