// One loaded sound: set how often it repeats, download it, play, stop and ask
// whether it still sounds. Made by MusicManager::CreateSegmentFromFile.
#pragma once

#include "platform/dmusic/DMusic.h"
#include "platform/kernel/WinTypes.h"

class MusicSegment {
public:
    // Takes over the caller's reference to segment; holds its own references
    // to the performance and the loader, so the manager may go first.
    MusicSegment(IDirectMusicPerformance8* pPerformance, IDirectMusicLoader8* pLoader, IDirectMusicSegment8* pSegment);
    ~MusicSegment();
    MusicSegment(const MusicSegment&) = delete;
    MusicSegment& operator=(const MusicSegment&) = delete;

    // Every call below returns CO_E_NOTINITIALIZED without a segment (or,
    // where it needs one, without a performance).

    // The segment plays 1 + repeats times.
    HRESULT SetRepeats(DWORD repeats);
    // To pAudioPath, else the segment's own audio path, else the performance.
    HRESULT Download(IDirectMusicAudioPath8* pAudioPath);
    // E_FAIL until downloaded. DMUS_SEGF_BEAT starts on the next beat.
    HRESULT Play(DWORD flags, IDirectMusicAudioPath8* pAudioPath);
    // Stopping a segment that is not playing does nothing.
    HRESULT Stop(DWORD flags);
    // TRUE from Play until the last repeat ends or Stop. A segment that
    // cannot play is not playing: FALSE, never an error code.
    BOOL IsPlaying();

    IDirectMusicSegment8* GetSegment() const { return m_pSegment; }
    BOOL IsDownloaded() const { return m_bDownloaded; }

private:
    IDirectMusicSegment8* m_pSegment;
    IDirectMusicLoader8* m_pLoader;
    IDirectMusicPerformance8* m_pPerformance;
    IDirectMusicAudioPath8* m_pEmbeddedAudioPath;
    BOOL m_bDownloaded;
};
