// Everything that changes the fixed-function program's code. Each distinct key
// gets one compiled GLSL program; everything else is a uniform.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/kernel/WinTypes.h"

// Texture stages the generated programs cascade; the device reports this
// many blend stages and the state cache tracks this many units.
constexpr int kTextureStages = 2;

struct StageKey {
    BYTE colorOp = 1;  // a D3DTEXTUREOP value; DISABLE ends the cascade
    BYTE colorArg1 = 2;
    BYTE colorArg2 = 1;
    BYTE alphaOp = 1;
    BYTE alphaArg1 = 2;
    BYTE alphaArg2 = 1;
    BYTE texCoordIndex = 0;
    BYTE hasTexture = 0;
    BYTE texTransform = 0;  // D3DTTFF count (2 or 3) when the stage's texture matrix applies
    BYTE projected = 0;     // divide by the last counted component
};

// Plain bytes with no padding, so keys compare and hash as memory.
struct ShaderKey {
    BYTE preTransformed = 0;  // XYZRHW: screen pixels, no transform, lighting or fog
    BYTE lighting = 0;
    BYTE lightCount = 0;  // enabled directional lights, packed in index order
    BYTE normalize = 0;
    BYTE fog = 0;  // linear fog on camera-space depth
    BYTE hasNormal = 0;
    BYTE hasDiffuse = 0;
    BYTE hasSpecular = 0;
    BYTE texCoordCount = 0;
    BYTE blendMatrices = 0;  // 0: world matrix only; n: n matrices, n - 1 weights read
    BYTE weightCount = 0;    // weights the vertex carries (may exceed blendMatrices - 1)
    BYTE indexed = 0;        // matrix indices from the packed UBYTE4
    BYTE diffuseSource = 0;  // 0 material, 1 vertex diffuse, 2 vertex specular
    BYTE ambientSource = 0;
    BYTE emissiveSource = 0;
    BYTE alphaFunc = 8;  // a D3DCMPFUNC; ALWAYS (8) means no test
    BYTE flat = 0;       // colours from the first vertex of each primitive
    BYTE specular = 0;   // D3DRS_SPECULARENABLE: the specular colour is added after the stages
    BYTE localViewer = 0;
    BYTE specularSource = 0;
    StageKey stages[kTextureStages];

    bool operator==(const ShaderKey& other) const { return std::memcmp(this, &other, sizeof(*this)) == 0; }
};

struct ShaderKeyHash {
    std::size_t operator()(const ShaderKey& key) const {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&key);
        std::size_t hash = 1469598103934665603ull;
        for (std::size_t i = 0; i < sizeof(key); ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
        return hash;
    }
};
