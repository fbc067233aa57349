// One full load of an X file image, by our runtime and mesh loader or by the
// peer importer, reporting the triangles and materials it ended with.
#pragma once

#include <vector>

#include "platform/d3d/D3D8.h"

class XLoadRunner {
public:
    struct Counts {
        DWORD m_dwTriangles = 0;
        DWORD m_dwMaterials = 0;
    };

    // Our runtime and D3DXLoadMeshFromXof on every Mesh (top level or in Frames).
    static HRESULT LoadOurs(IDirect3DDevice8* pDevice, const std::vector<BYTE>& image, Counts& counts);

    static bool HasPeer();
    // The peer importer from memory, triangulating; false when it fails or is absent.
    static bool LoadPeer(const std::vector<BYTE>& image, Counts& counts);
};
