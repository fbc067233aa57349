#include "gfxutil/D3DXBuffer.h"

#include <new>

namespace {
constexpr GUID kIID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIID_ID3DXBuffer = {0x932e6a7e, 0xc68e, 0x45dd, {0xa7, 0xbf, 0x53, 0xd1, 0x9c, 0x86, 0xdb, 0x1f}};
}  // namespace

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

D3DXBuffer::D3DXBuffer(DWORD size, BYTE* pData) : m_ulRefCount(1), m_dwSize(size), m_pData(pData) {}

D3DXBuffer::~D3DXBuffer() {
    delete[] m_pData;
}

HRESULT D3DXBuffer::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (riid == kIID_IUnknown || riid == kIID_ID3DXBuffer) {
        AddRef();
        *object = static_cast<ID3DXBuffer*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG D3DXBuffer::AddRef() {
    return ++m_ulRefCount;
}

ULONG D3DXBuffer::Release() {
    const ULONG count = --m_ulRefCount;
    if (count == 0) {
        delete this;
    }
    return count;
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
