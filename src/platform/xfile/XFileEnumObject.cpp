#include "platform/xfile/XFileEnumObject.h"

#include <new>

#include "platform/xfile/XFileData.h"
#include "platform/xfile/XUnknownId.h"

HRESULT XFileEnumObject::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == kXUnknownId || riid == IID_IDirectXFileEnumObject) {
        AddRef();
        *object = static_cast<IDirectXFileEnumObject*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG XFileEnumObject::AddRef() {
    return ++m_dwRefs;
}

ULONG XFileEnumObject::Release() {
    ULONG refs = --m_dwRefs;
    if (refs == 0) {
        delete this;
    }
    return refs;
}

HRESULT XFileEnumObject::GetNextDataObject(IDirectXFileData** data) {
    if (data == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *data = nullptr;
    const auto& topLevel = m_pDocument->TopLevel();
    if (m_dwNext >= topLevel.size()) {
        return DXFILEERR_NOMOREOBJECTS;
    }
    *data = new (std::nothrow) XFileData(m_pDocument, topLevel[m_dwNext]);
    if (*data == nullptr) {
        return DXFILEERR_BADALLOC;
    }
    ++m_dwNext;
    return DXFILE_OK;
}
