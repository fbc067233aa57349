#include "platform/d3d/gl/ShaderGenerator.h"

namespace {

// D3DTEXTUREOP and D3DTA values (published).
constexpr BYTE kOpDisable = 1;
constexpr BYTE kOpSelectArg1 = 2;
constexpr BYTE kOpSelectArg2 = 3;
constexpr BYTE kOpModulate = 4;
constexpr BYTE kOpModulate2x = 5;
constexpr BYTE kOpModulate4x = 6;
constexpr BYTE kOpAdd = 7;
constexpr BYTE kOpAddSigned = 8;
constexpr BYTE kOpSubtract = 10;
constexpr BYTE kOpBlendDiffuseAlpha = 12;
constexpr BYTE kOpBlendTextureAlpha = 13;
constexpr BYTE kOpBlendFactorAlpha = 14;
constexpr BYTE kOpBlendCurrentAlpha = 16;

constexpr BYTE kArgSelectMask = 0x0F;
constexpr BYTE kArgDiffuse = 0;
constexpr BYTE kArgCurrent = 1;
constexpr BYTE kArgTexture = 2;
constexpr BYTE kArgTFactor = 3;
constexpr BYTE kArgSpecular = 4;
constexpr BYTE kArgComplement = 0x10;
constexpr BYTE kArgAlphaReplicate = 0x20;

// D3DCMPFUNC values.
const char* CompareExpression(BYTE func) {
    switch (func) {
        case 1:
            return "false";  // NEVER
        case 2:
            return "a8 < ref";
        case 3:
            return "a8 == ref";
        case 4:
            return "a8 <= ref";
        case 5:
            return "a8 > ref";
        case 6:
            return "a8 != ref";
        case 7:
            return "a8 >= ref";
        default:
            return "true";
    }
}

const char* kFrameBlockSource = R"(layout(std140) uniform Frame {
    mat4 u_view;
    mat4 u_projection;
    mat4 u_viewNormal;
    vec4 u_fog;
    vec4 u_screen;
    vec4 u_target;
    vec4 u_materialDiffuse;
    vec4 u_materialAmbient;
    vec4 u_materialEmissive;
    vec4 u_materialSpecular;
    vec4 u_ambientTotal;
    vec4 u_lightDiffuse[8];
    vec4 u_lightDirection[8];
    vec4 u_lightSpecular[8];
    mat4 u_textureMatrix[2];
};
)";

// What the fragment stage reads. Kept apart from the frame block so that the
// per-draw material and matrices never change the fragment stage's constants:
// the software rasterizer stores a new copy of its whole pixel state when they do.
const char* kPixelBlockSource = R"(layout(std140) uniform Pixel {
    vec4 u_fogColor;
    vec4 u_textureFactor;
    vec4 u_alphaRef;
};
)";

std::string Argument(BYTE arg, int stage) {
    std::string value;
    switch (arg & kArgSelectMask) {
        case kArgDiffuse:
            value = "v_diffuse";
            break;
        case kArgTexture:
            value = "texel" + std::to_string(stage);
            break;
        case kArgTFactor:
            value = "u_textureFactor";
            break;
        case kArgSpecular:
            value = "v_specular";
            break;
        case kArgCurrent:
        default:
            value = "current";
            break;
    }
    if ((arg & kArgAlphaReplicate) != 0) {
        value = "vec4(" + value + ".a)";
    }
    if ((arg & kArgComplement) != 0) {
        value = "(vec4(1.0) - " + value + ")";
    }
    return value;
}

std::string Operation(BYTE op, const std::string& a1, const std::string& a2) {
    switch (op) {
        case kOpSelectArg1:
            return a1;
        case kOpSelectArg2:
            return a2;
        case kOpModulate2x:
            return a1 + " * " + a2 + " * 2.0";
        case kOpModulate4x:
            return a1 + " * " + a2 + " * 4.0";
        case kOpAdd:
            return a1 + " + " + a2;
        case kOpAddSigned:
            return a1 + " + " + a2 + " - vec4(0.5)";
        case kOpSubtract:
            return a1 + " - " + a2;
        case kOpBlendDiffuseAlpha:
            return "mix(" + a2 + ", " + a1 + ", v_diffuse.a)";
        case kOpBlendTextureAlpha:
            return "mix(" + a2 + ", " + a1 + ", texel0.a)";
        case kOpBlendFactorAlpha:
            return "mix(" + a2 + ", " + a1 + ", u_textureFactor.a)";
        case kOpBlendCurrentAlpha:
            return "mix(" + a2 + ", " + a1 + ", current.a)";
        case kOpModulate:
        default:
            return a1 + " * " + a2;
    }
}

