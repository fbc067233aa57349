// Shared pieces of the overlay tests: image sheets of solid cells written as
// DDS files, a recording device in a fresh current directory, and reading a
// vertex buffer back.
#pragma once

#include <string>
#include <vector>

#include "gfxutil/RecordingDeviceTest.h"
#include "overlay/OverlayVertex.h"
#include "support/TempDir.h"

// Writes Texture/<name>: a columns x rows sheet, each cell `cellPixels`
// square and filled with its colour (ARGB, left to right, top to bottom).
void WriteSheet(const ScopedTempCwd& cwd, const std::string& name, int columns, int rows,
                const std::vector<DWORD>& colours, int cellPixels = 8);

D3DVIEWPORT8 MakeViewport(DWORD x, DWORD y, DWORD width, DWORD height);

std::vector<OverlayVertex> ReadVertices(IDirect3DVertexBuffer8* pVB, size_t count);

// The texture cell a quad of six written vertices shows, from its first
// vertex's texture coordinates: column + row * columns.
int CellOf(const OverlayVertex* quad, int columns, int rows);

class OverlayRecordingTest : public RecordingDeviceTest {
protected:
    void SetUp() override;
    void TearDown() override;
    DWORD State(D3DRENDERSTATETYPE state);

    ScopedTempCwd m_cwd;  // before the objects under test: they take the directory when built
};
