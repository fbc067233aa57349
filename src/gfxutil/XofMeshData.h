// One Mesh data object of an X file, read member by member and made into
// triangle lists (see XofTriangulation): texture coordinates and colours per
// position, one attribute per triangle from the material list. CreateXofMesh
// builds the mesh from it.
#pragma once

#include <string>
#include <vector>

#include "gfxutil/D3DXMath.h"
#include "gfxutil/ID3DXMesh.h"
#include "gfxutil/XofMemberReader.h"
#include "platform/xfile/DXFile.h"

class XofMeshData {
public:
    struct Material {
        D3DMATERIAL8 m_d3d;
        std::string m_szTexture;  // empty: none
    };

    using Polygons = XofMemberReader::Polygons;

    // One SkinWeights object: the frame it follows and the file positions it moves.
    struct Bone {
        std::string m_szName;
        std::vector<DWORD> m_positions;
        std::vector<float> m_weights;
        D3DXMATRIX m_offset;
    };

    // With skin data read, SkinWeights objects fill m_bones (and are checked);
    // without, they are skipped like any other member the plain mesh ignores.
    explicit XofMeshData(bool readSkin = false) : m_bReadSkin(readSkin) {}

    // D3DXERR_INVALIDDATA for members that do not add up or indices out of
    // range, D3DXERR_LOADEDMESHHASNODATA when no triangle results; errors of
    // the X-file runtime are passed on.
    HRESULT Read(IDirectXFileData* pMesh);

    DWORD Fvf() const;
    DWORD VertexCount() const { return static_cast<DWORD>(m_positions.size()); }
    DWORD TriangleCount() const { return static_cast<DWORD>(m_triangleAttributes.size()); }

    std::vector<D3DXVECTOR3> m_positions;  // one per output vertex
    std::vector<D3DXVECTOR3> m_normals;    // empty without MeshNormals
    std::vector<D3DXVECTOR2> m_texCoords;  // empty without MeshTextureCoords
    std::vector<DWORD> m_colours;          // empty without MeshVertexColors
    std::vector<DWORD> m_sourceVertex;     // the file's position index of each output vertex
    std::vector<DWORD> m_triangles;        // 3 output vertices per triangle
    std::vector<DWORD> m_trianglePoints;   // the same corners as file position indices
    std::vector<DWORD> m_triangleAttributes;
    std::vector<DWORD> m_triangleFaces;  // the file face each triangle comes from
    std::vector<Material> m_materials;
    std::vector<Bone> m_bones;

private:
    HRESULT ReadChildren(IDirectXFileData* pMesh);
    HRESULT ReadNormals(IDirectXFileData* pData);
    HRESULT ReadTexCoords(IDirectXFileData* pData);
    HRESULT ReadColours(IDirectXFileData* pData);
    HRESULT ReadMaterialList(IDirectXFileData* pData);
    HRESULT ReadMaterial(IDirectXFileData* pData, Material& out);
    HRESULT ReadSkinWeights(IDirectXFileData* pData);
    HRESULT ReadDeclData(IDirectXFileData* pData);
    HRESULT BuildTriangles();

    DWORD m_dwFilePositions = 0;
    std::vector<D3DXVECTOR3> m_filePositions;
    Polygons m_faces;  // of position indices
    std::vector<D3DXVECTOR3> m_fileNormals;
    Polygons m_faceNormals;
    std::vector<D3DXVECTOR2> m_fileTexCoords;
    std::vector<D3DXVECTOR3> m_declNormals;  // from a vertex declaration, per file position
    std::vector<D3DXVECTOR2> m_declTexCoords;
    std::vector<DWORD> m_fileColours;
    bool m_bHasColours = false;
    std::vector<DWORD> m_faceMaterials;
    DWORD m_dwMaterialCount = 0;
    bool m_bReadSkin = false;
};

// The published loader: the mesh of one Mesh data object with its adjacency,
// materials and material count.
HRESULT D3DXLoadMeshFromXof(IDirectXFileData* pXofObjMesh, DWORD options, IDirect3DDevice8* pDevice,
                            ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, DWORD* pNumMaterials,
                            ID3DXMesh** ppMesh);
