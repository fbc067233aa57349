// Shared pieces of the overlay tests: image sheets of solid cells written as
// DDS files, a recording device in a fresh current directory, and reading a
// vertex buffer back.
#pragma once

#include <string>
#include <vector>

#include "overlay/OverlayVertex.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

// Texture/<name>: a columns x rows sheet of solid cells (ARGB, by rows; white past the list).
void WriteSheet(const ScopedTempCwd& cwd, const std::string& name, int columns, int rows,
                const std::vector<DWORD>& colours, int cellPixels = 8);
D3DVIEWPORT8 MakeViewport(DWORD x, DWORD y, DWORD width, DWORD height);
std::vector<OverlayVertex> ReadVertices(IDirect3DVertexBuffer8* pVB, size_t count);
// The sheet cell a written quad shows, from its first vertex: column + row * columns.
int CellOf(const OverlayVertex* quad, int columns, int rows);

class OverlayRecordingTest : public RecordingDeviceTest {
protected:
    void SetUp() override;
    // Subclasses release their objects first: the device must then go with its last reference.
    void TearDown() override;
    DWORD State(D3DRENDERSTATETYPE state);
    // Draws inside a scene (the device refuses draws outside one).
    template <typename Fn>
    void InScene(Fn draw) {
        ASSERT_EQ(m_pDevice->BeginScene(), D3D_OK);
        draw();
        m_pDevice->EndScene();
    }

    ScopedTempCwd m_cwd;  // before the objects under test: they take the directory when built
};
