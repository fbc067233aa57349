// A model file read through the X-file runtime into what a viewer needs:
// frames with their transforms, meshes with materials, skins and animation
// keys. Pose() places every vertex at an animation time: skinned meshes by
// their bones, meshes inside frames by the frame, top-level meshes as stored.
// Dummy meshes (bounds only, never drawn by the program) are left out.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Vec3.h"

struct ViewMaterial {
    float m_fColour[4] = {1, 1, 1, 1};
    float m_fEmissive[3] = {0, 0, 0};
    std::string m_szTexture;
};

struct ViewVertex {
    Vec3 m_p;
    Vec3 m_n;
    float m_fU = 0.0f, m_fV = 0.0f;
};

// Triangles of one material, ready to draw.
struct ViewBatch {
    ViewMaterial m_material;
    std::vector<ViewVertex> m_vertices;  // three per triangle
    std::string m_szMesh;                // the mesh it comes from
};

class ModelScene {
public:
    // false when the runtime rejects the file.
    bool Load(const std::string& szPath);
    // Adds another scene's meshes carried by a placement (its frames stay its own).
    void Append(const ModelScene& other, const Mat4& placement);

    // Batches at a time in animation ticks.
    std::vector<ViewBatch> Pose(float fTicks) const;
    std::uint32_t Triangles() const;

    struct Frame {
        std::string m_szName;
        int m_nParent = -1;
        Mat4 m_file;
    };
    struct Skin {
        int m_nFrame = -1;
        std::vector<std::uint32_t> m_indices;
        std::vector<float> m_weights;
        Mat4 m_offset;
    };
    struct Mesh {
        std::string m_szName;
        int m_nFrame = -1;
        Mat4 m_placement;
        std::vector<Vec3> m_positions, m_normals;
        std::vector<std::array<float, 2>> m_coords;
        std::vector<std::array<std::uint32_t, 3>> m_faces;
        std::vector<std::uint32_t> m_faceMaterials;
        std::vector<ViewMaterial> m_materials;
        std::vector<Skin> m_skins;
    };
    struct Key {
        std::uint32_t m_dwTime = 0;
        std::vector<float> m_values;
    };
    struct Animation {
        int m_nFrame = -1;
        std::vector<Key> m_keys[5];  // by key type
    };

private:
    std::vector<Mat4> Combined(float fTicks) const;

    std::vector<Frame> m_frames;
    std::vector<Mesh> m_meshes;
    std::vector<Animation> m_animations;
    std::vector<std::pair<std::string, std::string>> m_pendingBones;
};