void AppendStage(std::string& s, const StageKey& stage, int index) {
    const std::string texel = "texel" + std::to_string(index);
    if (stage.hasTexture != 0) {
        s += "    vec4 " + texel + " = texture(u_texture" + std::to_string(index) + ", v_tex" + std::to_string(index) +
             ");\n";
    } else {
        // A stage without a texture reads it as opaque white.
        s += "    vec4 " + texel + " = vec4(1.0);\n";
    }
    s += "    {\n";
    s += "        vec3 colour = clamp((" +
         Operation(stage.colorOp, Argument(stage.colorArg1, index), Argument(stage.colorArg2, index)) +
         ").rgb, 0.0, 1.0);\n";
    if (stage.alphaOp == kOpDisable) {
        s += "        float alpha = current.a;\n";
    } else {
        s += "        float alpha = clamp((" +
             Operation(stage.alphaOp, Argument(stage.alphaArg1, index), Argument(stage.alphaArg2, index)) +
             ").a, 0.0, 1.0);\n";
    }
    s += "        current = vec4(colour, alpha);\n";
    s += "    }\n";
}

const char* ColourSource(BYTE source, const char* material) {
    switch (source) {
        case 1:
            return "v_inDiffuse";
        case 2:
            return "v_inSpecular";
        default:
            return material;
    }
}

}  // namespace

unsigned ShaderGenerator::PaletteEntries(const ShaderKey& key) {
    return key.indexed != 0 ? kPaletteSize : kDirectMatrices;
}

