#version 330 core
// The fixed-function pixel stage: up to two texture stages in cascade, the
// specular colour, linear fog and the alpha test. ShaderGenerator puts the
// variant's #defines after the #version line.

// What the fragment stage reads. Kept apart from the frame block so that the
// per-draw material and matrices never change the fragment stage's constants:
// the software rasterizer stores a new copy of its whole pixel state when they do.
layout(std140) uniform Pixel {
    vec4 u_fogColor;
    vec4 u_textureFactor;
    vec4 u_alphaRef;
};
uniform sampler2D u_texture0;
uniform sampler2D u_texture1;

#if FLAT
#define SHADING flat
#else
#define SHADING
#endif
SHADING in vec4 v_diffuse;
SHADING in vec4 v_specular;
in vec2 v_tex0;
in vec2 v_tex1;
in float v_fog;
out vec4 o_colour;

// What a stage's arguments (D3DTA) and operations (D3DTOP) are; the
// generator names them for each stage, so a stage is one expression.
#define ARG_DIFFUSE v_diffuse
#define ARG_CURRENT current
#define ARG_TFACTOR u_textureFactor
#define ARG_SPECULAR v_specular
// ARG_TEXTURE is the stage's own texel, defined at each stage.
#define ALPHA_REPLICATE(x) vec4(x.a)
#define COMPLEMENT(x) (vec4(1.0) - x)

#define OP_SELECT_ARG1(a1, a2) a1
#define OP_SELECT_ARG2(a1, a2) a2
#define OP_MODULATE(a1, a2) a1 * a2
#define OP_MODULATE_2X(a1, a2) a1 * a2 * 2.0
#define OP_MODULATE_4X(a1, a2) a1 * a2 * 4.0
#define OP_ADD(a1, a2) a1 + a2
#define OP_ADD_SIGNED(a1, a2) a1 + a2 - vec4(0.5)
#define OP_SUBTRACT(a1, a2) a1 - a2
#define OP_BLEND_DIFFUSE_ALPHA(a1, a2) mix(a2, a1, v_diffuse.a)
#define OP_BLEND_TEXTURE_ALPHA(a1, a2) mix(a2, a1, texel0.a)  // the first stage's texture in either stage
#define OP_BLEND_FACTOR_ALPHA(a1, a2) mix(a2, a1, u_textureFactor.a)
#define OP_BLEND_CURRENT_ALPHA(a1, a2) mix(a2, a1, current.a)

// The alpha test (D3DCMPFUNC), on the 0..255 scale the reference is given in.
bool PassesAlphaTest(int func, float a8, float ref) {
    switch (func) {
        case 1:
            return false;
        case 2:
            return a8 < ref;
        case 3:
            return a8 == ref;
        case 4:
            return a8 <= ref;
        case 5:
            return a8 > ref;
        case 6:
            return a8 != ref;
        case 7:
            return a8 >= ref;
        default:
            return true;
    }
}

void main() {
    vec4 current = v_diffuse;
#if STAGES >= 1
#if STAGE0_TEXTURE
    vec4 texel0 = texture(u_texture0, v_tex0);
#else
    vec4 texel0 = vec4(1.0);  // a stage without a texture reads opaque white
#endif
#define ARG_TEXTURE texel0
    {
        vec3 colour = clamp((STAGE0_COLOR_OP(STAGE0_COLOR_ARG1, STAGE0_COLOR_ARG2)).rgb, 0.0, 1.0);
#if STAGE0_ALPHA
        float alpha = clamp((STAGE0_ALPHA_OP(STAGE0_ALPHA_ARG1, STAGE0_ALPHA_ARG2)).a, 0.0, 1.0);
#else
        float alpha = current.a;
#endif
        current = vec4(colour, alpha);
    }
#undef ARG_TEXTURE
#endif
#if STAGES >= 2
#if STAGE1_TEXTURE
    vec4 texel1 = texture(u_texture1, v_tex1);
#else
    vec4 texel1 = vec4(1.0);
#endif
#define ARG_TEXTURE texel1
    {
        vec3 colour = clamp((STAGE1_COLOR_OP(STAGE1_COLOR_ARG1, STAGE1_COLOR_ARG2)).rgb, 0.0, 1.0);
#if STAGE1_ALPHA
        float alpha = clamp((STAGE1_ALPHA_OP(STAGE1_ALPHA_ARG1, STAGE1_ALPHA_ARG2)).a, 0.0, 1.0);
#else
        float alpha = current.a;
#endif
        current = vec4(colour, alpha);
    }
#undef ARG_TEXTURE
#endif
#if SPECULAR
    current.rgb = clamp(current.rgb + v_specular.rgb, 0.0, 1.0);
#endif
#if FOG
    current.rgb = mix(u_fogColor.rgb, current.rgb, v_fog);
#endif
#if ALPHA_FUNC != 8
    float a8 = floor(current.a * 255.0 + 0.5);
    if (!PassesAlphaTest(ALPHA_FUNC, a8, u_alphaRef.x)) discard;
#endif
    o_colour = current;
}
