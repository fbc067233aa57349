#include "Shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

Vec3 Centroid(const MeshBuilder& b, std::uint32_t a, std::uint32_t c, std::uint32_t d) {
    const auto& v = b.Vertices();
    return (v[a].m_p + v[c].m_p + v[d].m_p) * (1.0f / 3.0f);
}

}  // namespace

MeshBuilder Shapes::Ellipsoid(const Vec3& centre, const Vec3& radii, int nSegments, int nRings,
                              std::uint32_t dwMaterial) {
    MeshBuilder b;
    const std::uint32_t dwTop = b.AddVertex(centre + Vec3(0.0f, radii.y, 0.0f), 0.5f, 0.0f);
    std::vector<std::vector<std::uint32_t>> rings;
    for (int r = 1; r < nRings; ++r) {
        const float fPhi = kPi * static_cast<float>(r) / static_cast<float>(nRings);
        std::vector<std::uint32_t> ring;
        for (int s = 0; s <= nSegments; ++s) {
            // The seam column repeats the first position exactly (angle 0), with u = 1.
            const float fTheta = 2.0f * kPi * static_cast<float>(s % nSegments) / static_cast<float>(nSegments);
            const Vec3 p(std::sin(fPhi) * std::cos(fTheta) * radii.x, std::cos(fPhi) * radii.y,
                         std::sin(fPhi) * std::sin(fTheta) * radii.z);
            ring.push_back(b.AddVertex(centre + p, static_cast<float>(s) / static_cast<float>(nSegments),
                                       static_cast<float>(r) / static_cast<float>(nRings)));
        }
        rings.push_back(ring);
    }
    const std::uint32_t dwBottom = b.AddVertex(centre - Vec3(0.0f, radii.y, 0.0f), 0.5f, 1.0f);
    auto hint = [&](std::uint32_t a, std::uint32_t c, std::uint32_t d) { return Centroid(b, a, c, d) - centre; };
    for (int s = 0; s < nSegments; ++s) {
        const auto& first = rings.front();
        const auto& last = rings.back();
        b.AddTriangle(dwTop, first[s], first[s + 1], hint(dwTop, first[s], first[s + 1]), dwMaterial);
        b.AddTriangle(dwBottom, last[s], last[s + 1], hint(dwBottom, last[s], last[s + 1]), dwMaterial);
        for (size_t r = 0; r + 1 < rings.size(); ++r) {
            const auto& a = rings[r];
            const auto& c = rings[r + 1];
            b.AddQuad(a[s], a[s + 1], c[s + 1], c[s], hint(a[s], a[s + 1], c[s + 1]), dwMaterial);
        }
    }
    return b;
}