std::string ShaderGenerator::VertexSource(const ShaderKey& key) {
    std::string s = "#version 330 core\n";
    s += kFrameBlockSource;
    // Only indexed blending reaches past the first four matrices; a smaller
    // block is cheaper for the driver to hand to every draw.
    const std::string paletteSize = std::to_string(PaletteEntries(key));
    s += "layout(std140) uniform World { mat4 u_world[" + paletteSize + "]; };\n";
    s += "layout(std140) uniform WorldNormal { mat4 u_worldNormal[" + paletteSize + "]; };\n";
    s += "layout(location = 0) in vec4 a_position;\n";
    s += "layout(location = 1) in vec4 a_weights;\n";
    s += "layout(location = 2) in vec4 a_indices;\n";
    s += "layout(location = 3) in vec3 a_normal;\n";
    s += "layout(location = 4) in vec4 a_diffuse;\n";
    s += "layout(location = 5) in vec4 a_specular;\n";
    s += "layout(location = 6) in vec2 a_tex0;\n";
    s += "layout(location = 7) in vec2 a_tex1;\n";
    s += "layout(location = 8) in vec2 a_tex2;\n";
    const std::string colour = key.flat != 0 ? "flat out vec4 " : "out vec4 ";
    s += colour + "v_diffuse;\n" + colour + "v_specular;\n";
    s += "out vec2 v_tex0;\nout vec2 v_tex1;\nout float v_fog;\n";
    s += "void main() {\n";
    s += key.hasDiffuse != 0 ? "    vec4 v_inDiffuse = a_diffuse;\n" : "    vec4 v_inDiffuse = vec4(1.0);\n";
    s += key.hasSpecular != 0 ? "    vec4 v_inSpecular = a_specular;\n" : "    vec4 v_inSpecular = vec4(0.0);\n";
    for (int stage = 0; stage < kTextureStages; ++stage) {
        const int index = key.stages[stage].texCoordIndex;
        const std::string out = "    v_tex" + std::to_string(stage) + " = ";
        const StageKey& stageKey = key.stages[stage];
        if (index < key.texCoordCount && index < 3 && stageKey.texTransform != 0 && key.preTransformed == 0) {
            // Two coordinates go in as (u, v, 1, 0), so the third row translates.
            const std::string t =
                "(u_textureMatrix[" + std::to_string(stage) + "] * vec4(a_tex" + std::to_string(index) + ", 1.0, 0.0))";
            if (stageKey.projected != 0) {
                const char* w = stageKey.texTransform == 3 ? ".z" : ".y";
                s += out + t + ".xy / " + t + w + ";\n";
            } else {
                s += out + t + ".xy;\n";
            }
        } else if (index < key.texCoordCount && index < 3) {
            s += out + "a_tex" + std::to_string(index) + ";\n";
        } else {
            s += out + "vec2(0.0);\n";
        }
    }

    if (key.preTransformed != 0) {
        // Screen pixels with centres on integers (GL's are at +0.5) and Y down;
        // w = 1/rhw keeps the interpolation perspective-correct.
        s += "    float w = a_position.w > 0.0 ? 1.0 / a_position.w : 1.0;\n";
        s += "    float glX = a_position.x + 0.5;\n";
        s += "    float glY = u_target.y - (a_position.y + 0.5);\n";
        s += "    vec3 ndc = vec3((glX - u_screen.x) / u_screen.z * 2.0 - 1.0,\n";
        s += "                    (glY - u_screen.y) / u_screen.w * 2.0 - 1.0,\n";
        s += "                    a_position.z * 2.0 - 1.0);\n";
        s += "    gl_Position = vec4(ndc.x * w, -ndc.y * w, ndc.z * w, w);\n";  // targets are top row first
        s += "    v_diffuse = v_inDiffuse;\n    v_specular = v_inSpecular;\n    v_fog = 1.0;\n";
        s += "}\n";
        return s;
    }

    s += "    vec4 position = vec4(a_position.xyz, 1.0);\n";
    s += key.hasNormal != 0 ? "    vec3 normal = a_normal;\n" : "    vec3 normal = vec3(0.0);\n";
    if (key.blendMatrices == 0) {
        s += "    vec4 world = u_world[0] * position;\n";
        s += "    vec3 worldNormal = mat3(u_worldNormal[0]) * normal;\n";
    } else {
        s += "    vec4 world = vec4(0.0);\n    vec3 worldNormal = vec3(0.0);\n    float weightSum = 0.0;\n";
        for (int i = 0; i < key.blendMatrices; ++i) {
            const std::string n = std::to_string(i);
            const bool last = i == key.blendMatrices - 1;
            std::string weight;
            if (last) {
                weight = "(1.0 - weightSum)";  // the last weight is implicit
            } else if (i < key.weightCount) {
                weight = "a_weights[" + n + "]";
            } else {
                weight = "0.0";
            }
            const std::string index = key.indexed != 0 ? "int(a_indices[" + n + "] + 0.5)" : n;
            s += "    {\n        float weight = " + weight + ";\n        int m = " + index + ";\n";
            s += "        world += weight * (u_world[m] * position);\n";
            s += "        worldNormal += weight * (mat3(u_worldNormal[m]) * normal);\n";
            if (!last) {
                s += "        weightSum += weight;\n";
            }
            s += "    }\n";
        }
    }
    s += "    vec4 camera = u_view * world;\n";
    s += "    gl_Position = u_projection * camera;\n";
    s += "    gl_Position.z = gl_Position.z * 2.0 - gl_Position.w;\n";  // 0..1 depth to GL's -1..1
    s += "    gl_Position.y = -gl_Position.y;\n";                       // targets are top row first

    if (key.lighting != 0) {
        s += "    vec3 n = mat3(u_viewNormal) * worldNormal;\n";
        if (key.normalize != 0) {
            s += "    if (dot(n, n) > 0.0) n = normalize(n);\n";
        }
        s += "    vec4 matDiffuse = " + std::string(ColourSource(key.diffuseSource, "u_materialDiffuse")) + ";\n";
        s += "    vec4 matAmbient = " + std::string(ColourSource(key.ambientSource, "u_materialAmbient")) + ";\n";
        s += "    vec4 matEmissive = " + std::string(ColourSource(key.emissiveSource, "u_materialEmissive")) + ";\n";
        s += "    vec3 lit = matEmissive.rgb + matAmbient.rgb * u_ambientTotal.rgb;\n";
        for (int i = 0; i < key.lightCount && i < static_cast<int>(kMaxLights); ++i) {
            const std::string n = std::to_string(i);
            s += "    lit += matDiffuse.rgb * u_lightDiffuse[" + n + "].rgb * max(0.0, dot(n, u_lightDirection[" + n +
                 "].xyz));\n";
        }
        s += "    v_diffuse = vec4(clamp(lit, 0.0, 1.0), clamp(matDiffuse.a, 0.0, 1.0));\n";
        if (key.specular != 0) {
            // Blinn-Phong highlights: the half vector between the light and
            // the viewer (the camera, or straight down the view axis).
            s +=
                "    vec4 matSpecular = " + std::string(ColourSource(key.specularSource, "u_materialSpecular")) + ";\n";
            s += key.localViewer != 0 ? "    vec3 toViewer = normalize(-camera.xyz);\n"
                                      : "    vec3 toViewer = vec3(0.0, 0.0, -1.0);\n";
            s += "    vec3 shine = vec3(0.0);\n";
            for (int i = 0; i < key.lightCount && i < static_cast<int>(kMaxLights); ++i) {
                const std::string n = std::to_string(i);
                s += "    if (dot(n, u_lightDirection[" + n + "].xyz) > 0.0) {\n";
                s += "        vec3 halfway = normalize(u_lightDirection[" + n + "].xyz + toViewer);\n";
                s += "        shine += u_lightSpecular[" + n +
                     "].rgb * pow(max(0.0, dot(n, halfway)), u_materialSpecular.a);\n";
                s += "    }\n";
            }
            s += "    v_specular = vec4(clamp(matSpecular.rgb * shine, 0.0, 1.0), 0.0);\n";
        } else {
            s += "    v_specular = vec4(0.0);\n";
        }
    } else {
        s += "    v_diffuse = v_inDiffuse;\n    v_specular = v_inSpecular;\n";
    }
    if (key.fog != 0) {
        s += "    v_fog = clamp((u_fog.y - abs(camera.z)) * u_fog.z, 0.0, 1.0);\n";
    } else {
        s += "    v_fog = 1.0;\n";
    }
    s += "}\n";
    return s;
}

