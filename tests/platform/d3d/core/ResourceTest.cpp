#include <cstring>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceTestSupport.h"

using TextureTest = RecordingDeviceTest;
using BufferTest = RecordingDeviceTest;

TEST_F(TextureTest, FullMipChainWithLevelDescriptions) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateTexture(256, 64, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(9u, texture->GetLevelCount());
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(D3D_OK, texture->GetLevelDesc(2, &desc));
    EXPECT_EQ(64u, desc.Width);
    EXPECT_EQ(16u, desc.Height);
    EXPECT_EQ(D3DFMT_R5G6B5, desc.Format);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
    EXPECT_EQ(64u * 16u * 2u, desc.Size);
    ASSERT_EQ(D3D_OK, texture->GetLevelDesc(8, &desc));
    EXPECT_EQ(1u, desc.Width);
    EXPECT_EQ(1u, desc.Height);
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->GetLevelDesc(9, &desc));
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->GetLevelDesc(0, nullptr));
    EXPECT_EQ(D3D_OK, texture->Release());
}

TEST_F(TextureTest, LockedBytesArePitchedStoredAndCountedAsChanges) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateTexture(4, 4, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    CoreTexture* core = static_cast<CoreTexture*>(texture);
    const DWORD before = core->Version();

    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
    EXPECT_EQ(16, locked.Pitch);
    const DWORD texel = 0x80FF4020;
    std::memcpy(static_cast<BYTE*>(locked.pBits) + 2 * locked.Pitch + 4, &texel, 4);
    // A level is locked once at a time; other levels stay free.
    D3DLOCKED_RECT second = {};
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &second, nullptr, 0));
    EXPECT_EQ(D3D_OK, texture->LockRect(1, &second, nullptr, 0));
    EXPECT_EQ(8, second.Pitch);
    EXPECT_EQ(D3D_OK, texture->UnlockRect(1));
    EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
    EXPECT_GT(core->Version(), before);
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->UnlockRect(0));

    DWORD stored = 0;
    std::memcpy(&stored, core->LevelBits(0) + 2 * core->LevelPitch(0) + 4, 4);
    EXPECT_EQ(texel, stored);

    // A sub-rectangle starts at its own first texel; read-only locks change nothing.
    const RECT rect = {1, 2, 3, 4};
    const DWORD afterWrite = core->Version();
    ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, &rect, D3DLOCK_READONLY));
    DWORD seen = 0;
    std::memcpy(&seen, locked.pBits, 4);
    EXPECT_EQ(texel, seen);
    EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
    EXPECT_EQ(afterWrite, core->Version());
    texture->Release();
}

TEST_F(TextureTest, CompressedLevelsLockWholeBlocks) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateTexture(16, 8, 0, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture));
    CoreTexture* core = static_cast<CoreTexture*>(texture);
    EXPECT_EQ(5u, texture->GetLevelCount());
    EXPECT_EQ(32u, core->LevelPitch(0));
    EXPECT_EQ(64u, core->LevelSize(0));
    EXPECT_EQ(8u, core->LevelSize(4));  // 1 x 1 still takes a block

    D3DLOCKED_RECT locked = {};
    const RECT aligned = {4, 4, 8, 8};
    ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, &aligned, 0));
    EXPECT_EQ(core->LevelBits(0) + 32 + 8, locked.pBits);
    texture->UnlockRect(0);
    const RECT misaligned = {2, 0, 6, 4};
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &locked, &misaligned, 0));
    EXPECT_FALSE(core->IsLevelLocked(0));
    texture->Release();
}

TEST_F(BufferTest, LocksStayInsideTheBuffer) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &buffer));
    CoreVertexBuffer* core = static_cast<CoreVertexBuffer*>(buffer);
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, buffer->Lock(24, 24, &data, 0));
    EXPECT_EQ(core->Bytes() + 24, data);
    std::memset(data, 0xAB, 24);
    ASSERT_EQ(D3D_OK, buffer->Unlock());
    EXPECT_EQ(0xAB, core->Bytes()[47]);
    EXPECT_EQ(0x00, core->Bytes()[48]);

    // Size 0: from the offset to the end.
    ASSERT_EQ(D3D_OK, buffer->Lock(72, 0, &data, 0));
    EXPECT_EQ(core->Bytes() + 72, data);
    buffer->Unlock();

    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(0, 0, nullptr, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Unlock());
    buffer->Release();
}

