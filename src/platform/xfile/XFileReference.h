// A reference child ({ Name } or { Name <GUID> }) and its resolution to the
// data object it names.
#pragma once

#include <atomic>
#include <memory>

#include "platform/xfile/DXFile.h"
#include "platform/xfile/XDocument.h"

class XFileReference final : public IDirectXFileDataReference {
public:
    XFileReference(std::shared_ptr<const XDocument> document, const XChild* reference)
        : m_pDocument(std::move(document)), m_pReference(reference) {}
    XFileReference(const XFileReference&) = delete;
    XFileReference& operator=(const XFileReference&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetName(LPSTR name, DWORD* length) override;
    HRESULT GetId(GUID* id) override;

    HRESULT Resolve(IDirectXFileData** data) override;

private:
    ~XFileReference() = default;

    std::atomic<ULONG> m_dwRefs{1};
    std::shared_ptr<const XDocument> m_pDocument;
    const XChild* m_pReference;
};
