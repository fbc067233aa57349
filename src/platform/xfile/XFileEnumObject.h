// Hands out the top-level data objects of one file in file order.
#pragma once

#include <atomic>
#include <memory>

#include "platform/xfile/DXFile.h"
#include "platform/xfile/XDocument.h"

class XFileEnumObject final : public IDirectXFileEnumObject {
public:
    explicit XFileEnumObject(std::shared_ptr<const XDocument> document) : m_pDocument(std::move(document)) {}
    XFileEnumObject(const XFileEnumObject&) = delete;
    XFileEnumObject& operator=(const XFileEnumObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetNextDataObject(IDirectXFileData** data) override;

private:
    ~XFileEnumObject() = default;

    std::atomic<ULONG> m_dwRefs{1};
    std::shared_ptr<const XDocument> m_pDocument;
    size_t m_dwNext = 0;
};
