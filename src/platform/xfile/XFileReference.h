// A reference child ({ Name } or { Name <GUID> }) and its resolution to the
// data object it names.
#pragma once

#include <memory>

#include "platform/kernel/ComObject.h"
#include "platform/xfile/DXFile.h"
#include "platform/xfile/XDocument.h"

class XFileReference final
    : public ComObject<IDirectXFileDataReference, IID_IDirectXFileObject, IID_IDirectXFileDataReference> {
public:
    // How a resolved target becomes a data object: given by the data object holding
    // the reference, so the two classes need not know each other.
    using MakeData = IDirectXFileData* (*)(std::shared_ptr<const XDocument> document, const XDataNode* node);

    XFileReference(std::shared_ptr<const XDocument> document, const XChild* reference, MakeData makeData)
        : m_pDocument(std::move(document)), m_pReference(reference), m_pMakeData(makeData) {}

    HRESULT GetName(LPSTR name, DWORD* length) override;
    HRESULT GetId(GUID* id) override;

    HRESULT Resolve(IDirectXFileData** data) override;

private:
    ~XFileReference() override = default;

    std::shared_ptr<const XDocument> m_pDocument;
    const XChild* m_pReference;
    MakeData m_pMakeData;
};
