// Result codes, option bits and records of the graphics utility layer, with
// their published values: callers pass the option bits straight through.
#pragma once

#include "platform/d3d/D3D8.h"

constexpr HRESULT D3DXERR_CANNOTMODIFYINDEXBUFFER = MakeD3DHResult(2900);
constexpr HRESULT D3DXERR_INVALIDMESH = MakeD3DHResult(2901);
constexpr HRESULT D3DXERR_CANNOTATTRSORT = MakeD3DHResult(2902);
constexpr HRESULT D3DXERR_SKINNINGNOTSUPPORTED = MakeD3DHResult(2903);
constexpr HRESULT D3DXERR_TOOMANYINFLUENCES = MakeD3DHResult(2904);
constexpr HRESULT D3DXERR_INVALIDDATA = MakeD3DHResult(2905);
constexpr HRESULT D3DXERR_LOADEDMESHHASNODATA = MakeD3DHResult(2906);

// Mesh creation options.
constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
constexpr DWORD D3DXMESH_POINTS = 0x004;
constexpr DWORD D3DXMESH_RTPATCHES = 0x008;
constexpr DWORD D3DXMESH_NPATCHES = 0x4000;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
constexpr DWORD D3DXMESH_VB_SOFTWAREPROCESSING = 0x8000;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
constexpr DWORD D3DXMESH_IB_SOFTWAREPROCESSING = 0x10000;
constexpr DWORD D3DXMESH_VB_SHARE = 0x1000;
constexpr DWORD D3DXMESH_USEHWONLY = 0x2000;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
constexpr DWORD D3DXMESH_DYNAMIC = 0x880;
constexpr DWORD D3DXMESH_SOFTWAREPROCESSING = 0x18000;

// Optimisation flags (combined with the options above by some calls).
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000;
constexpr DWORD D3DXMESHOPT_IGNOREVERTS = 0x10000000;

// Faces of one attribute id, as one run of the index buffer.
struct D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
};

// One entry of a loaded mesh's material buffer; the name points into the same buffer.
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
};
