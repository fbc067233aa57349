// Textures from DDS files: the file's size, a full mip chain (the file's own
// levels, the rest filtered down), the managed pool, and the file's pixel
// format unless the device cannot take it, in which case A8R8G8B8.
#pragma once

#include <cstddef>

#include "platform/d3d/D3D8.h"

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, LPCSTR pSrcFile, IDirect3DTexture8** ppTexture);

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* pDevice, LPCVOID pSrcData, UINT srcDataSize,
                                          IDirect3DTexture8** ppTexture);