TEST_F(BufferTest, NestedLocksCountOneChangeAtTheLastUnlock) {
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(D3D_OK,
              m_pDevice->CreateVertexBuffer(8400, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &buffer));
    CoreVertexBuffer* core = static_cast<CoreVertexBuffer*>(buffer);
    const DWORD start = core->Version();
    BYTE* a = nullptr;
    BYTE* b = nullptr;
    ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, &a, D3DLOCK_DISCARD));
    ASSERT_EQ(D3D_OK, buffer->Lock(0, 28, &b, D3DLOCK_NOOVERWRITE));
    EXPECT_EQ(D3D_OK, buffer->Unlock());
    EXPECT_TRUE(core->IsLocked());
    EXPECT_EQ(start, core->Version());
    EXPECT_EQ(D3D_OK, buffer->Unlock());
    EXPECT_EQ(start + 1, core->Version());

    ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, &a, D3DLOCK_READONLY));
    EXPECT_EQ(D3D_OK, buffer->Unlock());
    EXPECT_EQ(start + 1, core->Version());

    D3DVERTEXBUFFER_DESC desc = {};
    ASSERT_EQ(D3D_OK, buffer->GetDesc(&desc));
    EXPECT_EQ(8400u, desc.Size);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    EXPECT_EQ(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, desc.Usage);
    EXPECT_EQ(D3DRTYPE_VERTEXBUFFER, desc.Type);
    EXPECT_EQ(0u, desc.FVF);
    buffer->Release();
}

TEST_F(BufferTest, IndexBuffersOfBothSizes) {
    IDirect3DIndexBuffer8* small = nullptr;
    IDirect3DIndexBuffer8* large = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &small));
    ASSERT_EQ(D3D_OK, m_pDevice->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_SYSTEMMEM, &large));
    EXPECT_EQ(6u, static_cast<CoreIndexBuffer*>(small)->IndexCount());
    EXPECT_EQ(3u, static_cast<CoreIndexBuffer*>(large)->IndexCount());

    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, small->Lock(0, 0, &data, 0));
    const WORD indices[6] = {0, 7, 3, 65535, 2, 1};
    std::memcpy(data, indices, sizeof(indices));
    small->Unlock();
    EXPECT_EQ(65535u, static_cast<CoreIndexBuffer*>(small)->MaxIndex(0, 6));
    EXPECT_EQ(7u, static_cast<CoreIndexBuffer*>(small)->MaxIndex(0, 3));

    D3DINDEXBUFFER_DESC desc = {};
    ASSERT_EQ(D3D_OK, large->GetDesc(&desc));
    EXPECT_EQ(D3DFMT_INDEX32, desc.Format);
    EXPECT_EQ(D3DPOOL_SYSTEMMEM, desc.Pool);
    small->Release();
    large->Release();
}

TEST_F(BufferTest, ImageSurfacesLockAndTheBackBufferDoesNot) {
    IDirect3DSurface8* image = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->CreateImageSurface(32, 16, D3DFMT_A8R8G8B8, &image));
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(D3D_OK, image->LockRect(&locked, nullptr, 0));
    EXPECT_EQ(128, locked.Pitch);
    EXPECT_EQ(D3DERR_INVALIDCALL, image->LockRect(&locked, nullptr, 0));
    EXPECT_EQ(D3D_OK, image->UnlockRect());
    const RECT outside = {0, 0, 33, 16};
    EXPECT_EQ(D3DERR_INVALIDCALL, image->LockRect(&locked, &outside, 0));

    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(D3D_OK, m_pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(D3D_OK, back->GetDesc(&desc));
    EXPECT_EQ(512u, desc.Width);
    EXPECT_EQ(384u, desc.Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
    EXPECT_EQ(D3DUSAGE_RENDERTARGET, desc.Usage);
    EXPECT_EQ(D3DERR_INVALIDCALL, back->LockRect(&locked, nullptr, 0));
    back->Release();
    image->Release();

    IDirect3DSurface8* none = reinterpret_cast<IDirect3DSurface8*>(0x1);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetBackBuffer(1, D3DBACKBUFFER_TYPE_MONO, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->CreateImageSurface(0, 16, D3DFMT_A8R8G8B8, &none));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->CreateImageSurface(16, 16, D3DFMT_D16, &none));
    EXPECT_EQ(0u, static_cast<DeviceCore*>(m_pDevice)->LiveResourceCount());
}
