#include "platform/d3d/core/FormatInfo.h"

bool FormatInfo::IsTextureFormat(D3DFORMAT format) {
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

bool FormatInfo::IsDepthFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D32:
        case D3DFMT_D15S1:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4:
        case D3DFMT_D16:
            return true;
        default:
            return false;
    }
}

bool FormatInfo::IsCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

UINT FormatInfo::BytesPerUnit(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A2B10G10R10:
        case D3DFMT_G16R16:
        case D3DFMT_D32:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4:
            return 4;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8R3G3B2:
        case D3DFMT_A8L8:
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D15S1:
            return 2;
        case D3DFMT_R3G3B2:
        case D3DFMT_A8:
        case D3DFMT_L8:
        case D3DFMT_A4L4:
        case D3DFMT_P8:
            return 1;
        case D3DFMT_DXT1:
            return 8;
        case D3DFMT_DXT2:
        case D3DFMT_DXT3:
        case D3DFMT_DXT4:
        case D3DFMT_DXT5:
            return 16;
        default:
            return 0;
    }
}

UINT FormatInfo::Pitch(D3DFORMAT format, UINT width) {
    if (IsCompressed(format)) {
        return ((width + 3) / 4) * BytesPerUnit(format);
    }
    return width * BytesPerUnit(format);
}

UINT FormatInfo::RowCount(D3DFORMAT format, UINT height) {
    return IsCompressed(format) ? (height + 3) / 4 : height;
}

UINT FormatInfo::ImageSize(D3DFORMAT format, UINT width, UINT height) {
    return Pitch(format, width) * RowCount(format, height);
}

UINT FormatInfo::DepthBits(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
            return 16;
        case D3DFMT_D15S1:
            return 15;
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4:
            return 24;
        case D3DFMT_D32:
            return 32;
        default:
            return 0;
    }
}

UINT FormatInfo::StencilBits(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D15S1:
            return 1;
        case D3DFMT_D24S8:
            return 8;
        case D3DFMT_D24X4S4:
            return 4;
        default:
            return 0;
    }
}