MeshBuilder Shapes::Lens(float fLength, float fWidth, float fThickness, float fBend, float fCurl, int nRows,
                         int nColumns, std::uint32_t dwMaterial) {
    MeshBuilder b;
    auto halfWidth = [&](float s) { return fWidth * 0.5f * std::pow(std::sin(kPi * std::pow(s, 0.85f)), 0.8f); };
    auto centreZ = [&](float s, float t) { return fBend * s * s + fCurl * t * t * std::sin(kPi * s); };
    const std::uint32_t dwBase = b.AddVertex(Vec3(0.0f, 0.0f, 0.0f), 0.5f, 1.0f);
    const std::uint32_t dwTip = b.AddVertex(Vec3(0.0f, fLength, fBend), 0.5f, 0.0f);
    // top[r][k] / bottom[r][k]: the two faces share the rim columns k = 0 and k = nColumns.
    std::vector<std::vector<std::uint32_t>> top(nRows - 1), bottom(nRows - 1);
    for (int r = 1; r < nRows; ++r) {
        const float s = static_cast<float>(r) / static_cast<float>(nRows);
        for (int k = 0; k <= nColumns; ++k) {
            const float t = -1.0f + 2.0f * static_cast<float>(k) / static_cast<float>(nColumns);
            const float fBulge = fThickness * 0.5f * (1.0f - t * t) * std::sin(kPi * s);
            const Vec3 p(halfWidth(s) * t, fLength * s, centreZ(s, t));
            const float u = 0.5f + 0.5f * t, v = 1.0f - s;
            if (k == 0 || k == nColumns) {
                const std::uint32_t dwRim = b.AddVertex(p, u, v);
                top[r - 1].push_back(dwRim);
                bottom[r - 1].push_back(dwRim);
            } else {
                top[r - 1].push_back(b.AddVertex(p - Vec3(0.0f, 0.0f, fBulge), u, v));
                bottom[r - 1].push_back(b.AddVertex(p + Vec3(0.0f, 0.0f, fBulge), u, v));
            }
        }
    }
    const Vec3 front(0.0f, 0.0f, -1.0f), back(0.0f, 0.0f, 1.0f);
    for (int side = 0; side < 2; ++side) {
        const auto& grid = side == 0 ? top : bottom;
        const Vec3& hint = side == 0 ? front : back;
        for (int k = 0; k < nColumns; ++k) {
            b.AddTriangle(dwBase, grid.front()[k], grid.front()[k + 1], hint, dwMaterial);
            b.AddTriangle(dwTip, grid.back()[k], grid.back()[k + 1], hint, dwMaterial);
            for (size_t r = 0; r + 1 < grid.size(); ++r) {
                b.AddQuad(grid[r][k], grid[r][k + 1], grid[r + 1][k + 1], grid[r + 1][k], hint, dwMaterial);
            }
        }
    }
    return b;
}

MeshBuilder Shapes::Disc(float fRadius, float fZ, float fDome, int nSegments, int nRings, std::uint32_t dwMaterial) {
    MeshBuilder b;
    auto add = [&](float x, float y) {
        const float fR2 = (x * x + y * y) / (fRadius * fRadius);
        return b.AddVertex(Vec3(x, y, fZ - fDome * (1.0f - fR2)), 0.5f + 0.5f * x / fRadius, 0.5f - 0.5f * y / fRadius);
    };
    const std::uint32_t dwCentre = add(0.0f, 0.0f);
    std::vector<std::vector<std::uint32_t>> rings;
    for (int r = 1; r <= nRings; ++r) {
        const float fR = fRadius * static_cast<float>(r) / static_cast<float>(nRings);
        std::vector<std::uint32_t> ring;
        for (int s = 0; s < nSegments; ++s) {
            const float fA = 2.0f * kPi * static_cast<float>(s) / static_cast<float>(nSegments);
            ring.push_back(add(fR * std::sin(fA), fR * std::cos(fA)));
        }
        rings.push_back(ring);
    }
    const Vec3 front(0.0f, 0.0f, -1.0f);
    for (int s = 0; s < nSegments; ++s) {
        const int n = (s + 1) % nSegments;
        b.AddTriangle(dwCentre, rings[0][s], rings[0][n], front, dwMaterial);
        for (size_t r = 0; r + 1 < rings.size(); ++r) {
            b.AddQuad(rings[r][s], rings[r][n], rings[r + 1][n], rings[r + 1][s], front, dwMaterial);
        }
    }
    return b;
}

