#include "sound/AlarmSound.h"

#include <cstring>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "platform/kernel/Kernel.h"

namespace {
constexpr DWORD kChannelCount = 128;
constexpr DWORD kMidiRepeats = 1;
constexpr DWORD kWaveRepeats = 3;
// Relative to the loader's search directory, the media directory.
constexpr const char* kMidiName = "Sound/AlarmSound.mid";
constexpr const char* kWaveName = "Sound/AlarmSound.wav";

namespace site {
// Fixed trace sites (see TraceSite): kept exactly.
constexpr TraceSite kNotFound{"", 0, "couldnt find alarmsoundfile"};
constexpr TraceSite kLoading{"", 0, "loading sound for alarm..."};
constexpr TraceSite kFailed{"", 0, "failed to load sound for alarm..."};
}  // namespace site
}  // namespace

HRESULT LoadAlarmSound(HWND window, MusicManager** ppMusic, MusicSegment** ppAlarm) {
    if (ppMusic == nullptr || ppAlarm == nullptr) {
        return E_POINTER;
    }
    *ppMusic = new (std::nothrow) MusicManager();
    if (*ppMusic == nullptr) {
        return E_OUTOFMEMORY;
    }
    MusicManager* pMusic = *ppMusic;
    HRESULT hr = pMusic->Initialize(window, kChannelCount, DMUS_APATH_SHARED_STEREOPLUSREVERB);
    if (FAILED(hr)) {
        return hr;
    }

    // The media directory of this moment, not of construction: the sound is
    // looked for where the program runs. A user's own alarm sound, of either
    // kind, replaces the installed one.
    char directory[MAX_PATH];
    CaptureDirectory(directory);
    PreferUserDirectory(directory, kSoundFolder, "AlarmSound.*");
    pMusic->SetSearchDirectory(directory);

    char pattern[MAX_PATH];
    ComposeMediaPath(pattern, directory, kSoundFolder, "AlarmSound.*");
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        TraceError(site::kNotFound, 0, TRUE);
    } else {
        FindClose(search);
    }

    // The found name only picks the extension, case-sensitively; anything
    // else leaves the pattern as the name, whose load then fails.
    const char* name = pattern;
    BOOL isMidi = FALSE;
    if (search != INVALID_HANDLE_VALUE) {
        if (std::strstr(found.cFileName, ".mid") != nullptr) {
            name = kMidiName;
            isMidi = TRUE;
        }
        if (std::strstr(found.cFileName, ".wav") != nullptr) {
            name = kWaveName;
            isMidi = FALSE;
        }
    }

    TraceError(site::kLoading, 0, FALSE);
    hr = pMusic->CreateSegmentFromFile(ppAlarm, name, TRUE, isMidi);
    if (FAILED(hr)) {
        TraceError(site::kFailed, hr, TRUE);
        return hr;
    }
    (*ppAlarm)->SetRepeats(isMidi ? kMidiRepeats : kWaveRepeats);
    return S_OK;
}

void FollowAlarmRinging(int ringing, int& alarmSounding, MusicSegment* pAlarm) {
    const int wanted = ringing != 0 ? 1 : 0;
    if (wanted == alarmSounding) {
        return;
    }
    if (wanted == 1) {
        if (pAlarm != nullptr) {
            pAlarm->Play(DMUS_SEGF_BEAT, nullptr);
        }
        alarmSounding = 1;
    } else {
        if (pAlarm != nullptr && pAlarm->IsPlaying()) {
            pAlarm->Stop(0);
        }
        alarmSounding = 0;
    }
}

void StopAlarmIfPlaying(MusicSegment* pAlarm) {
    if (pAlarm != nullptr && pAlarm->IsPlaying()) {
        pAlarm->Stop(0);
    }
}
