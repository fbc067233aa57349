#include "gfxutil/MeshSimplifier.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>

namespace {

// How much more a border or material-boundary plane counts than a face plane
// of the same area: enough that outlines go last.
constexpr double kBoundaryWeight = 10.0;
// A collapse may turn a face by less than this (cosine of the largest turn).
constexpr double kMinFaceCosine = 0.05;
// An open border vertex moves only where its outline runs straight on.
constexpr double kStraightBorderCosine = 0.9999;

// Inline vector steps: the collapse checks run them millions of times.
inline D3DXVECTOR3 Sub(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

inline D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

inline float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline D3DXVECTOR3 FaceNormal(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DXVECTOR3& c) {
    return Cross(Sub(b, a), Sub(c, a));
}

}  // namespace

void MeshSimplifier::Quadric::AddPlane(double a, double b, double c, double d, double weight) {
    const double p[4] = {a, b, c, d};
    int k = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = i; j < 4; ++j) {
            m_d[k++] += weight * p[i] * p[j];
        }
    }
}

void MeshSimplifier::Quadric::Add(const Quadric& q) {
    for (int i = 0; i < 10; ++i) {
        m_d[i] += q.m_d[i];
    }
}

double MeshSimplifier::Quadric::Error(const D3DXVECTOR3& p) const {
    const double v[4] = {p.x, p.y, p.z, 1.0};
    double sum = 0.0;
    int k = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = i; j < 4; ++j) {
            sum += (i == j ? 1.0 : 2.0) * m_d[k++] * v[i] * v[j];
        }
    }
    return std::max(sum, 0.0);
}

MeshSimplifier::MeshSimplifier(const std::vector<D3DXVECTOR3>& positions, const std::vector<DWORD>& indices,
                               const std::vector<DWORD>& attributes, const std::vector<bool>& locked)
    : m_positions(positions), m_faces(indices), m_attributes(attributes), m_locked(locked) {
    const DWORD numVertices = static_cast<DWORD>(positions.size());
    m_locked.resize(numVertices, false);
    m_vertexFaces.resize(numVertices);
    m_quadrics.resize(numVertices);
    m_stamps.assign(numVertices, 0);
    m_removed.assign(numVertices, false);
    m_marks.assign(numVertices, 0);
    m_faceDeaths.assign(m_faces.size() / 3, kSurvives);
    m_sourceNormals.resize(m_faces.size() / 3);
    for (DWORD f = 0; f < m_faces.size() / 3; ++f) {
        for (int k = 0; k < 3; ++k) {
            m_vertexFaces[m_faces[3 * f + k]].push_back(f);
        }
        m_sourceNormals[f] =
            FaceNormal(positions[m_faces[3 * f]], positions[m_faces[3 * f + 1]], positions[m_faces[3 * f + 2]]);
    }
    for (DWORD v = 0; v < numVertices; ++v) {
        if (!m_vertexFaces[v].empty()) {
            ++m_dwUsedVertices;
        }
    }
    BuildQuadrics();
}

void MeshSimplifier::BuildQuadrics() {
    for (DWORD f = 0; f < m_faces.size() / 3; ++f) {
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        const D3DXVECTOR3 n = FaceNormal(m_positions[tri[0]], m_positions[tri[1]], m_positions[tri[2]]);
        const double length = std::sqrt(static_cast<double>(Dot(n, n)));
        if (length == 0.0) {
            continue;
        }
        const double a = n.x / length;
        const double b = n.y / length;
        const double c = n.z / length;
        const D3DXVECTOR3& p = m_positions[tri[0]];
        const double d = -(a * p.x + b * p.y + c * p.z);
        for (int k = 0; k < 3; ++k) {
            m_quadrics[tri[k]].AddPlane(a, b, c, d, length * 0.5);
        }
    }
    // Borders and material boundaries: a plane through the edge, upright on its face.
    std::vector<Edge> edges;
    for (DWORD v = 0; v < m_vertexFaces.size(); ++v) {
        GatherEdges(v, edges);
        for (const Edge& edge : edges) {
            if (edge.m_dwFaces != 1 && !edge.m_bMixed) {
                continue;
            }
            for (DWORD f : m_vertexFaces[v]) {
                if (!FaceHas(f, edge.m_dwOther)) {
                    continue;
                }
                const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
                const D3DXVECTOR3 n = FaceNormal(m_positions[tri[0]], m_positions[tri[1]], m_positions[tri[2]]);
                const D3DXVECTOR3 along = Sub(m_positions[edge.m_dwOther], m_positions[v]);
                const D3DXVECTOR3 side = Cross(along, n);
                const double length = std::sqrt(static_cast<double>(Dot(side, side)));
                if (length == 0.0) {
                    continue;
                }
                const double a = side.x / length;
                const double b = side.y / length;
                const double c = side.z / length;
                const D3DXVECTOR3& p = m_positions[v];
                const double d = -(a * p.x + b * p.y + c * p.z);
                // Each edge is seen from both ends: each end takes its own half.
                const double weight = kBoundaryWeight * Dot(along, along) * 0.5;
                m_quadrics[v].AddPlane(a, b, c, d, weight);
                m_quadrics[edge.m_dwOther].AddPlane(a, b, c, d, weight);
            }
        }
    }
}

