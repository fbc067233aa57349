// The GLSL 3.30 source of the fixed-function pipeline for one key: the
// shaders in shaders/ (built into the program) with the key's switches as
// #defines.
#pragma once

#include <string>

#include "platform/d3d/gl/ShaderKey.h"

class ShaderGenerator {
public:
    // Uniform block bindings shared by every program, so one upload serves all.
    static constexpr unsigned kFrameBlock = 0;
    static constexpr unsigned kWorldBlock = 1;
    static constexpr unsigned kWorldNormalBlock = 2;
    static constexpr unsigned kPixelBlock = 3;
    static constexpr unsigned kPaletteSize = 256;
    static constexpr unsigned kDirectMatrices = 4;  // world matrices 0..3 without indices
    static constexpr unsigned kMaxLights = 8;

    // Vertex attribute locations.
    enum Attribute : unsigned {
        kPosition = 0,
        kWeights = 1,
        kIndices = 2,
        kNormal = 3,
        kDiffuse = 4,
        kSpecular = 5,
        kTexCoord0 = 6,  // 6, 7, 8
    };

    // Matrices the World and WorldNormal blocks of the key's program hold.
    static unsigned PaletteEntries(const ShaderKey& key);

    static std::string VertexSource(const ShaderKey& key);
    static std::string FragmentSource(const ShaderKey& key);
};

// Layout of the Frame uniform block (std140), as the shaders declare it.
struct FrameBlock {
    float view[16];
    float projection[16];
    float viewNormal[16];
    float fog[4];     // start, end, 1 / (end - start)
    float screen[4];  // GL viewport x, y (bottom left), width, height
    float target[4];  // render-target width, height
    float materialDiffuse[4];
    float materialAmbient[4];
    float materialEmissive[4];
    float materialSpecular[4];  // colour, and the power in the fourth element
    float ambientTotal[4];      // D3DRS_AMBIENT plus every enabled light's ambient
    float lightDiffuse[8][4];
    float lightDirection[8][4];  // towards the light, camera space, unit length
    float lightSpecular[8][4];
    float textureMatrix[2][16];  // D3DTS_TEXTURE0 and 1
};

// Layout of the Pixel uniform block (std140): what the fragment stage reads.
struct PixelBlock {
    float fogColor[4];
    float textureFactor[4];
    float alphaRef[4];
};
