// The vertex of all 2-D overlay drawing, already in render-target pixels so
// that it bypasses transforms, lighting and fog, and the two steps every
// overlay piece shares: loading its texture and buffer, and drawing them.
#pragma once

#include "platform/d3d/D3D8.h"

struct OverlayVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};

constexpr DWORD D3DFVF_OVERLAYVERTEX = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(D3DFVF_OVERLAYVERTEX == 0x144);
static_assert(sizeof(OverlayVertex) == 28);

// How a piece names itself in the trace: module (null for none), the line
// numbers of the progress note and of the failure, and the word in
// "loading texture for <label>...".
struct OverlayTrace {
    const char* m_pszModule;
    long m_lLoadingLine;
    long m_lFailedLine;
    const char* m_pszLabel;
};

// Loads dir + "/Texture/" + name and a write-only managed buffer of
// `vertexCount` overlay vertices. The progress note goes to the trace; a
// missing texture is reported with a message box. E_FAIL on any failure,
// with the pointers that could not be made left null.
HRESULT LoadOverlayResources(IDirect3DDevice8* pDevice, const char* pszDir, const char* pszName,
                             const OverlayTrace& trace, UINT vertexCount, IDirect3DTexture8** ppTexture,
                             IDirect3DVertexBuffer8** ppVB);

// Draws `triangles` triangles from the start of the buffer blended over the
// scene, with lighting and fog off for the draw and back on after it.
void DrawOverlayTriangles(IDirect3DDevice8* pDevice, IDirect3DTexture8* pTexture, IDirect3DVertexBuffer8* pVB,
                          UINT triangles);