MeshBuilder Shapes::Torus(float fMajor, float fMinor, float fZ, int nAround, int nTube, std::uint32_t dwMaterial) {
    MeshBuilder b;
    std::vector<std::vector<std::uint32_t>> rings;
    for (int i = 0; i < nAround; ++i) {
        const float fA = 2.0f * kPi * static_cast<float>(i) / static_cast<float>(nAround);
        std::vector<std::uint32_t> ring;
        for (int j = 0; j < nTube; ++j) {
            const float fB = 2.0f * kPi * static_cast<float>(j) / static_cast<float>(nTube);
            const float fR = fMajor + fMinor * std::cos(fB);
            ring.push_back(b.AddVertex(Vec3(fR * std::sin(fA), fR * std::cos(fA), fZ + fMinor * std::sin(fB)),
                                       static_cast<float>(i) / static_cast<float>(nAround),
                                       static_cast<float>(j) / static_cast<float>(nTube)));
        }
        rings.push_back(ring);
    }
    for (int i = 0; i < nAround; ++i) {
        const int ni = (i + 1) % nAround;
        const float fA = 2.0f * kPi * (static_cast<float>(i) + 0.5f) / static_cast<float>(nAround);
        const Vec3 core(fMajor * std::sin(fA), fMajor * std::cos(fA), fZ);
        for (int j = 0; j < nTube; ++j) {
            const int nj = (j + 1) % nTube;
            const Vec3 mid = Centroid(b, rings[i][j], rings[ni][j], rings[ni][nj]);
            b.AddQuad(rings[i][j], rings[ni][j], rings[ni][nj], rings[i][nj], mid - core, dwMaterial);
        }
    }
    return b;
}

MeshBuilder Shapes::Revolution(const std::vector<Outline2>& profile, int nSegments, std::uint32_t dwMaterial) {
    MeshBuilder b;
    std::vector<std::vector<std::uint32_t>> rings;
    for (size_t r = 0; r < profile.size(); ++r) {
        std::vector<std::uint32_t> ring;
        for (int s = 0; s < nSegments; ++s) {
            const float fA = 2.0f * kPi * static_cast<float>(s) / static_cast<float>(nSegments);
            ring.push_back(b.AddVertex(Vec3(profile[r].x * std::sin(fA), profile[r].x * std::cos(fA), profile[r].y),
                                       static_cast<float>(s) / static_cast<float>(nSegments),
                                       static_cast<float>(r) / static_cast<float>(profile.size())));
        }
        rings.push_back(ring);
    }
    for (int s = 0; s < nSegments; ++s) {
        const int n = (s + 1) % nSegments;
        for (size_t r = 0; r + 1 < rings.size(); ++r) {
            const Vec3 mid = Centroid(b, rings[r][s], rings[r][n], rings[r + 1][n]);
            b.AddQuad(rings[r][s], rings[r][n], rings[r + 1][n], rings[r + 1][s], Vec3(mid.x, mid.y, 0.0f), dwMaterial);
        }
    }
    if (profile.back().x > 0.0f) {
        const Outline2 last = profile.back();
        const Outline2 prev = profile[profile.size() - 2];
        const std::uint32_t dwCentre = b.AddVertex(Vec3(0.0f, 0.0f, last.y), 0.5f, 1.0f);
        const Vec3 out(0.0f, 0.0f, last.y >= prev.y ? 1.0f : -1.0f);
        for (int s = 0; s < nSegments; ++s) {
            b.AddTriangle(dwCentre, rings.back()[s], rings.back()[(s + 1) % nSegments], out, dwMaterial);
        }
    }
    return b;
}

