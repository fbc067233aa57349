// Many arguments picked at random (fixed seed): whatever a caller passes, an
// accepted call only ever reaches bytes inside its buffer.
#include <algorithm>
#include <cstring>
#include <random>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceTestSupport.h"
#include "platform/d3d/core/FormatInfo.h"

using HostileArgumentsTest = RecordingDeviceTest;

namespace {

// Small values, values near the ends of the range and anything in between.
UINT Pick(std::mt19937& random, UINT scale) {
    switch (random() % 4) {
        case 0:
            return random() % (scale + 8);
        case 1:
            return 0xFFFFFFFFu - random() % 8;
        case 2:
            return random();
        default:
            return scale - random() % 4;
    }
}

}  // namespace

TEST_F(HostileArgumentsTest, AcceptedBufferLocksLieInsideTheBuffer) {
    std::mt19937 random(1234);
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateVertexBuffer(100, 0, 0, D3DPOOL_MANAGED, &buffer));
    const BYTE* begin = static_cast<CoreVertexBuffer*>(buffer)->Bytes();
    int accepted = 0;
    for (int i = 0; i < 5000; ++i) {
        const UINT offset = Pick(random, 100);
        const UINT size = Pick(random, 100);
        BYTE* data = nullptr;
        if (buffer->Lock(offset, size, &data, 0) == D3D_OK) {
            ++accepted;
            const size_t reach = size == 0 ? 100 - offset : size;
            EXPECT_GE(data, begin);
            EXPECT_LE(data + reach, begin + 100) << offset << "+" << size;
            std::memset(data, 0x5A, reach);  // the sanitizer build checks the bytes exist
            ASSERT_EQ(D3D_OK, buffer->Unlock());
        } else {
            EXPECT_EQ(nullptr, data);
        }
    }
    EXPECT_GT(accepted, 100);
    buffer->Release();
}

TEST_F(HostileArgumentsTest, AcceptedTextureLocksLieInsideTheLevel) {
    std::mt19937 random(99);
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_DXT1, D3DFMT_DXT5}) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(D3D_OK, m_pDevice->CreateTexture(16, 12, 0, 0, format, D3DPOOL_MANAGED, &texture));
        const CoreTexture* core = static_cast<CoreTexture*>(texture);
        int accepted = 0;
        for (int i = 0; i < 20000; ++i) {
            const UINT level = random() % 6;
            // Mostly near the level's size (often on block edges), sometimes wild.
            auto coordinate = [&random](UINT scale) {
                const UINT near = random() % 2 == 0 ? (random() % (scale / 4 + 2)) * 4 : random() % (scale + 4);
                return static_cast<LONG>(random() % 4 == 0 ? Pick(random, scale) : near);
            };
            const UINT width = level < 5 ? std::max(1u, 16u >> level) : 16u;
            const UINT height = level < 5 ? std::max(1u, 12u >> level) : 12u;
            RECT rect = {coordinate(width), coordinate(height), coordinate(width), coordinate(height)};
            D3DLOCKED_RECT locked = {};
            if (texture->LockRect(level, &locked, &rect, 0) != D3D_OK) {
                continue;
            }
            const BYTE* first = static_cast<const BYTE*>(locked.pBits);
            const BYTE* levelEnd = core->LevelBits(level) + core->LevelSize(level);
            EXPECT_GE(first, core->LevelBits(level));
            EXPECT_LT(first, levelEnd);
            // The rectangle's last row ends inside the level too.
            const bool blocks = FormatInfo::IsCompressed(format);
            const UINT rows = blocks ? (rect.bottom - rect.top + 3) / 4 : rect.bottom - rect.top;
            const UINT columns = blocks ? (rect.right - rect.left + 3) / 4 : rect.right - rect.left;
            const BYTE* last = first + static_cast<size_t>(rows - 1) * locked.Pitch +
                               static_cast<size_t>(columns) * FormatInfo::BytesPerUnit(format);
            EXPECT_LE(last, levelEnd) << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
            ASSERT_EQ(D3D_OK, texture->UnlockRect(level));
            ++accepted;
        }
        EXPECT_GT(accepted, 10) << format;
        texture->Release();
    }
}

TEST_F(HostileArgumentsTest, AcceptedDrawsReachOnlyVerticesOfTheStream) {
    std::mt19937 random(7);
    IDirect3DVertexBuffer8* stream = MakeStream(10);
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateIndexBuffer(24, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices));
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, indices->Lock(0, 0, &data, 0));
    const WORD values[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 3, 2};
    std::memcpy(data, values, sizeof(values));
    indices->Unlock();
    ASSERT_EQ(D3D_OK, m_pDevice->BeginScene());
    for (int i = 0; i < 4000; ++i) {
        const auto type = static_cast<D3DPRIMITIVETYPE>(random() % 8);
        const UINT count = Pick(random, 6);
        if (random() % 2 == 0) {
            const UINT start = Pick(random, 10);
            m_pDevice->DrawPrimitive(type, start, count);
        } else {
            m_pDevice->SetIndices(indices, Pick(random, 4));
            m_pDevice->DrawIndexedPrimitive(type, 0, 10, Pick(random, 12), count);
        }
    }
    ASSERT_EQ(D3D_OK, m_pDevice->EndScene());
    ASSERT_GT(m_pLog->DrawCount(), 20u);
    for (size_t n = 0; n < m_pLog->DrawCount(); ++n) {
        const DrawCall& call = m_pLog->DrawAt(n).m_call;
        if (!call.m_bIndexed) {
            EXPECT_LE(static_cast<ULONGLONG>(call.m_uStartVertex) + call.m_uElementCount, 10u) << n;
            continue;
        }
        ASSERT_LE(static_cast<ULONGLONG>(call.m_uStartIndex) + call.m_uElementCount, 12u) << n;
        for (UINT k = 0; k < call.m_uElementCount; ++k) {
            const ULONGLONG vertex = m_pLog->StateAtDraw(n).BaseVertexIndex() + values[call.m_uStartIndex + k];
            EXPECT_LT(vertex, 10u) << n;
        }
    }
    indices->Release();
    stream->Release();
}