bool MeshSimplifier::FaceHas(DWORD face, DWORD v) const {
    const DWORD* tri = &m_faces[3 * static_cast<size_t>(face)];
    return tri[0] == v || tri[1] == v || tri[2] == v;
}

void MeshSimplifier::GatherEdges(DWORD v, std::vector<Edge>& edges) const {
    edges.clear();
    for (DWORD f : m_vertexFaces[v]) {
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        for (int k = 0; k < 3; ++k) {
            const DWORD w = tri[k];
            if (w == v) {
                continue;
            }
            auto it = std::find_if(edges.begin(), edges.end(), [w](const Edge& e) { return e.m_dwOther == w; });
            if (it == edges.end()) {
                edges.push_back(Edge{w, 1, m_attributes[f], false});
            } else {
                ++it->m_dwFaces;
                it->m_bMixed = it->m_bMixed || it->m_dwAttribute != m_attributes[f];
            }
        }
    }
}

bool MeshSimplifier::Allowed(DWORD from, DWORD to, const std::vector<Edge>& fromEdges) {
    // Link condition: the only vertices both ends see are the far corners of
    // the faces on the edge; anything else would pinch the surface.
    ++m_dwMark;
    for (DWORD f : m_vertexFaces[to]) {
        for (int k = 0; k < 3; ++k) {
            m_marks[m_faces[3 * static_cast<size_t>(f) + k]] = m_dwMark;
        }
    }
    DWORD onEdge = 0;
    for (DWORD f : m_vertexFaces[from]) {
        if (FaceHas(f, to)) {
            ++onEdge;
        }
    }
    DWORD shared = 0;
    for (const Edge& e : fromEdges) {
        if (e.m_dwOther != to && m_marks[e.m_dwOther] == m_dwMark) {
            ++shared;
        }
    }
    if (shared != onEdge) {
        return false;
    }
    // No collapse may take the last faces of a vertex that stays: the
    // surface would lose a piece rather than detail.
    DWORD toLeft = 0;
    for (DWORD f : m_vertexFaces[to]) {
        toLeft += FaceHas(f, from) ? 0 : 1;
    }
    if (toLeft == 0 && m_vertexFaces[from].size() == onEdge) {
        return false;
    }
    for (DWORD f : m_vertexFaces[from]) {
        if (!FaceHas(f, to)) {
            continue;
        }
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        for (int k = 0; k < 3; ++k) {
            const DWORD w = tri[k];
            if (w == from || w == to) {
                continue;
            }
            const bool keepsFace = std::any_of(m_vertexFaces[w].begin(), m_vertexFaces[w].end(),
                                               [&](DWORD g) { return !(FaceHas(g, from) && FaceHas(g, to)); });
            if (!keepsFace) {
                return false;
            }
        }
    }
    // Faces that stay must keep their facing and must not repeat a face of `to`.
    for (DWORD f : m_vertexFaces[from]) {
        if (FaceHas(f, to)) {
            continue;
        }
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        D3DXVECTOR3 moved[3];
        DWORD others[2];
        int o = 0;
        for (int k = 0; k < 3; ++k) {
            moved[k] = m_positions[tri[k] == from ? to : tri[k]];
            if (tri[k] != from) {
                others[o++] = tri[k];
            }
        }
        const D3DXVECTOR3 before = FaceNormal(m_positions[tri[0]], m_positions[tri[1]], m_positions[tri[2]]);
        const D3DXVECTOR3 after = FaceNormal(moved[0], moved[1], moved[2]);
        const double lb = std::sqrt(static_cast<double>(Dot(before, before)));
        const double la = std::sqrt(static_cast<double>(Dot(after, after)));
        if (la == 0.0 || (lb > 0.0 && Dot(before, after) < kMinFaceCosine * la * lb)) {
            return false;
        }
        // Small turns add up over many collapses: the face must also still
        // face the way it did in the source.
        const D3DXVECTOR3& source = m_sourceNormals[f];
        if (Dot(source, after) <= 0.0f) {
            return false;
        }
        // A repeat needs both other corners round `to` as well (the tetrahedron case).
        if (m_marks[others[0]] != m_dwMark || m_marks[others[1]] != m_dwMark) {
            continue;
        }
        for (DWORD g : m_vertexFaces[to]) {
            if (FaceHas(g, others[0]) && FaceHas(g, others[1])) {
                return false;
            }
        }
    }
    return true;
}

