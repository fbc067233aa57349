#include "platform/xfile/XFileEnumObject.h"

#include "platform/xfile/XFileData.h"

HRESULT XFileEnumObject::GetNextDataObject(IDirectXFileData** data) {
    if (data == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    *data = nullptr;
    const auto& topLevel = m_pDocument->TopLevel();
    if (m_dwNext >= topLevel.size()) {
        return DXFILEERR_NOMOREOBJECTS;
    }
    *data = XFileData::Create(m_pDocument, topLevel[m_dwNext]);
    if (*data == nullptr) {
        return DXFILEERR_BADALLOC;
    }
    ++m_dwNext;
    return DXFILE_OK;
}
