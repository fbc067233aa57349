// Files for the clock and background tests: position files in the layout of
// "Clock.vps" and "Clock.bps", and the generated models linked into a test's
// current directory.
#pragma once

#include <string>
#include <vector>

#include "gfxutil/D3DXMath.h"
#include "support/TempDir.h"

// A 32-bit count followed by 64-byte row-major matrices (as many as given,
// which need not match the count).
std::string PlacementFileBytes(int count, const std::vector<D3DXMATRIX>& records);

// Links Model/ and Texture/ of the generated run folder into cwd; false when
// the run folder has no models.
bool LinkGeneratedMedia(const ScopedTempCwd& cwd);

D3DXMATRIX Placement(float scale, float yaw, float x, float y, float z);