bool MeshSimplifier::BestCollapse(DWORD v, bool checkAllowed, Candidate& best) {
    if (m_removed[v] || m_locked[v] || m_vertexFaces[v].empty()) {
        return false;
    }
    std::vector<Edge>& edges = m_ringScratch;
    GatherEdges(v, edges);
    DWORD borders = 0;
    DWORD boundaries = 0;
    for (const Edge& e : edges) {
        if (e.m_dwFaces > 2) {
            return false;  // non-manifold fan: leave it alone
        }
        borders += e.m_dwFaces == 1 ? 1 : 0;
        boundaries += (e.m_dwFaces == 2 && e.m_bMixed) ? 1 : 0;
    }
    // A vertex on an outline moves only along it, and only where the outline
    // runs straight through it (two outline edges, one kind).
    const bool onBorder = borders > 0;
    const bool onBoundary = boundaries > 0;
    if ((onBorder && (borders != 2 || onBoundary)) || (onBoundary && boundaries != 2)) {
        return false;
    }
    if (onBorder) {
        D3DXVECTOR3 dirs[2];
        int d = 0;
        for (const Edge& e : edges) {
            if (e.m_dwFaces == 1) {
                dirs[d] = Sub(m_positions[e.m_dwOther], m_positions[v]);
                ++d;
            }
        }
        const double l0 = std::sqrt(static_cast<double>(Dot(dirs[0], dirs[0])));
        const double l1 = std::sqrt(static_cast<double>(Dot(dirs[1], dirs[1])));
        if (l0 == 0.0 || l1 == 0.0 || -Dot(dirs[0], dirs[1]) < kStraightBorderCosine * l0 * l1) {
            return false;
        }
    }
    // Targets by cost; the cheapest that passes the checks wins.
    std::vector<Candidate>& options = m_candidateScratch;
    options.clear();
    for (const Edge& e : edges) {
        if ((onBorder && e.m_dwFaces != 1) || (onBoundary && !e.m_bMixed)) {
            continue;
        }
        Quadric q = m_quadrics[v];
        q.Add(m_quadrics[e.m_dwOther]);
        options.push_back(Candidate{q.Error(m_positions[e.m_dwOther]), v, e.m_dwOther, m_stamps[v]});
    }
    std::sort(options.begin(), options.end(),
              [](const Candidate& a, const Candidate& b) { return a.m_dCost < b.m_dCost; });
    for (const Candidate& option : options) {
        if (!checkAllowed || Allowed(v, option.m_dwTo, edges)) {
            best = option;
            return true;
        }
    }
    return false;
}

void MeshSimplifier::Apply(DWORD from, DWORD to) {
    const DWORD step = static_cast<DWORD>(m_collapses.size());
    m_collapses.push_back(Collapse{from, to});
    for (DWORD f : m_vertexFaces[from]) {
        DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        if (FaceHas(f, to)) {
            m_faceDeaths[f] = step;
            for (int k = 0; k < 3; ++k) {
                if (tri[k] != from) {
                    std::vector<DWORD>& list = m_vertexFaces[tri[k]];
                    list.erase(std::find(list.begin(), list.end(), f));
                }
            }
        } else {
            for (int k = 0; k < 3; ++k) {
                if (tri[k] == from) {
                    tri[k] = to;
                }
            }
            m_vertexFaces[to].push_back(f);
        }
    }
    m_vertexFaces[from].clear();
    m_removed[from] = true;
    m_quadrics[to].Add(m_quadrics[from]);
    --m_dwUsedVertices;
}

void MeshSimplifier::Run(DWORD minVertices) {
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> queue;
    // Every vertex waits in the queue at most once. Queued costs are not
    // kept up to date: each collapse is looked at afresh when it comes up
    // and goes back in line if it got dearer or changed its target.
    std::vector<bool> queued(m_vertexFaces.size(), false);
    auto enqueue = [&](DWORD v) {
        Candidate c{};
        if (BestCollapse(v, false, c)) {
            queue.push(c);
            queued[v] = true;
        }
    };
    for (DWORD v = 0; v < m_vertexFaces.size(); ++v) {
        enqueue(v);
    }
    std::vector<Edge> ring;
    while (m_dwUsedVertices > minVertices && !queue.empty()) {
        const Candidate top = queue.top();
        queue.pop();
        queued[top.m_dwFrom] = false;
        if (m_removed[top.m_dwFrom]) {
            continue;
        }
        Candidate now{};
        ++m_stamps[top.m_dwFrom];
        if (!BestCollapse(top.m_dwFrom, true, now)) {
            continue;
        }
        if (now.m_dwTo != top.m_dwTo || now.m_dCost > top.m_dCost) {
            queue.push(now);
            queued[top.m_dwFrom] = true;
            continue;
        }
        Apply(top.m_dwFrom, top.m_dwTo);
        // Neighbours that had nothing to do may have a collapse now.
        GatherEdges(top.m_dwTo, ring);
        ring.push_back(Edge{top.m_dwTo, 0, 0, false});
        for (const Edge& e : ring) {
            if (!queued[e.m_dwOther]) {
                enqueue(e.m_dwOther);
            }
        }
    }
}
