#include "platform/xfile/XFileData.h"

#include <new>

#include "platform/xfile/XFileReference.h"
#include "platform/xfile/XObjectName.h"

IDirectXFileData* XFileData::Create(std::shared_ptr<const XDocument> document, const XDataNode* node) {
    return new (std::nothrow) XFileData(std::move(document), node);
}

HRESULT XFileData::GetName(LPSTR name, DWORD* length) {
    return CopyObjectName(m_pNode->m_strName, name, length);
}

HRESULT XFileData::GetId(GUID* id) {
    if (id == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *id = m_pNode->m_id;
    return DXFILE_OK;
}

HRESULT XFileData::GetData(LPCSTR member, DWORD* size, void** data) {
    if (size == nullptr || data == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    // The bytes never change after reading; the interface hands them out writable.
    BYTE* bytes = const_cast<BYTE*>(m_pNode->m_vecBytes.data());
    if (member == nullptr) {
        *size = static_cast<DWORD>(m_pNode->m_vecBytes.size());
        *data = bytes;
        return DXFILE_OK;
    }
    for (const XMemberSpan& span : m_pNode->m_vecSpans) {
        if (span.m_strName == member) {
            *size = static_cast<DWORD>(span.m_dwSize);
            *data = bytes + span.m_dwOffset;
            return DXFILE_OK;
        }
    }
    *size = 0;
    *data = nullptr;
    return DXFILEERR_NOTFOUND;
}

HRESULT XFileData::GetType(const GUID** type) {
    if (type == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *type = &m_pNode->m_pTemplate->m_guid;
    return DXFILE_OK;
}

HRESULT XFileData::GetNextObject(IDirectXFileObject** child) {
    if (child == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *child = nullptr;
    if (m_dwNextChild >= m_pNode->m_vecChildren.size()) {
        return DXFILEERR_NOMOREOBJECTS;
    }
    const XChild& next = m_pNode->m_vecChildren[m_dwNextChild];
    if (next.m_pNode != nullptr) {
        *child = Create(m_pDocument, next.m_pNode);
    } else {
        *child = new (std::nothrow) XFileReference(m_pDocument, &next, &XFileData::Create);
    }
    if (*child == nullptr) {
        return DXFILEERR_BADALLOC;
    }
    ++m_dwNextChild;
    return DXFILE_OK;
}
