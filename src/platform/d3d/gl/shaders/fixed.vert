#version 330 core
// The fixed-function vertex stage: transforms (row vectors, depth 0..1 turned
// into GL's -1..1), vertex blending, directional lighting in camera space and
// linear fog. ShaderGenerator puts the variant's #defines after the #version
// line; every switch is a number, so what is off folds away when compiled.

layout(std140) uniform Frame {
    mat4 u_view;
    mat4 u_projection;
    mat4 u_viewNormal;
    vec4 u_fog;  // start, end, 1 / (end - start)
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
// Only indexed blending reaches past the first four matrices; a smaller
// block is cheaper for the driver to hand to every draw.
layout(std140) uniform World { mat4 u_world[PALETTE_SIZE]; };
layout(std140) uniform WorldNormal { mat4 u_worldNormal[PALETTE_SIZE]; };

layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_weights;
layout(location = 2) in vec4 a_indices;
layout(location = 3) in vec3 a_normal;
layout(location = 4) in vec4 a_diffuse;
layout(location = 5) in vec4 a_specular;
layout(location = 6) in vec2 a_tex0;
layout(location = 7) in vec2 a_tex1;
layout(location = 8) in vec2 a_tex2;

#if FLAT
#define SHADING flat
#else
#define SHADING
#endif
SHADING out vec4 v_diffuse;
SHADING out vec4 v_specular;
out vec2 v_tex0;
out vec2 v_tex1;
out float v_fog;

// A stage's coordinates: none (index -1) read as zero; a texture matrix
// takes two coordinates as (u, v, 1, 0), so its third row translates, and a
// projected stage divides by the last counted component (divide 1 or 2).
vec2 StageCoordinates(int index, int transform, int divide, mat4 matrix) {
    if (index < 0) {
        return vec2(0.0);
    }
    vec2 uv = index == 0 ? a_tex0 : (index == 1 ? a_tex1 : a_tex2);
    if (transform == 0) {
        return uv;
    }
    vec4 t = matrix * vec4(uv, 1.0, 0.0);
    return divide == 0 ? t.xy : t.xy / t[divide];
}

// Where a lighting colour comes from: 1 the vertex diffuse, 2 the vertex
// specular, else the material's.
vec4 MaterialColour(int source, vec4 material, vec4 diffuse, vec4 specular) {
    return source == 1 ? diffuse : (source == 2 ? specular : material);
}

void main() {
    vec4 inDiffuse = HAS_DIFFUSE != 0 ? a_diffuse : vec4(1.0);
    vec4 inSpecular = HAS_SPECULAR != 0 ? a_specular : vec4(0.0);
    v_tex0 = StageCoordinates(TEX0_INDEX, TEX0_TRANSFORM, TEX0_DIVIDE, u_textureMatrix[0]);
    v_tex1 = StageCoordinates(TEX1_INDEX, TEX1_TRANSFORM, TEX1_DIVIDE, u_textureMatrix[1]);

#if PRETRANSFORMED
    // Screen pixels with centres on integers (GL's are at +0.5) and Y down;
    // w = 1/rhw keeps the interpolation perspective-correct.
    float w = a_position.w > 0.0 ? 1.0 / a_position.w : 1.0;
    float glX = a_position.x + 0.5;
    float glY = u_target.y - (a_position.y + 0.5);
    vec3 ndc = vec3((glX - u_screen.x) / u_screen.z * 2.0 - 1.0,
                    (glY - u_screen.y) / u_screen.w * 2.0 - 1.0,
                    a_position.z * 2.0 - 1.0);
    gl_Position = vec4(ndc.x * w, -ndc.y * w, ndc.z * w, w);  // targets are top row first
    v_diffuse = inDiffuse;
    v_specular = inSpecular;
    v_fog = 1.0;
#else
    vec4 position = vec4(a_position.xyz, 1.0);
    vec3 normal = HAS_NORMAL != 0 ? a_normal : vec3(0.0);
#if BLEND_MATRICES == 0
    vec4 world = u_world[0] * position;
    vec3 worldNormal = mat3(u_worldNormal[0]) * normal;
#else
    // The vertex carries one weight fewer than it has matrices: the last is
    // what the others leave.
    vec4 world = vec4(0.0);
    vec3 worldNormal = vec3(0.0);
    float weightSum = 0.0;
    for (int i = 0; i < BLEND_MATRICES; ++i) {
        float weight = i == BLEND_MATRICES - 1 ? 1.0 - weightSum : (i < WEIGHT_COUNT ? a_weights[i] : 0.0);
        int m = INDEXED != 0 ? int(a_indices[i] + 0.5) : i;
        world += weight * (u_world[m] * position);
        worldNormal += weight * (mat3(u_worldNormal[m]) * normal);
        weightSum += weight;
    }
#endif
    vec4 camera = u_view * world;
    gl_Position = u_projection * camera;
    gl_Position.z = gl_Position.z * 2.0 - gl_Position.w;  // 0..1 depth to GL's -1..1
    gl_Position.y = -gl_Position.y;                       // targets are top row first

#if LIGHTING
    vec3 n = mat3(u_viewNormal) * worldNormal;
#if NORMALIZE
    if (dot(n, n) > 0.0) n = normalize(n);
#endif
    vec4 matDiffuse = MaterialColour(DIFFUSE_SOURCE, u_materialDiffuse, inDiffuse, inSpecular);
    vec4 matAmbient = MaterialColour(AMBIENT_SOURCE, u_materialAmbient, inDiffuse, inSpecular);
    vec4 matEmissive = MaterialColour(EMISSIVE_SOURCE, u_materialEmissive, inDiffuse, inSpecular);
    vec3 lit = matEmissive.rgb + matAmbient.rgb * u_ambientTotal.rgb;
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        lit += matDiffuse.rgb * u_lightDiffuse[i].rgb * max(0.0, dot(n, u_lightDirection[i].xyz));
    }
    v_diffuse = vec4(clamp(lit, 0.0, 1.0), clamp(matDiffuse.a, 0.0, 1.0));
#if SPECULAR
    // Blinn-Phong highlights: the half vector between the light and the
    // viewer (the camera, or straight down the view axis).
    vec4 matSpecular = MaterialColour(SPECULAR_SOURCE, u_materialSpecular, inDiffuse, inSpecular);
    vec3 toViewer = LOCAL_VIEWER != 0 ? normalize(-camera.xyz) : vec3(0.0, 0.0, -1.0);
    vec3 shine = vec3(0.0);
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (dot(n, u_lightDirection[i].xyz) > 0.0) {
            vec3 halfway = normalize(u_lightDirection[i].xyz + toViewer);
            shine += u_lightSpecular[i].rgb * pow(max(0.0, dot(n, halfway)), u_materialSpecular.a);
        }
    }
    v_specular = vec4(clamp(matSpecular.rgb * shine, 0.0, 1.0), 0.0);
#else
    v_specular = vec4(0.0);
#endif
#else
    v_diffuse = inDiffuse;
    v_specular = inSpecular;
#endif
    v_fog = FOG != 0 ? clamp((u_fog.y - abs(camera.z)) * u_fog.z, 0.0, 1.0) : 1.0;
#endif
}
