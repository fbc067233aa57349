// One small model that uses every template the loaders meet: frames with
// transforms, a mesh with normals, texture coordinates, vertex colours, a
// material list naming a material by reference, skin header and weights, and an
// animation set whose animation refers to a frame.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "support/XTestWriter.h"

inline XTestWriter BuildTestModel() {
    XTestWriter w;
    w.Begin("Header");
    w.Ints({1, 0, 1});
    w.End();
    w.Begin("Material", "Red");
    w.Floats({1.0, 0.0, 0.0, 1.0});
    w.Floats({20.0});
    w.Floats({1.0, 1.0, 1.0});
    w.Floats({0.0, 0.0, 0.0});
    w.Begin("TextureFilename");
    w.String("tex\\\\red.dds");
    w.End();
    w.End();
    w.Begin("Frame", "Root");
    w.Begin("FrameTransformMatrix");
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1});
    w.End();
    w.Begin("Frame", "Child");
    w.Begin("FrameTransformMatrix");
    w.Floats({0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 0.5, 0, -1.25, 0.1, 3.3333333333, 1});
    w.End();
    w.Begin("Mesh", "display01");
    w.Ints({4});
    w.Floats({-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0.1});
    w.Ints({2});
    w.Ints({3, 0, 1, 2});
    w.Ints({3, 0, 2, 3});
    w.Begin("MeshNormals");
    w.Ints({1});
    w.Floats({0, 0, -1});
    w.Ints({2});
    w.Ints({3, 0, 0, 0});
    w.Ints({3, 0, 0, 0});
    w.End();
    w.Begin("MeshTextureCoords");
    w.Ints({4});
    w.Floats({0, 1, 0, 0, 1, 0, 1, 1});
    w.End();
    w.Begin("MeshVertexColors");
    w.Ints({1});
    w.Ints({2});
    w.Floats({0.25, 0.5, 0.75, 1.0});
    w.End();
    w.Begin("MeshMaterialList");
    w.Ints({1, 1, 0});
    w.Reference("Red");
    w.End();
    w.Begin("XSkinMeshHeader");
    w.Ints({2, 3, 1});
    w.End();
    w.Begin("SkinWeights");
    w.String("Child");
    w.Ints({2, 0, 1});
    w.Floats({1.0, 0.5});
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    w.End();
    w.End();  // Mesh
    w.End();  // Child
    w.End();  // Root
    w.Begin("AnimationSet", "Fly");
    w.Begin("Animation", "FlyChild");
    w.Reference("Child");
    w.Begin("AnimationKey");
    w.Ints({0, 2});
    w.Ints({0, 4});
    w.Floats({1, 0, 0, 0});
    w.Ints({4800, 4});
    w.Floats({0.70710677, 0, 0.70710677, 0});
    w.End();
    w.Begin("AnimationOptions");
    w.Ints({1, 0});
    w.End();
    w.End();
    w.End();
    return w;
}

// A model as exporters of the later format revisions write it, without template
// declarations: the time base, a material whose texture template name is spelt
// "TextureFileName" and which carries an effect instance with its parameters,
// normals and texture coordinates in a vertex declaration instead of their own
// templates, a key-framed animation set and a compressed one.
inline XTestWriter BuildExporterModel() {
    auto bits = [](float value) {
        std::uint32_t out = 0;
        std::memcpy(&out, &value, 4);
        return out;
    };
    XTestWriter w;
    w.Begin("AnimTicksPerSecond");
    w.Ints({4800});
    w.End();
    w.Begin("Frame", "Root");
    w.Begin("FrameTransformMatrix");
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    w.End();
    w.Begin("Mesh", "quad_display");
    w.Ints({4});
    w.Floats({-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0});
    w.Ints({2});
    w.Ints({3, 0, 1, 2});
    w.Ints({3, 0, 2, 3});
    w.Begin("MeshMaterialList");
    w.Ints({1, 2, 0, 0});
    w.Begin("Material", "Shiny");
    w.Floats({1.0, 0.5, 0.25, 1.0});
    w.Floats({8.0});
    w.Floats({1.0, 1.0, 1.0});
    w.Floats({0.0, 0.0, 0.0});
    w.Begin("TextureFileName");
    w.String("shiny.dds");
    w.End();
    w.Begin("EffectInstance");
    w.String("shiny.fx");
    w.Begin("EffectParamFloats");
    w.String("Diffuse");
    w.Ints({4});
    w.Floats({1.0, 0.5, 0.25, 1.0});
    w.End();
    w.Begin("EffectParamString");
    w.String("Texture0@Name");
    w.String("shiny.dds");
    w.End();
    w.Begin("EffectParamDWord");
    w.String("Passes");
    w.Ints({1});
    w.End();
    w.End();  // EffectInstance
    w.End();  // Material
    w.End();  // MeshMaterialList
    // Per vertex a FLOAT3 normal (usage 3) and a FLOAT2 texture coordinate (usage 5), as DWORD bits.
    w.Begin("DeclData");
    w.Ints({2, 2, 0, 3, 0, 1, 0, 5, 0});
    std::vector<std::uint32_t> data = {20};
    const float uv[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    for (const auto& corner : uv) {
        for (float value : {0.0f, 0.0f, -1.0f, corner[0], corner[1]}) {
            data.push_back(bits(value));
        }
    }
    w.Ints(data);
    w.End();
    w.End();  // Mesh
    w.End();  // Root
    w.Begin("AnimationSet", "Idle");
    w.Begin("Animation");
    w.Reference("Root");
    w.Begin("AnimationKey");
    w.Ints({2, 2});
    w.Ints({0, 3});
    w.Floats({0, 0, 0});
    w.Ints({4800, 3});
    w.Floats({0, 1, 0});
    w.End();
    w.End();
    w.End();
    w.Begin("CompressedAnimationSet");
    w.Ints({16});
    w.Floats({4800.0});
    w.Ints({0, 4, 1, 2, 3, 4});
    w.End();
    return w;
}
