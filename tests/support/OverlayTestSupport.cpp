#include "support/OverlayTestSupport.h"

#include <cmath>
#include <cstring>

#include "framework/FrameStep.h"
#include "support/DdsTestFiles.h"

void WriteSheet(const ScopedTempCwd& cwd, const std::string& name, int columns, int rows,
                const std::vector<DWORD>& colours, int cellPixels) {
    cwd.MakeFolder("Texture");
    const int width = columns * cellPixels;
    const int height = rows * cellPixels;
    std::vector<DWORD> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t cell = size_t((y / cellPixels) * columns + x / cellPixels);
            pixels.push_back(cell < colours.size() ? colours[cell] : 0xFFFFFFFF);
        }
    }
    std::vector<BYTE> payload;
    AppendPixels(payload, pixels, 4);
    WriteFile(cwd.File("Texture/" + name), BuildDds(ArgbLayout(DWORD(width), DWORD(height)), payload));
}

D3DVIEWPORT8 MakeViewport(DWORD x, DWORD y, DWORD width, DWORD height) {
    return D3DVIEWPORT8{x, y, width, height, 0.0f, 1.0f};
}

std::vector<OverlayVertex> ReadVertices(IDirect3DVertexBuffer8* pVB, size_t count) {
    std::vector<OverlayVertex> out(count);
    BYTE* pData = nullptr;
    if (pVB == nullptr || FAILED(pVB->Lock(0, 0, &pData, 0)) || pData == nullptr) {
        ADD_FAILURE() << "vertex buffer cannot be read";
        return out;
    }
    std::memcpy(out.data(), pData, count * sizeof(OverlayVertex));
    pVB->Unlock();
    return out;
}

int CellOf(const OverlayVertex* quad, int columns, int rows) {
    const int column = int(std::lround(quad[0].u * float(columns)));
    const int row = int(std::lround(quad[0].v * float(rows)));
    return row * columns + column;
}

void OverlayRecordingTest::SetUp() {
    RecordingDeviceTest::SetUp();
    g_frameStep = 0.01f;
}

void OverlayRecordingTest::TearDown() {
    // The device keeps what was bound last: unbind it so only real leaks hold the device.
    m_pDevice->SetTexture(0, nullptr);
    m_pDevice->SetStreamSource(0, nullptr, 0);
    RecordingDeviceTest::TearDown();
}

DWORD OverlayRecordingTest::State(D3DRENDERSTATETYPE state) {
    DWORD value = 0;
    m_pDevice->GetRenderState(state, &value);
    return value;
}
