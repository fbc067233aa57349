// Building blocks of the models, each a closed solid or a surface with one
// simple border, free of zero-area and repeated faces, so that every display
// mesh survives cleaning, welding and validation. Each returns a piece in its
// own frame; normals are computed by the caller after assembling.
#pragma once

#include <cstdint>
#include <vector>

#include "MeshBuilder.h"

struct Outline2 {
    float x = 0.0f;
    float y = 0.0f;
};

class Shapes {
public:
    // Ellipsoid about centre, poles on the Y axis, with single pole vertices.
    static MeshBuilder Ellipsoid(const Vec3& centre, const Vec3& radii, int nSegments, int nRings,
                                 std::uint32_t dwMaterial);
    // A thin closed leaf or petal: base at the origin, tip at (0, length, 0),
    // front toward -Z. bend pushes the tip along +Z (negative: toward the front),
    // curl lifts the edges along +Z.
    static MeshBuilder Lens(float fLength, float fWidth, float fThickness, float fBend, float fCurl, int nRows,
                            int nColumns, std::uint32_t dwMaterial);
    // Flat disc in the plane z, front toward -Z, with a slight dome toward the front.
    static MeshBuilder Disc(float fRadius, float fZ, float fDome, int nSegments, int nRings, std::uint32_t dwMaterial);
    // Ring about the Z axis.
    static MeshBuilder Torus(float fMajor, float fMinor, float fZ, int nAround, int nTube, std::uint32_t dwMaterial);
    // Surface of revolution about the Z axis through profile points (radius, z);
    // a positive last radius is closed with a fan.
    static MeshBuilder Revolution(const std::vector<Outline2>& profile, int nSegments, std::uint32_t dwMaterial);
    // Tube along a path with a radius per point, closed with fans at both ends.
    static MeshBuilder Tube(const std::vector<Vec3>& path, const std::vector<float>& radii, int nSides,
                            std::uint32_t dwMaterial);
    // A flat shape cut from a star-shaped outline around centre, between
    // fFront (facing -Z) and fBack (facing +Z).
    static MeshBuilder Extrusion(const std::vector<Outline2>& outline, Outline2 centre, float fFront, float fBack,
                                 std::uint32_t dwMaterial);
    // A flat blade symmetric about the Y axis: tail and tip on the axis, the
    // right-hand edge given from tail to tip (x > 0), mirrored for the left;
    // triangulated as a ladder across the axis, so any outline of that kind works.
    static MeshBuilder Blade(float fTail, const std::vector<Outline2>& right, float fTip, float fFront, float fBack,
                             std::uint32_t dwMaterial);
    static MeshBuilder Box(const Vec3& min, const Vec3& max, std::uint32_t dwMaterial);
};