MeshBuilder Shapes::Tube(const std::vector<Vec3>& path, const std::vector<float>& radii, int nSides,
                         std::uint32_t dwMaterial) {
    MeshBuilder b;
    // Frames carried along the path without twisting.
    Vec3 tangent = Normalize(path[1] - path[0]);
    Vec3 side = Normalize(Cross(std::fabs(tangent.y) < 0.9f ? Vec3(0, 1, 0) : Vec3(1, 0, 0), tangent));
    std::vector<std::vector<std::uint32_t>> rings;
    std::vector<Vec3> tangents;
    for (size_t i = 0; i < path.size(); ++i) {
        const Vec3 next = i + 1 < path.size() ? path[i + 1] - path[i] : path[i] - path[i - 1];
        const Vec3 prev = i > 0 ? path[i] - path[i - 1] : next;
        const Vec3 t = Normalize(Normalize(next) + Normalize(prev));
        side = Normalize(side - t * Dot(side, t));
        const Vec3 up = Cross(t, side);
        std::vector<std::uint32_t> ring;
        for (int s = 0; s <= nSides; ++s) {
            // The seam repeats the first position exactly, with u = 1.
            const float fA = 2.0f * kPi * static_cast<float>(s % nSides) / static_cast<float>(nSides);
            const Vec3 p = path[i] + (side * std::cos(fA) + up * std::sin(fA)) * radii[i];
            ring.push_back(b.AddVertex(p, static_cast<float>(s) / static_cast<float>(nSides),
                                       static_cast<float>(i) / static_cast<float>(path.size() - 1)));
        }
        rings.push_back(ring);
        tangents.push_back(t);
    }
    for (size_t i = 0; i + 1 < rings.size(); ++i) {
        const Vec3 core = (path[i] + path[i + 1]) * 0.5f;
        for (int s = 0; s < nSides; ++s) {
            const Vec3 mid = Centroid(b, rings[i][s], rings[i + 1][s], rings[i + 1][s + 1]);
            b.AddQuad(rings[i][s], rings[i + 1][s], rings[i + 1][s + 1], rings[i][s + 1], mid - core, dwMaterial);
        }
    }
    for (int end = 0; end < 2; ++end) {
        const size_t i = end == 0 ? 0 : path.size() - 1;
        const Vec3 out = end == 0 ? -tangents[i] : tangents[i];
        const std::uint32_t dwCentre = b.AddVertex(path[i], 0.5f, end == 0 ? 0.0f : 1.0f);
        for (int s = 0; s < nSides; ++s) {
            b.AddTriangle(dwCentre, rings[i][s], rings[i][s + 1], out, dwMaterial);
        }
    }
    return b;
}

MeshBuilder Shapes::Extrusion(const std::vector<Outline2>& outline, Outline2 centre, float fFront, float fBack,
                              std::uint32_t dwMaterial) {
    MeshBuilder b;
    float fMinX = outline[0].x, fMaxX = outline[0].x, fMinY = outline[0].y, fMaxY = outline[0].y;
    for (const Outline2& o : outline) {
        fMinX = std::min(fMinX, o.x);
        fMaxX = std::max(fMaxX, o.x);
        fMinY = std::min(fMinY, o.y);
        fMaxY = std::max(fMaxY, o.y);
    }
    auto u = [&](float x) { return (x - fMinX) / (fMaxX - fMinX); };
    auto v = [&](float y) { return 1.0f - (y - fMinY) / (fMaxY - fMinY); };
    const size_t n = outline.size();
    for (int face = 0; face < 2; ++face) {
        const float fZ = face == 0 ? fFront : fBack;
        const Vec3 hint(0.0f, 0.0f, face == 0 ? -1.0f : 1.0f);
        const std::uint32_t dwCentre = b.AddVertex(Vec3(centre.x, centre.y, fZ), u(centre.x), v(centre.y));
        std::vector<std::uint32_t> ring;
        for (const Outline2& o : outline) {
            ring.push_back(b.AddVertex(Vec3(o.x, o.y, fZ), u(o.x), v(o.y)));
        }
        for (size_t i = 0; i < n; ++i) {
            b.AddTriangle(dwCentre, ring[i], ring[(i + 1) % n], hint, dwMaterial);
        }
    }
    // Side walls with their own vertices, so the edges stay sharp.
    for (size_t i = 0; i < n; ++i) {
        const Outline2 a = outline[i], c = outline[(i + 1) % n];
        const Vec3 mid((a.x + c.x) * 0.5f - centre.x, (a.y + c.y) * 0.5f - centre.y, 0.0f);
        const std::uint32_t d0 = b.AddVertex(Vec3(a.x, a.y, fFront), u(a.x), v(a.y));
        const std::uint32_t d1 = b.AddVertex(Vec3(c.x, c.y, fFront), u(c.x), v(c.y));
        const std::uint32_t d2 = b.AddVertex(Vec3(c.x, c.y, fBack), u(c.x), v(c.y));
        const std::uint32_t d3 = b.AddVertex(Vec3(a.x, a.y, fBack), u(a.x), v(a.y));
        b.AddQuad(d0, d1, d2, d3, mid, dwMaterial);
    }
    return b;
}

