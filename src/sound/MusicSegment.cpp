#include "sound/MusicSegment.h"

MusicSegment::MusicSegment(IDirectMusicPerformance8* pPerformance, IDirectMusicLoader8* pLoader,
                           IDirectMusicSegment8* pSegment)
    : m_pSegment(pSegment),
      m_pLoader(pLoader),
      m_pPerformance(pPerformance),
      m_pEmbeddedAudioPath(nullptr),
      m_bDownloaded(FALSE) {
    if (m_pLoader != nullptr) {
        m_pLoader->AddRef();
    }
    if (m_pPerformance != nullptr) {
        m_pPerformance->AddRef();
    }
    if (m_pSegment == nullptr) {
        return;
    }
    // A segment authored with its own audio path plays through it.
    IUnknown* pConfig = nullptr;
    if (SUCCEEDED(m_pSegment->GetAudioPathConfig(&pConfig)) && pConfig != nullptr) {
        if (m_pPerformance != nullptr) {
            m_pPerformance->CreateAudioPath(pConfig, TRUE, &m_pEmbeddedAudioPath);
        }
        pConfig->Release();
    }
}

MusicSegment::~MusicSegment() {
    if (m_pSegment != nullptr) {
        if (m_pLoader != nullptr) {
            m_pLoader->ReleaseObjectByUnknown(m_pSegment);
        }
        if (m_bDownloaded) {
            if (m_pEmbeddedAudioPath != nullptr) {
                m_pSegment->Unload(m_pEmbeddedAudioPath);
            } else if (m_pPerformance != nullptr) {
                m_pSegment->Unload(m_pPerformance);
            }
        }
        if (m_pEmbeddedAudioPath != nullptr) {
            m_pEmbeddedAudioPath->Release();
        }
        m_pSegment->Release();
    }
    if (m_pPerformance != nullptr) {
        m_pPerformance->Release();
    }
    if (m_pLoader != nullptr) {
        m_pLoader->Release();
    }
}

HRESULT MusicSegment::SetRepeats(DWORD repeats) {
    if (m_pSegment == nullptr) {
        return CO_E_NOTINITIALIZED;
    }
    return m_pSegment->SetRepeats(repeats);
}

HRESULT MusicSegment::Download(IDirectMusicAudioPath8* pAudioPath) {
    if (m_pSegment == nullptr) {
        return CO_E_NOTINITIALIZED;
    }
    IUnknown* pTarget = pAudioPath;
    if (pTarget == nullptr) {
        pTarget = m_pEmbeddedAudioPath;
    }
    if (pTarget == nullptr) {
        pTarget = m_pPerformance;
    }
    if (pTarget == nullptr) {
        return CO_E_NOTINITIALIZED;
    }
    HRESULT hr = m_pSegment->Download(pTarget);
    if (SUCCEEDED(hr)) {
        m_bDownloaded = TRUE;
    }
    return hr;
}

HRESULT MusicSegment::Play(DWORD flags, IDirectMusicAudioPath8* pAudioPath) {
    if (m_pSegment == nullptr || m_pPerformance == nullptr) {
        return CO_E_NOTINITIALIZED;
    }
    if (!m_bDownloaded) {
        return E_FAIL;
    }
    if (pAudioPath == nullptr) {
        pAudioPath = m_pEmbeddedAudioPath;
    }
    return m_pPerformance->PlaySegmentEx(m_pSegment, nullptr, nullptr, flags, 0, nullptr, nullptr, pAudioPath);
}

HRESULT MusicSegment::Stop(DWORD flags) {
    if (m_pSegment == nullptr || m_pPerformance == nullptr) {
        return CO_E_NOTINITIALIZED;
    }
    return m_pPerformance->Stop(m_pSegment, nullptr, 0, flags);
}

BOOL MusicSegment::IsPlaying() {
    if (m_pSegment == nullptr || m_pPerformance == nullptr) {
        return FALSE;
    }
    return m_pPerformance->IsPlaying(m_pSegment, nullptr) == S_OK ? TRUE : FALSE;
}