std::string ShaderGenerator::FragmentSource(const ShaderKey& key) {
    std::string s = "#version 330 core\n";
    s += kPixelBlockSource;
    s += "uniform sampler2D u_texture0;\nuniform sampler2D u_texture1;\n";
    const std::string colour = key.flat != 0 ? "flat in vec4 " : "in vec4 ";
    s += colour + "v_diffuse;\n" + colour + "v_specular;\n";
    s += "in vec2 v_tex0;\nin vec2 v_tex1;\nin float v_fog;\n";
    s += "out vec4 o_colour;\n";
    s += "void main() {\n";
    s += "    vec4 current = v_diffuse;\n";
    if (key.stages[0].colorOp != kOpDisable) {
        AppendStage(s, key.stages[0], 0);
        if (key.stages[1].colorOp != kOpDisable) {
            AppendStage(s, key.stages[1], 1);
        }
    }
    if (key.specular != 0) {
        s += "    current.rgb = clamp(current.rgb + v_specular.rgb, 0.0, 1.0);\n";
    }
    if (key.fog != 0) {
        s += "    current.rgb = mix(u_fogColor.rgb, current.rgb, v_fog);\n";
    }
    if (key.alphaFunc != 8) {
        // Compared on the 0..255 scale, as the reference value is given.
        s += "    float a8 = floor(current.a * 255.0 + 0.5);\n";
        s += "    float ref = u_alphaRef.x;\n";
        s += "    if (!(" + std::string(CompareExpression(key.alphaFunc)) + ")) discard;\n";
    }
    s += "    o_colour = current;\n";
    s += "}\n";
    return s;
}
