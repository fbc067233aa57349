// One small model that uses every template the loaders meet: frames with
// transforms, a mesh with normals, texture coordinates, vertex colours, a
// material list naming a material by reference, skin header and weights, and an
// animation set whose animation refers to a frame.
#pragma once

#include "platform/xfile/XTestWriter.h"

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
