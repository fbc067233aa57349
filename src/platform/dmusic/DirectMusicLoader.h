// The loader: finds sound files by name, relative to its search directory,
// makes segments of them and keeps each one cached until told to let go.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/dmusic/DMusic.h"
#include "platform/kernel/ComObject.h"

class DirectMusicSegment;

class DirectMusicLoader final : public ComObject<IDirectMusicLoader8, IID_IDirectMusicLoader8> {
public:
    DirectMusicLoader() = default;

    HRESULT SetSearchDirectory(REFGUID classId, WCHAR* directory, BOOL clear) override;
    HRESULT LoadObjectFromFile(REFGUID classId, REFIID iid, WCHAR* fileName, void** object) override;
    HRESULT ReleaseObjectByUnknown(IUnknown* object) override;

private:
    ~DirectMusicLoader() override;

    std::string Resolve(const std::string& name) const;
    void ClearCache();

    std::string m_szSearchDirectory;
    // Resolved path and the loader's own reference to the segment made from it.
    std::vector<std::pair<std::string, DirectMusicSegment*>> m_cache;
};
