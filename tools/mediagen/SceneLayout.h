// Where things stand and fly: the flower placements ("Clock.vps"), the vine
// copies ("Clock.bps"), the bird's closed path with its per-point camera
// angles and distances ("Clock.fpp"), and the default settings word.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Vec3.h"
#include "overlay/Flags.h"

struct PathPoint {
    Vec3 m_position;
    float m_fCameraAngle = 0.0f;
    float m_fCameraDistance = 0.0f;
};

class SceneLayout {
public:
    // The keyboard camera's reset pose looks from here, turned 0.4 rad from +Z.
    static constexpr float kResetX = -57.8f, kResetY = -5.3f, kResetZ = 30.1f, kResetYaw = 0.4f;
    // The word the program itself starts from without a settings file.
    static constexpr std::uint32_t kDefaultFlags = kDefaultFlagsWord;

    static std::vector<Mat4> Flowers();
    static std::vector<Mat4> Vines();
    static std::vector<PathPoint> Path();

    // File images.
    static std::string PositionFile(const std::vector<Mat4>& placements);
    static std::string PathFile(const std::vector<PathPoint>& path);
    static std::string FlagsFile(std::uint32_t dwFlags);
};
