// Owns the sound services the alarm needs: COM, the loader that reads sound
// files and the performance that plays them. Segments borrow both.
#pragma once

#include "platform/dmusic/DMusic.h"
#include "platform/kernel/WinTypes.h"
#include "platform/win/WinUser.h"

class MusicSegment;

class MusicManager {
public:
    MusicManager();
    ~MusicManager();
    MusicManager(const MusicManager&) = delete;
    MusicManager& operator=(const MusicManager&) = delete;

    // Creates the loader and the performance (whichever is still missing) and
    // opens the sound device. On failure the manager keeps what it made and
    // the program runs silently.
    HRESULT Initialize(HWND window, DWORD channelCount, DWORD defaultPathType);
    // Where relative file names are looked for. E_UNEXPECTED without a loader.
    HRESULT SetSearchDirectory(const char* directory);
    // Loads one WAV or MIDI file as a segment. On success *ppSegment owns it;
    // on any failure *ppSegment is left null. E_UNEXPECTED before Initialize
    // has made a loader.
    HRESULT CreateSegmentFromFile(MusicSegment** ppSegment, const char* fileName, BOOL downloadNow, BOOL isMidi);

    IDirectMusicLoader8* GetLoader() const { return m_pLoader; }
    IDirectMusicPerformance8* GetPerformance() const { return m_pPerformance; }

private:
    BOOL m_bComInitialised;
    IDirectMusicLoader8* m_pLoader;
    IDirectMusicPerformance8* m_pPerformance;
};
