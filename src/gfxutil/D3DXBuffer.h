// A reference-counted block of bytes: how variable-size results (materials,
// adjacency, bone names) are handed to the caller.
#pragma once

#include <cstddef>

#include "platform/kernel/ComObject.h"
#include "platform/kernel/WinTypes.h"

inline constexpr GUID kIID_ID3DXBuffer = {0x932e6a7e, 0xc68e, 0x45dd, {0xa7, 0xbf, 0x53, 0xd1, 0x9c, 0x86, 0xdb, 0x1f}};

struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;

protected:
    ~ID3DXBuffer() = default;
};

class D3DXBuffer final : public ComObject<ID3DXBuffer, kIID_ID3DXBuffer> {
public:
    // Zero-filled; null when the memory cannot be had.
    static D3DXBuffer* Create(DWORD size);

    LPVOID GetBufferPointer() override;
    DWORD GetBufferSize() override;

private:
    explicit D3DXBuffer(DWORD size, BYTE* pData);
    ~D3DXBuffer() override;

    DWORD m_dwSize;
    BYTE* m_pData;
};

// A new buffer of numBytes zero bytes with one reference.
HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** ppBuffer);
