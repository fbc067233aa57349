// A large generated model for load benchmarks: one Mesh inside a Frame, a
// grid of quads with normals, texture coordinates and a two-material list
// (alternate rows), written in the text and in the binary encoding.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

class XLoadModel {
public:
    // A grid of cells x cells quads: 2 * cells * cells triangles.
    explicit XLoadModel(DWORD dwCells);

    std::vector<BYTE> TextFile() const;
    std::vector<BYTE> BinaryFile() const;

    DWORD TriangleCount() const { return 2 * m_dwCells * m_dwCells; }
    DWORD MaterialCount() const { return 2; }

private:
    DWORD m_dwCells;
    DWORD m_dwVertices;
    std::vector<float> m_positions;
    std::vector<float> m_normals;
    std::vector<float> m_uvs;
    std::vector<DWORD> m_quads;  // 4 corners each
};
