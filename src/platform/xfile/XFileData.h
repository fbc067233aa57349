// One data object of a file, with its own cursor over its children.
#pragma once

#include <memory>

#include "platform/kernel/ComObject.h"
#include "platform/xfile/DXFile.h"
#include "platform/xfile/XDocument.h"

class XFileData final : public ComObject<IDirectXFileData, IID_IDirectXFileObject, IID_IDirectXFileData> {
public:
    XFileData(std::shared_ptr<const XDocument> document, const XDataNode* node)
        : m_pDocument(std::move(document)), m_pNode(node) {}

    HRESULT GetName(LPSTR name, DWORD* length) override;
    HRESULT GetId(GUID* id) override;

    HRESULT GetData(LPCSTR member, DWORD* size, void** data) override;
    HRESULT GetType(const GUID** type) override;
    HRESULT GetNextObject(IDirectXFileObject** child) override;

    // A new data object over node with one reference; null when memory runs out.
    static IDirectXFileData* Create(std::shared_ptr<const XDocument> document, const XDataNode* node);

private:
    ~XFileData() override = default;

    std::shared_ptr<const XDocument> m_pDocument;
    const XDataNode* m_pNode;
    size_t m_dwNextChild = 0;
};
