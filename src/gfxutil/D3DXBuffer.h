// A reference-counted block of bytes: how variable-size results (materials,
// adjacency, bone names) are handed to the caller.
#pragma once

#include <cstddef>

#include "platform/kernel/WinTypes.h"

struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

protected:
    ~ID3DXBuffer() = default;
};

class D3DXBuffer final : public ID3DXBuffer {
public:
    // Zero-filled; null when the memory cannot be had.
    static D3DXBuffer* Create(DWORD size);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    LPVOID GetBufferPointer() override;
    DWORD GetBufferSize() override;

private:
    explicit D3DXBuffer(DWORD size, BYTE* pData);
    ~D3DXBuffer();

    ULONG m_ulRefCount;
    DWORD m_dwSize;
    BYTE* m_pData;
};

// A new buffer of numBytes zero bytes with one reference.
HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** ppBuffer);
