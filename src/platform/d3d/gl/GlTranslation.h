// How the device's values become GL's: colours and matrices as the float
// arrays the programs take, and each render-state enumeration as its GL enum.
#pragma once

#include <epoxy/gl.h>

#include "platform/d3d/D3D8.h"

class DeviceState;
class FvfLayout;

namespace d3dgl {

void ColourToFloats(D3DCOLOR colour, float* out);
void ValueToFloats(const D3DCOLORVALUE& value, float* out);
// Row-major, as the programs multiply row vectors.
void MatrixToFloats(const D3DMATRIX& matrix, float* out);
// The transpose of the inverse of the upper 3 x 3, in a 4 x 4 row-major
// matrix: what normals are multiplied by so non-uniform scales stay right.
void NormalMatrix(const D3DMATRIX& m, float* out);

GLenum BlendFactor(DWORD blend);
GLenum CompareFunc(DWORD func);
GLenum StencilOp(DWORD op);
GLenum BlendEquation(DWORD op);
GLenum PrimitiveMode(D3DPRIMITIVETYPE type);
// The renderbuffer format of a depth format, and where it attaches; 0 when GL has none.
GLenum DepthFormat(D3DFORMAT format, GLenum* attachment);
// Where the material colour of a lighting term comes from: 0 the material,
// 1 the vertex diffuse, 2 the vertex specular.
BYTE MaterialSource(const DeviceState& state, D3DRENDERSTATETYPE sourceState, const FvfLayout& layout);

// One GL sampler per (mag, min, mip filter, U, V address), filters clamped to
// NONE..LINEAR and addresses to WRAP..MIRRORONCE beforehand.
constexpr DWORD kFilterValues = D3DTEXF_LINEAR + 1;
constexpr DWORD kAddressValues = D3DTADDRESS_MIRRORONCE + 1;
constexpr int SamplerIndex(DWORD mag, DWORD min, DWORD mip, DWORD u, DWORD v) {
    return static_cast<int>(
        (((mag * kFilterValues + min) * kFilterValues + mip) * kAddressValues + u) * kAddressValues + v);
}
constexpr int kSamplerCount =
    SamplerIndex(D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTADDRESS_MIRRORONCE, D3DTADDRESS_MIRRORONCE) + 1;

}  // namespace d3dgl
