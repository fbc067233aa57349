// Hands out the top-level data objects of one file in file order.
#pragma once

#include <memory>

#include "platform/kernel/ComObject.h"
#include "platform/xfile/DXFile.h"
#include "platform/xfile/XDocument.h"

class XFileEnumObject final : public ComObject<IDirectXFileEnumObject, IID_IDirectXFileEnumObject> {
public:
    explicit XFileEnumObject(std::shared_ptr<const XDocument> document) : m_pDocument(std::move(document)) {}

    HRESULT GetNextDataObject(IDirectXFileData** data) override;

private:
    ~XFileEnumObject() override = default;

    std::shared_ptr<const XDocument> m_pDocument;
    size_t m_dwNext = 0;
};
