// The runtime object DirectXFileCreate hands out: the registered templates and
// the factory of enumerators.
#pragma once

#include <vector>

#include "platform/kernel/ComObject.h"
#include "platform/xfile/DXFile.h"
#include "platform/xfile/XTemplateSet.h"

class XFile final : public ComObject<IDirectXFile, IID_IDirectXFile> {
public:
    XFile() = default;

    HRESULT CreateEnumObject(LPCVOID source, DXFILELOADOPTIONS options, IDirectXFileEnumObject** enumObject) override;
    HRESULT RegisterTemplates(LPCVOID data, DWORD size) override;

private:
    ~XFile() override = default;
    HRESULT OpenEnumObject(LPCVOID source, DXFILELOADOPTIONS options, IDirectXFileEnumObject** enumObject);
    static HRESULT ReadWholeFile(const char* path, std::vector<BYTE>& image);

    XTemplateSet m_templates;
};
