#include "gfxutil/D3DXTexture.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "gfxutil/D3DXTypes.h"
#include "gfxutil/DdsImage.h"
#include "platform/kernel/Kernel.h"

namespace {

// Larger than any texture the program has a use for.
constexpr std::uint64_t kMaxTextureFileBytes = std::uint64_t{256} << 20;

// The formats a texture may keep from its file.
bool IsKeptFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_DXT1:
        case D3DFMT_DXT3:
        case D3DFMT_DXT5:
            return true;
        default:
            return false;
    }
}

// Asks the device's Direct3D object whether textures of `format` can be made.
// A device that cannot answer is taken at its word that it takes the kept formats.
bool DeviceTakesFormat(IDirect3DDevice8* device, D3DFORMAT format) {
    if (!IsKeptFormat(format)) {
        return false;
    }
    IDirect3D8* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || d3d == nullptr) {
        return true;
    }
    bool takes = true;
    D3DDEVICE_CREATION_PARAMETERS creation{};
    D3DDISPLAYMODE mode{};
    if (SUCCEEDED(device->GetCreationParameters(&creation)) && SUCCEEDED(device->GetDisplayMode(&mode))) {
        takes = SUCCEEDED(d3d->CheckDeviceFormat(creation.AdapterOrdinal, creation.DeviceType, mode.Format, 0,
                                                 D3DRTYPE_TEXTURE, format));
    }
    d3d->Release();
    return takes;
}

HRESULT FillLevel(IDirect3DTexture8* texture, UINT level, const DdsImage& image) {
    const DdsImage::Level& source = image.GetLevel(level);
    D3DSURFACE_DESC desc{};
    if (FAILED(texture->GetLevelDesc(level, &desc)) || desc.Width != source.m_uWidth ||
        desc.Height != source.m_uHeight) {
        return E_FAIL;
    }
    D3DLOCKED_RECT locked{};
    const HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
    if (FAILED(hr)) {
        return hr;
    }
    const size_t rows = source.m_bytes.size() / source.m_uPitch;
    if (locked.Pitch < static_cast<INT>(source.m_uPitch)) {
        texture->UnlockRect(level);
        return E_FAIL;
    }
    BYTE* dest = static_cast<BYTE*>(locked.pBits);
    for (size_t row = 0; row < rows; ++row) {
        std::memcpy(dest + row * static_cast<size_t>(locked.Pitch), source.m_bytes.data() + row * source.m_uPitch,
                    source.m_uPitch);
    }
    return texture->UnlockRect(level);
}

// Only a regular file, and none larger than any texture the device takes.
bool ReadWholeFile(const std::string& path, std::vector<BYTE>& bytes) {
    std::uint64_t size = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(path.c_str(), kMaxTextureFileBytes, &size),
                                                         &std::fclose);
    if (!file) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

// The program writes paths with back-slashes, and names in model files need
// not match the letter case on disk: the kernel's file search settles both.
std::string ResolvePath(const char* path) {
    std::string native(path);
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(native.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return native;
    }
    FindClose(search);
    const size_t slash = native.find_last_of('/');
    return (slash == std::string::npos ? std::string() : native.substr(0, slash + 1)) + found.cFileName;
}

}  // namespace

// The image is decoded whole before the texture is made, so memory running out
// becomes E_OUTOFMEMORY with nothing to release.
HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice8* pDevice, LPCVOID pSrcData, UINT srcDataSize,
                                          IDirect3DTexture8** ppTexture) try {
    if (ppTexture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppTexture = nullptr;
    if (pDevice == nullptr || pSrcData == nullptr || srcDataSize == 0) {
        return D3DERR_INVALIDCALL;
    }
    DdsImage image;
    HRESULT hr = image.Parse(pSrcData, srcDataSize);
    if (FAILED(hr)) {
        return hr;
    }
    if (!DeviceTakesFormat(pDevice, image.GetFormat())) {
        image.ConvertToA8R8G8B8();
    }
    IDirect3DTexture8* texture = nullptr;
    hr = pDevice->CreateTexture(image.GetWidth(), image.GetHeight(), image.GetLevelCount(), 0, image.GetFormat(),
                                D3DPOOL_MANAGED, &texture);
    if (FAILED(hr)) {
        return hr;
    }
    for (UINT level = 0; level < image.GetLevelCount() && SUCCEEDED(hr); ++level) {
        hr = FillLevel(texture, level, image);
    }
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    *ppTexture = texture;
    return D3D_OK;
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, LPCSTR pSrcFile, IDirect3DTexture8** ppTexture) try {
    if (ppTexture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppTexture = nullptr;
    if (pDevice == nullptr || pSrcFile == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(ResolvePath(pSrcFile), bytes) || bytes.empty() || bytes.size() > 0x7FFFFFFF) {
        return D3DXERR_INVALIDDATA;
    }
    return D3DXCreateTextureFromFileInMemory(pDevice, bytes.data(), static_cast<UINT>(bytes.size()), ppTexture);
} catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
}
