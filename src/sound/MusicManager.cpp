#include "sound/MusicManager.h"

#include <cstring>
#include <new>

#include "framework/AnsiString.h"
#include "sound/MusicSegment.h"

namespace {
// A whole-string conversion into a MAX_PATH buffer overruns it for a longer
// name; such a name could not be a file anyway, so it is refused instead.
bool ToWidePath(WCHAR (&out)[MAX_PATH], const char* path) {
    if (std::strlen(path) >= MAX_PATH) {
        return false;
    }
    AnsiToWide(out, path, -1);
    return true;
}
}  // namespace

MusicManager::MusicManager()
    : m_bComInitialised(SUCCEEDED(CoInitialize(nullptr))), m_pLoader(nullptr), m_pPerformance(nullptr) {}

MusicManager::~MusicManager() {
    ReleaseInterface(m_pLoader);
    if (m_pPerformance != nullptr) {
        m_pPerformance->Stop(nullptr, nullptr, 0, 0);
        m_pPerformance->CloseDown();
        m_pPerformance->Release();
        m_pPerformance = nullptr;
    }
    if (m_bComInitialised) {
        CoUninitialize();
    }
}

HRESULT MusicManager::Initialize(HWND window, DWORD channelCount, DWORD defaultPathType) {
    HRESULT hr = S_OK;
    // A second call after a failed start retries without leaking what the first one made.
    if (m_pLoader == nullptr) {
        hr = CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                              reinterpret_cast<LPVOID*>(&m_pLoader));
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (m_pPerformance == nullptr) {
        hr = CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                              reinterpret_cast<LPVOID*>(&m_pPerformance));
        if (FAILED(hr)) {
            return hr;
        }
    }
    hr = m_pPerformance->InitAudio(nullptr, nullptr, window, defaultPathType, channelCount, DMUS_AUDIOF_ALL, nullptr);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT MusicManager::SetSearchDirectory(const char* directory) {
    if (m_pLoader == nullptr) {
        return E_UNEXPECTED;
    }
    if (directory == nullptr) {
        return E_POINTER;
    }
    WCHAR wideDirectory[MAX_PATH];
    if (!ToWidePath(wideDirectory, directory)) {
        return E_INVALIDARG;
    }
    return m_pLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, wideDirectory, FALSE);
}

HRESULT MusicManager::CreateSegmentFromFile(MusicSegment** ppSegment, const char* fileName, BOOL downloadNow,
                                            BOOL isMidi) {
    if (ppSegment == nullptr || fileName == nullptr) {
        return E_POINTER;
    }
    *ppSegment = nullptr;
    if (m_pLoader == nullptr) {
        return E_UNEXPECTED;
    }
    WCHAR wideName[MAX_PATH];
    if (!ToWidePath(wideName, fileName)) {
        return E_INVALIDARG;
    }

    IDirectMusicSegment8* pSegment = nullptr;
    HRESULT hr = m_pLoader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, wideName,
                                               reinterpret_cast<void**>(&pSegment));
    if (FAILED(hr)) {
        return hr;
    }
    auto* pMusic = new (std::nothrow) MusicSegment(m_pPerformance, m_pLoader, pSegment);
    if (pMusic == nullptr) {
        m_pLoader->ReleaseObjectByUnknown(pSegment);
        pSegment->Release();
        return E_OUTOFMEMORY;
    }
    if (isMidi) {
        hr = pMusic->GetSegment()->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr);
    }
    if (SUCCEEDED(hr) && downloadNow) {
        hr = pMusic->Download(nullptr);
    }
    // A segment that cannot be played is not handed out: the caller's "no
    // segment" is the only sign of a failed load.
    if (FAILED(hr)) {
        delete pMusic;
        return hr;
    }
    *ppSegment = pMusic;
    return S_OK;
}
