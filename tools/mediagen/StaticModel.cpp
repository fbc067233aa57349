#include "StaticModel.h"

#include <utility>

#include "Shapes.h"

void StaticModel::AddDisplay(const std::string& szPart, MeshBuilder mesh) {
    mesh.ComputeNormals();
    m_parts.push_back(szPart);
    m_displays.push_back(std::move(mesh));
}

std::vector<XObject> StaticModel::Objects() const {
    std::vector<XObject> objects;
    for (size_t i = 0; i < m_displays.size(); ++i) {
        objects.push_back(m_displays[i].ToXObject(m_parts[i] + "_display"));
    }
    for (size_t i = 0; i < m_displays.size(); ++i) {
        Vec3 min, max;
        m_displays[i].Bounds(min, max);
        MeshBuilder box;
        MeshMaterial grey;
        grey.m_fR = grey.m_fG = grey.m_fB = 0.5f;
        const std::uint32_t dwGrey = box.AddMaterial(grey);
        box.Append(Shapes::Box(min, max, dwGrey), Mat4::Identity());
        box.ComputeNormals();
        objects.push_back(box.ToXObject(m_parts[i] + "_dammy"));
    }
    return objects;
}

std::uint32_t StaticModel::DisplayVertices() const {
    std::uint32_t dw = 0;
    for (const MeshBuilder& m : m_displays) {
        dw += static_cast<std::uint32_t>(m.Vertices().size());
    }
    return dw;
}

std::uint32_t StaticModel::DisplayTriangles() const {
    std::uint32_t dw = 0;
    for (const MeshBuilder& m : m_displays) {
        dw += static_cast<std::uint32_t>(m.Faces().size());
    }
    return dw;
}

std::uint32_t StaticModel::RefusedTriangles() const {
    std::uint32_t dw = 0;
    for (const MeshBuilder& m : m_displays) {
        dw += m.RefusedTriangles();
    }
    return dw;
}
