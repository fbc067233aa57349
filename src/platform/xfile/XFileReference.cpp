#include "platform/xfile/XFileReference.h"

#include <new>

#include "platform/xfile/XFileData.h"
#include "platform/xfile/XUnknownId.h"

HRESULT XFileReference::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == kXUnknownId || riid == IID_IDirectXFileObject || riid == IID_IDirectXFileDataReference) {
        AddRef();
        *object = static_cast<IDirectXFileDataReference*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG XFileReference::AddRef() {
    return ++m_dwRefs;
}

ULONG XFileReference::Release() {
    ULONG refs = --m_dwRefs;
    if (refs == 0) {
        delete this;
    }
    return refs;
}

HRESULT XFileReference::GetName(LPSTR name, DWORD* length) {
    return XFileData::CopyName(m_pReference->m_strRefName, name, length);
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
    *data = new (std::nothrow) XFileData(m_pDocument, target);
    return *data != nullptr ? DXFILE_OK : DXFILEERR_BADALLOC;
}