MeshBuilder Shapes::Blade(float fTail, const std::vector<Outline2>& right, float fTip, float fFront, float fBack,
                          std::uint32_t dwMaterial) {
    MeshBuilder b;
    const float fMaxX =
        std::max_element(right.begin(), right.end(), [](const Outline2& a, const Outline2& c) { return a.x < c.x; })->x;
    auto u = [&](float x) { return 0.5f + 0.5f * x / fMaxX; };
    auto v = [&](float y) { return 1.0f - (y - fTail) / (fTip - fTail); };
    for (int face = 0; face < 2; ++face) {
        const float fZ = face == 0 ? fFront : fBack;
        const Vec3 hint(0.0f, 0.0f, face == 0 ? -1.0f : 1.0f);
        const std::uint32_t dwTail = b.AddVertex(Vec3(0.0f, fTail, fZ), 0.5f, 1.0f);
        const std::uint32_t dwTip = b.AddVertex(Vec3(0.0f, fTip, fZ), 0.5f, 0.0f);
        std::vector<std::uint32_t> r, l;
        for (const Outline2& o : right) {
            r.push_back(b.AddVertex(Vec3(o.x, o.y, fZ), u(o.x), v(o.y)));
            l.push_back(b.AddVertex(Vec3(-o.x, o.y, fZ), u(-o.x), v(o.y)));
        }
        b.AddTriangle(dwTail, r.front(), l.front(), hint, dwMaterial);
        for (size_t i = 0; i + 1 < right.size(); ++i) {
            b.AddQuad(r[i], r[i + 1], l[i + 1], l[i], hint, dwMaterial);
        }
        b.AddTriangle(dwTip, r.back(), l.back(), hint, dwMaterial);
    }
    // Side walls round the outline: tail, right side, tip, left side back down.
    std::vector<Outline2> ring{{0.0f, fTail}};
    ring.insert(ring.end(), right.begin(), right.end());
    ring.push_back({0.0f, fTip});
    for (auto it = right.rbegin(); it != right.rend(); ++it) {
        ring.push_back({-it->x, it->y});
    }
    const size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
        const Outline2 a = ring[i], c = ring[(i + 1) % n];
        // Outward: perpendicular to the edge, on the side away from the axis.
        Vec3 out(c.y - a.y, -(c.x - a.x), 0.0f);
        if (Dot(out, Vec3((a.x + c.x) * 0.5f, 0.0f, 0.0f)) < 0.0f) {
            out = -out;
        }
        const std::uint32_t d0 = b.AddVertex(Vec3(a.x, a.y, fFront), u(a.x), v(a.y));
        const std::uint32_t d1 = b.AddVertex(Vec3(c.x, c.y, fFront), u(c.x), v(c.y));
        const std::uint32_t d2 = b.AddVertex(Vec3(c.x, c.y, fBack), u(c.x), v(c.y));
        const std::uint32_t d3 = b.AddVertex(Vec3(a.x, a.y, fBack), u(a.x), v(a.y));
        b.AddQuad(d0, d1, d2, d3, out, dwMaterial);
    }
    return b;
}

MeshBuilder Shapes::Box(const Vec3& min, const Vec3& max, std::uint32_t dwMaterial) {
    MeshBuilder b;
    auto corner = [&](int k) {
        return Vec3((k & 1) ? max.x : min.x, (k & 2) ? max.y : min.y, (k & 4) ? max.z : min.z);
    };
    // Each face: four corners in order round the face, and its outward direction.
    const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}, {2, 3, 7, 6}, {0, 1, 5, 4}};
    const Vec3 outs[6] = {{0, 0, -1}, {0, 0, 1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int f = 0; f < 6; ++f) {
        std::uint32_t d[4];
        for (int k = 0; k < 4; ++k) {
            d[k] = b.AddVertex(corner(faces[f][k]), uv[k][0], uv[k][1]);
        }
        b.AddQuad(d[0], d[1], d[2], d[3], outs[f], dwMaterial);
    }
    return b;
}
