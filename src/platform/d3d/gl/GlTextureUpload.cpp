#include "platform/d3d/gl/GlTextureUpload.h"

#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/DxtCodec.h"

namespace {

bool DxtKindOf(D3DFORMAT format, DxtKind* kind, GLenum* glFormat) {
    switch (format) {
        case D3DFMT_DXT1:
            *kind = DxtKind::kDxt1;
            *glFormat = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
            return true;
        case D3DFMT_DXT3:
            *kind = DxtKind::kDxt3;
            *glFormat = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
            return true;
        case D3DFMT_DXT5:
            *kind = DxtKind::kDxt5;
            *glFormat = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
            return true;
        default:
            return false;
    }
}

}  // namespace

bool GlTextureUpload::LayoutOf(D3DFORMAT format, PixelLayout* layout) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
            *layout = PixelLayout{GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, false};
            return true;
        case D3DFMT_X8R8G8B8:
            *layout = PixelLayout{GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, true};
            return true;
        case D3DFMT_R5G6B5:
            *layout = PixelLayout{GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, true};
            return true;
        case D3DFMT_X1R5G5B5:
            *layout = PixelLayout{GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, true};
            return true;
        case D3DFMT_A1R5G5B5:
            *layout = PixelLayout{GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, false};
            return true;
        case D3DFMT_A4R4G4B4:
            *layout = PixelLayout{GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, false};
            return true;
        default:
            return false;
    }
}

void GlTextureUpload::Upload(GlStateCache& cache, const CoreTexture& source, bool s3tc, std::vector<DWORD>& scratch) {
    const UINT levels = source.Levels();
    cache.Call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    cache.Call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels > 0 ? static_cast<GLint>(levels - 1) : 0);
    cache.Call(glPixelStorei, GL_UNPACK_ALIGNMENT, 1);

    PixelLayout layout;
    DxtKind kind = DxtKind::kDxt1;
    GLenum compressedFormat = 0;
    const bool plain = LayoutOf(source.Format(), &layout);
    const bool compressed = !plain && DxtKindOf(source.Format(), &kind, &compressedFormat);
    const bool opaque = plain && layout.m_bOpaque;
    cache.Call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, opaque ? GL_ONE : GL_ALPHA);

    for (UINT level = 0; level < levels; ++level) {
        const GLsizei width = static_cast<GLsizei>(source.LevelWidth(level));
        const GLsizei height = static_cast<GLsizei>(source.LevelHeight(level));
        const BYTE* bits = source.LevelBits(level);
        if (plain) {
            cache.Call(glPixelStorei, GL_UNPACK_ROW_LENGTH,
                       static_cast<GLint>(source.LevelPitch(level) / layout.m_uBytesPerPixel));
            cache.Call(glTexImage2D, GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, width, height, 0,
                       layout.m_eFormat, layout.m_eType, bits);
        } else if (compressed && s3tc) {
            cache.Call(glCompressedTexImage2D, GL_TEXTURE_2D, static_cast<GLint>(level), compressedFormat, width,
                       height, 0, static_cast<GLsizei>(source.LevelSize(level)), bits);
        } else if (compressed) {
            scratch.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            DxtCodec::DecodeImage(kind, static_cast<UINT>(width), static_cast<UINT>(height), bits, scratch.data(),
                                  static_cast<UINT>(width) * 4);
            cache.Call(glPixelStorei, GL_UNPACK_ROW_LENGTH, 0);
            cache.Call(glTexImage2D, GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, width, height, 0, GL_BGRA,
                       GL_UNSIGNED_INT_8_8_8_8_REV, scratch.data());
        }
    }
    cache.Call(glPixelStorei, GL_UNPACK_ROW_LENGTH, 0);
}
