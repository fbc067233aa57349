#include "gfxutil/D3DXBuffer.h"

#include <new>

D3DXBuffer* D3DXBuffer::Create(DWORD size) {
    // At least one byte so an empty buffer still has a distinct pointer.
    BYTE* data = new (std::nothrow) BYTE[size > 0 ? size : 1]();
    if (data == nullptr) {
        return nullptr;
    }
    D3DXBuffer* buffer = new (std::nothrow) D3DXBuffer(size, data);
    if (buffer == nullptr) {
        delete[] data;
    }
    return buffer;
}

D3DXBuffer::D3DXBuffer(DWORD size, BYTE* pData) : m_dwSize(size), m_pData(pData) {}

D3DXBuffer::~D3DXBuffer() {
    delete[] m_pData;
}

LPVOID D3DXBuffer::GetBufferPointer() {
    return m_pData;
}

DWORD D3DXBuffer::GetBufferSize() {
    return m_dwSize;
}

HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** ppBuffer) {
    if (ppBuffer == nullptr) {
        return E_INVALIDARG;
    }
    *ppBuffer = D3DXBuffer::Create(numBytes);
    return (*ppBuffer != nullptr) ? S_OK : E_OUTOFMEMORY;
}
