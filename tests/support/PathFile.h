// Path files for tests: a count, points, camera angles and distances, in the
// little-endian layout of "Clock.fpp".
#pragma once

#include <string>
#include <vector>

#include "gfxutil/D3DXMath.h"

std::string PathFileBytes(int count, const std::vector<D3DXVECTOR3>& points, const std::vector<float>& angles,
                          const std::vector<float>& distances);
