// A model file of the scene: display meshes, each paired with a box-shaped
// dummy mesh that bounds it (the program culls and places with the dummies'
// kind of bounds and requires equal numbers of both).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeshBuilder.h"
#include "XObject.h"

class StaticModel {
public:
    // Mesh names become part + "_display" and part + "_dammy".
    void AddDisplay(const std::string& szPart, MeshBuilder mesh);

    std::vector<XObject> Objects() const;
    const std::vector<MeshBuilder>& Displays() const { return m_displays; }
    std::uint32_t DisplayVertices() const;
    std::uint32_t DisplayTriangles() const;
    std::uint32_t RefusedTriangles() const;

private:
    std::vector<std::string> m_parts;
    std::vector<MeshBuilder> m_displays;
};
