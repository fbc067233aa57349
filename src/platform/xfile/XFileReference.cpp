#include "platform/xfile/XFileReference.h"

#include "platform/xfile/XObjectName.h"

HRESULT XFileReference::GetName(LPSTR name, DWORD* length) {
    return CopyObjectName(m_pReference->m_strRefName, name, length);
}

HRESULT XFileReference::GetId(GUID* id) {
    if (id == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *id = m_pReference->m_bRefHasGuid ? m_pReference->m_refGuid : GUID{};
    return DXFILE_OK;
}

HRESULT XFileReference::Resolve(IDirectXFileData** data) {
    if (data == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *data = nullptr;
    // By name when the reference gives one, else by identifier.
    const XDataNode* target = nullptr;
    if (!m_pReference->m_strRefName.empty()) {
        target = m_pDocument->FindByName(m_pReference->m_strRefName);
    } else if (m_pReference->m_bRefHasGuid) {
        target = m_pDocument->FindById(m_pReference->m_refGuid);
    }
    if (target == nullptr) {
        return DXFILEERR_BADDATAREFERENCE;
    }
    *data = m_pMakeData(m_pDocument, target);
    return *data != nullptr ? DXFILE_OK : DXFILEERR_BADALLOC;
}
