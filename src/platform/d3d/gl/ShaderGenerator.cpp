#include "platform/d3d/gl/ShaderGenerator.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "shaders/fixed_frag.h"
#include "shaders/fixed_vert.h"

namespace {

constexpr BYTE kOpDisable = 1;  // D3DTOP_DISABLE: ends the stage cascade, or keeps the alpha
constexpr BYTE kArgSelectMask = 0x0F;
constexpr BYTE kArgComplement = 0x10;
constexpr BYTE kArgAlphaReplicate = 0x20;

// fixed.frag's name of a texture operation (a D3DTOP value); any other modulates.
const char* OperationName(BYTE op) {
    static const char* const kNames[] = {nullptr,
                                         nullptr,
                                         "OP_SELECT_ARG1",
                                         "OP_SELECT_ARG2",
                                         "OP_MODULATE",
                                         "OP_MODULATE_2X",
                                         "OP_MODULATE_4X",
                                         "OP_ADD",
                                         "OP_ADD_SIGNED",
                                         nullptr,
                                         "OP_SUBTRACT",
                                         nullptr,
                                         "OP_BLEND_DIFFUSE_ALPHA",
                                         "OP_BLEND_TEXTURE_ALPHA",
                                         "OP_BLEND_FACTOR_ALPHA",
                                         nullptr,
                                         "OP_BLEND_CURRENT_ALPHA"};
    return op < std::size(kNames) && kNames[op] != nullptr ? kNames[op] : "OP_MODULATE";
}

// fixed.frag's name of a stage argument (a D3DTA value) with its modifiers;
// what it does not know reads the current colour.
std::string ArgumentName(BYTE arg) {
    static const char* const kSelects[] = {"ARG_DIFFUSE", "ARG_CURRENT", "ARG_TEXTURE", "ARG_TFACTOR", "ARG_SPECULAR"};
    const BYTE select = arg & kArgSelectMask;
    std::string name = select < std::size(kSelects) ? kSelects[select] : "ARG_CURRENT";
    if ((arg & kArgAlphaReplicate) != 0) {
        name = "ALPHA_REPLICATE(" + name + ")";
    }
    if ((arg & kArgComplement) != 0) {
        name = "COMPLEMENT(" + name + ")";
    }
    return name;
}

void Define(std::string& defines, const std::string& name, const std::string& value) {
    defines += "#define " + name + " " + value + "\n";
}

void Define(std::string& defines, const std::string& name, int value) {
    Define(defines, name, std::to_string(value));
}

// The shader text with the switches after its #version line; #line keeps
// compiler messages on the file's own line numbers.
std::string WithDefines(std::string_view text, const std::string& defines) {
    const std::size_t body = text.find('\n') + 1;
    std::string source(text.substr(0, body));
    source += defines;
    source += "#line 2\n";
    source += text.substr(body);
    return source;
}

}  // namespace

unsigned ShaderGenerator::PaletteEntries(const ShaderKey& key) {
    return key.indexed != 0 ? kPaletteSize : kDirectMatrices;
}

std::string ShaderGenerator::VertexSource(const ShaderKey& key) {
    std::string d;
    Define(d, "PALETTE_SIZE", static_cast<int>(PaletteEntries(key)));
    Define(d, "FLAT", key.flat);
    Define(d, "PRETRANSFORMED", key.preTransformed);
    Define(d, "HAS_NORMAL", key.hasNormal);
    Define(d, "HAS_DIFFUSE", key.hasDiffuse);
    Define(d, "HAS_SPECULAR", key.hasSpecular);
    for (int s = 0; s < kTextureStages; ++s) {
        const StageKey& stage = key.stages[s];
        const std::string name = "TEX" + std::to_string(s);
        const bool read = stage.texCoordIndex < key.texCoordCount && stage.texCoordIndex < 3;
        const bool transform = read && stage.texTransform != 0 && key.preTransformed == 0;
        Define(d, name + "_INDEX", read ? stage.texCoordIndex : -1);
        Define(d, name + "_TRANSFORM", transform ? 1 : 0);
        // The component a projected stage divides by: the last one counted.
        Define(d, name + "_DIVIDE", transform && stage.projected != 0 ? (stage.texTransform == 3 ? 2 : 1) : 0);
    }
    Define(d, "BLEND_MATRICES", key.blendMatrices);
    Define(d, "WEIGHT_COUNT", key.weightCount);
    Define(d, "INDEXED", key.indexed);
    Define(d, "LIGHTING", key.lighting);
    Define(d, "LIGHT_COUNT", std::min<int>(key.lightCount, kMaxLights));
    Define(d, "NORMALIZE", key.normalize);
    Define(d, "DIFFUSE_SOURCE", key.diffuseSource);
    Define(d, "AMBIENT_SOURCE", key.ambientSource);
    Define(d, "EMISSIVE_SOURCE", key.emissiveSource);
    Define(d, "SPECULAR", key.specular);
    Define(d, "SPECULAR_SOURCE", key.specularSource);
    Define(d, "LOCAL_VIEWER", key.localViewer);
    Define(d, "FOG", key.fog);
    return WithDefines(kFixedVert, d);
}

std::string ShaderGenerator::FragmentSource(const ShaderKey& key) {
    std::string d;
    Define(d, "FLAT", key.flat);
    // Stages in cascade: up to the first disabled one.
    int stages = 0;
    while (stages < kTextureStages && key.stages[stages].colorOp != kOpDisable) {
        ++stages;
    }
    Define(d, "STAGES", stages);
    for (int s = 0; s < kTextureStages; ++s) {
        const StageKey& stage = key.stages[s];
        const std::string name = "STAGE" + std::to_string(s);
        Define(d, name + "_TEXTURE", stage.hasTexture);
        Define(d, name + "_COLOR_OP", OperationName(stage.colorOp));
        Define(d, name + "_COLOR_ARG1", ArgumentName(stage.colorArg1));
        Define(d, name + "_COLOR_ARG2", ArgumentName(stage.colorArg2));
        Define(d, name + "_ALPHA", stage.alphaOp != kOpDisable ? 1 : 0);
        Define(d, name + "_ALPHA_OP", OperationName(stage.alphaOp));
        Define(d, name + "_ALPHA_ARG1", ArgumentName(stage.alphaArg1));
        Define(d, name + "_ALPHA_ARG2", ArgumentName(stage.alphaArg2));
    }
    Define(d, "SPECULAR", key.specular);
    Define(d, "FOG", key.fog);
    Define(d, "ALPHA_FUNC", key.alphaFunc);
    return WithDefines(kFixedFrag, d);
}
