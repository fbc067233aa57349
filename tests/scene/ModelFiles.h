// Model files written by the tests: text X files with named meshes, and the
// small textures their materials name.
#pragma once

#include <string>
#include <vector>

#include "gfxutil/D3DXMath.h"
#include "support/TempDir.h"

// A text X file of the given body.
std::string XFileText(const std::string& body);

// An axis-aligned box mesh from lo to hi: 8 corners, 6 quads. Each texture
// name adds a material (an empty name: a material without texture); the
// faces take the materials in turn.
std::string BoxMesh(const std::string& name, const D3DXVECTOR3& lo, const D3DXVECTOR3& hi,
                    const std::vector<std::string>& textures = {});
// A closed latitude-longitude sphere with one vertex per position, so the
// simplifier can take it down to a handful of vertices.
std::string SphereMesh(const std::string& name, float radius, int rings, int segments);
// A Frame holding the body, with a transformation matrix that moves by `offset`.
std::string FrameOf(const std::string& name, const D3DXVECTOR3& offset, const std::string& body);

// Writes Model/<file> (an X file of the body) under the current test folder.
void WriteModel(const ScopedTempCwd& cwd, const std::string& file, const std::string& body);
// Writes a 4 x 4 texture Texture/<name> under the folder given.
void WriteTexture(const std::string& folder, const std::string& name);
