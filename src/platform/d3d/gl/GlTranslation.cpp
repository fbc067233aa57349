// How the device's values become GL's: colours and matrices as the float
// arrays the programs take, and each render-state enumeration as its GL enum.
#include "platform/d3d/gl/GlTranslation.h"

#include <cmath>
#include <cstring>

#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/core/FvfLayout.h"

namespace d3dgl {

void ColourToFloats(D3DCOLOR colour, float* out) {
    out[0] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(colour & 0xFF) / 255.0f;
    out[3] = static_cast<float>((colour >> 24) & 0xFF) / 255.0f;
}

void ValueToFloats(const D3DCOLORVALUE& value, float* out) {
    out[0] = value.r;
    out[1] = value.g;
    out[2] = value.b;
    out[3] = value.a;
}

void MatrixToFloats(const D3DMATRIX& matrix, float* out) {
    std::memcpy(out, &matrix.m[0][0], 16 * sizeof(float));
}

// The transpose of the inverse of the upper 3 x 3, in a 4 x 4 row-major
// matrix: what normals are multiplied by so non-uniform scales stay right.
void NormalMatrix(const D3DMATRIX& m, float* out) {
    const float c00 = m._22 * m._33 - m._23 * m._32;
    const float c01 = -(m._21 * m._33 - m._23 * m._31);
    const float c02 = m._21 * m._32 - m._22 * m._31;
    const float c10 = -(m._12 * m._33 - m._13 * m._32);
    const float c11 = m._11 * m._33 - m._13 * m._31;
    const float c12 = -(m._11 * m._32 - m._12 * m._31);
    const float c20 = m._12 * m._23 - m._13 * m._22;
    const float c21 = -(m._11 * m._23 - m._13 * m._21);
    const float c22 = m._11 * m._22 - m._12 * m._21;
    const float det = m._11 * c00 + m._12 * c01 + m._13 * c02;
    std::memset(out, 0, 16 * sizeof(float));
    out[15] = 1.0f;
    if (std::fabs(det) < 1e-20f) {
        // Singular (a flattening scale): fall back to the matrix itself.
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                out[r * 4 + c] = m.m[r][c];
            }
        }
        return;
    }
    const float cofactors[3][3] = {{c00, c01, c02}, {c10, c11, c12}, {c20, c21, c22}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[r * 4 + c] = cofactors[r][c] / det;
        }
    }
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA:
            return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR:
            return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR:
            return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT:
            return GL_SRC_ALPHA_SATURATE;
        case D3DBLEND_ONE:
        default:
            return GL_ONE;
    }
}

GLenum CompareFunc(DWORD func) {
    switch (func) {
        case D3DCMP_NEVER:
            return GL_NEVER;
        case D3DCMP_LESS:
            return GL_LESS;
        case D3DCMP_EQUAL:
            return GL_EQUAL;
        case D3DCMP_LESSEQUAL:
            return GL_LEQUAL;
        case D3DCMP_GREATER:
            return GL_GREATER;
        case D3DCMP_NOTEQUAL:
            return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL:
            return GL_GEQUAL;
        default:
            return GL_ALWAYS;
    }
}

GLenum StencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO:
            return GL_ZERO;
        case D3DSTENCILOP_REPLACE:
            return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT:
            return GL_INCR;
        case D3DSTENCILOP_DECRSAT:
            return GL_DECR;
        case D3DSTENCILOP_INVERT:
            return GL_INVERT;
        case D3DSTENCILOP_INCR:
            return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR:
            return GL_DECR_WRAP;
        case D3DSTENCILOP_KEEP:
        default:
            return GL_KEEP;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT:
            return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT:
            return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN:
            return GL_MIN;
        case D3DBLENDOP_MAX:
            return GL_MAX;
        case D3DBLENDOP_ADD:
        default:
            return GL_FUNC_ADD;
    }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST:
            return GL_POINTS;
        case D3DPT_LINELIST:
            return GL_LINES;
        case D3DPT_LINESTRIP:
            return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP:
            return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN:
            return GL_TRIANGLE_FAN;
        case D3DPT_TRIANGLELIST:
        default:
            return GL_TRIANGLES;
    }
}

GLenum DepthFormat(D3DFORMAT format, GLenum* attachment) {
    *attachment = GL_DEPTH_ATTACHMENT;
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D24X8:
            // 16-bit depth is kept in 24: the software rasterizer clears a
            // 16-bit buffer one value at a time, a 32-bit one as a block fill.
            return GL_DEPTH_COMPONENT24;
        case D3DFMT_D24S8:
            *attachment = GL_DEPTH_STENCIL_ATTACHMENT;
            return GL_DEPTH24_STENCIL8;
        case D3DFMT_D32:
            return GL_DEPTH_COMPONENT32;
        default:
            return 0;
    }
}

BYTE MaterialSource(const DeviceState& state, D3DRENDERSTATETYPE sourceState, const FvfLayout& layout) {
    if (state.RenderState(D3DRS_COLORVERTEX) == FALSE) {
        return 0;
    }
    const DWORD source = state.RenderState(sourceState);
    if (source == D3DMCS_COLOR1 && layout.HasDiffuse()) {
        return 1;
    }
    if (source == D3DMCS_COLOR2 && layout.HasSpecular()) {
        return 2;
    }
    return 0;
}

}  // namespace d3dgl
