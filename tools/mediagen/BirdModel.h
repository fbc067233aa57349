// The skinned blue bird ("BlueBird01.x"), the never-drawn skinned dummy
// ("Dammy.x") and the bird's cull volume ("ClockDammy.x"). The bird faces +Z
// with +Y up; its frames are BirdRoot > Body > Head, WingL, WingR, Tail, and
// one mesh is skinned to the five bones. Its animation flaps the wings twice
// and sways the body once a second, and loops without a jump.
#pragma once

#include <cstdint>
#include <string>

#include "StaticModel.h"

class BirdModel {
public:
    static constexpr std::uint32_t kTicksPerSecond = 4800;
    static constexpr std::uint32_t kAnimationTicks = 4800;
    static constexpr float kDrawScale = 3.5f;

    // Text X files; their skin templates are declared at the top.
    static std::string BirdFile(std::uint32_t& dwVertices, std::uint32_t& dwTriangles);
    static std::string DammyFile();
    // Box meshes bounding the bird as drawn, including the raised wings.
    static StaticModel CullVolume();

private:
    static MeshBuilder BuildMesh(std::vector<std::uint32_t>& bones, std::vector<float>& wingWeights);
};
