// The runtime object DirectXFileCreate hands out: the registered templates and
// the factory of enumerators.
#pragma once

#include <atomic>
#include <vector>

#include "platform/xfile/DXFile.h"
#include "platform/xfile/XTemplateSet.h"

class XFile final : public IDirectXFile {
public:
    XFile() = default;
    XFile(const XFile&) = delete;
    XFile& operator=(const XFile&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT CreateEnumObject(LPCVOID source, DXFILELOADOPTIONS options, IDirectXFileEnumObject** enumObject) override;
    HRESULT RegisterTemplates(LPCVOID data, DWORD size) override;

private:
    ~XFile() = default;
    HRESULT OpenEnumObject(LPCVOID source, DXFILELOADOPTIONS options, IDirectXFileEnumObject** enumObject);
    static HRESULT ReadWholeFile(const char* path, std::vector<BYTE>& image);

    std::atomic<ULONG> m_dwRefs{1};
    XTemplateSet m_templates;
};
