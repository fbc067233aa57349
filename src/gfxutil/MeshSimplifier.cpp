#include "gfxutil/MeshSimplifier.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <span>

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

// The upper triangle of the symmetric 4x4 matrix, row by row.
void MeshSimplifier::Quadric::AddPlane(double a, double b, double c, double d, double weight) {
    const double wa = weight * a;
    const double wb = weight * b;
    const double wc = weight * c;
    const double wd = weight * d;
    m_d[0] += wa * a;
    m_d[1] += wa * b;
    m_d[2] += wa * c;
    m_d[3] += wa * d;
    m_d[4] += wb * b;
    m_d[5] += wb * c;
    m_d[6] += wb * d;
    m_d[7] += wc * c;
    m_d[8] += wc * d;
    m_d[9] += wd * d;
}

void MeshSimplifier::Quadric::Add(const Quadric& q) {
    for (int i = 0; i < 10; ++i) {
        m_d[i] += q.m_d[i];
    }
}

double MeshSimplifier::Quadric::SumError(const Quadric& q, const D3DXVECTOR3& p) const {
    const double* a = m_d;
    const double* b = q.m_d;
    const double x = p.x;
    const double y = p.y;
    const double z = p.z;
    const double sum = (a[0] + b[0]) * x * x + 2.0 * (a[1] + b[1]) * x * y + 2.0 * (a[2] + b[2]) * x * z +
                       2.0 * (a[3] + b[3]) * x + (a[4] + b[4]) * y * y + 2.0 * (a[5] + b[5]) * y * z +
                       2.0 * (a[6] + b[6]) * y + (a[7] + b[7]) * z * z + 2.0 * (a[8] + b[8]) * z + (a[9] + b[9]);
    return std::max(sum, 0.0);
}

MeshSimplifier::MeshSimplifier(const std::vector<D3DXVECTOR3>& positions, const std::vector<DWORD>& indices,
                               const std::vector<DWORD>& attributes, const std::vector<bool>& locked)
    : m_positions(positions), m_faces(indices), m_attributes(attributes) {
    const DWORD numVertices = static_cast<DWORD>(positions.size());
    const DWORD numFaces = static_cast<DWORD>(m_faces.size() / 3);
    m_locked.assign(numVertices, 0);
    for (DWORD v = 0; v < numVertices && v < locked.size(); ++v) {
        m_locked[v] = locked[v] ? 1 : 0;
    }
    m_quadrics.resize(numVertices);
    m_removed.assign(numVertices, 0);
    m_marks.assign(numVertices, 0);
    m_edgeSlots.assign(numVertices, EdgeSlot{0, 0});
    m_faceDeaths.assign(numFaces, kSurvives);
    // Face lists in one block, each with room to double before it moves.
    m_lists.assign(numVertices, FaceList{0, 0, 0});
    for (DWORD index : m_faces) {
        ++m_lists[index].m_dwCapacity;
    }
    DWORD start = 0;
    for (FaceList& list : m_lists) {
        list.m_dwStart = start;
        list.m_dwCapacity *= 2;
        start += list.m_dwCapacity;
    }
    m_faceLists.reserve(start + start / 2);
    m_faceLists.resize(start);
    m_sourceNormals.resize(numFaces);
    for (DWORD f = 0; f < numFaces; ++f) {
        for (int k = 0; k < 3; ++k) {
            FaceList& list = m_lists[m_faces[3 * static_cast<size_t>(f) + k]];
            m_faceLists[list.m_dwStart + list.m_dwCount++] = f;
        }
        m_sourceNormals[f] = CurrentNormal(f);
    }
    m_normals = m_sourceNormals;
    for (DWORD v = 0; v < numVertices; ++v) {
        if (m_lists[v].m_dwCount != 0) {
            ++m_dwUsedVertices;
        }
    }
    BuildQuadrics();
}

D3DXVECTOR3 MeshSimplifier::CurrentNormal(DWORD face) const {
    const DWORD* tri = &m_faces[3 * static_cast<size_t>(face)];
    return FaceNormal(m_positions[tri[0]], m_positions[tri[1]], m_positions[tri[2]]);
}

void MeshSimplifier::AddFace(DWORD v, DWORD face) {
    FaceList& list = m_lists[v];
    if (list.m_dwCount == list.m_dwCapacity) {
        // Full: the list moves to the end of the block with twice the room.
        const DWORD start = static_cast<DWORD>(m_faceLists.size());
        list.m_dwCapacity = std::max<DWORD>(8, 2 * list.m_dwCapacity);
        m_faceLists.resize(start + list.m_dwCapacity);
        std::copy_n(m_faceLists.begin() + list.m_dwStart, list.m_dwCount, m_faceLists.begin() + start);
        list.m_dwStart = start;
    }
    m_faceLists[list.m_dwStart + list.m_dwCount++] = face;
}

void MeshSimplifier::RemoveFace(DWORD v, DWORD face) {
    // Order kept: the collapse order depends on the order faces are met in.
    FaceList& list = m_lists[v];
    DWORD* begin = m_faceLists.data() + list.m_dwStart;
    DWORD* end = begin + list.m_dwCount;
    DWORD* it = std::find(begin, end, face);
    if (it != end) {
        std::copy(it + 1, end, it);
        --list.m_dwCount;
    }
}

void MeshSimplifier::BuildQuadrics() {
    const DWORD numFaces = static_cast<DWORD>(m_faces.size() / 3);
    for (DWORD f = 0; f < numFaces; ++f) {
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        const D3DXVECTOR3& n = m_normals[f];
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
    for (DWORD v = 0; v < m_lists.size(); ++v) {
        for (const Edge& edge : GatherEdges(v, m_ringScratch)) {
            if (edge.m_dwFaces != 1 && !edge.m_bMixed) {
                continue;
            }
            for (const DWORD* it = FacesBegin(v); it != FacesEnd(v); ++it) {
                const DWORD f = *it;
                if (!FaceHas(f, edge.m_dwOther)) {
                    continue;
                }
                const D3DXVECTOR3& n = m_normals[f];
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

std::span<const MeshSimplifier::Edge> MeshSimplifier::GatherEdges(DWORD v, std::vector<Edge>& storage) {
    // At most two edges per face: room for all of them up front.
    if (storage.size() < 2 * static_cast<size_t>(FaceCount(v))) {
        storage.resize(2 * static_cast<size_t>(FaceCount(v)));
    }
    Edge* const edges = storage.data();
    DWORD count = 0;
    // Each neighbour remembers its slot for this gathering.
    const DWORD stamp = ++m_dwEdgeStamp;
    for (const DWORD* it = FacesBegin(v); it != FacesEnd(v); ++it) {
        const DWORD f = *it;
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        const DWORD attribute = m_attributes[f];
        for (int k = 0; k < 3; ++k) {
            const DWORD w = tri[k];
            if (w == v) {
                continue;
            }
            EdgeSlot& slot = m_edgeSlots[w];
            if (slot.m_dwStamp != stamp) {
                slot = EdgeSlot{stamp, count};
                edges[count++] = Edge{w, 1, attribute, false};
            } else {
                Edge& edge = edges[slot.m_dwIndex];
                ++edge.m_dwFaces;
                edge.m_bMixed = edge.m_bMixed || edge.m_dwAttribute != attribute;
            }
        }
    }
    return {edges, count};
}

bool MeshSimplifier::Allowed(DWORD from, DWORD to, std::span<const Edge> fromEdges) {
    // Link condition: the only vertices both ends see are the far corners of
    // the faces on the edge; anything else would pinch the surface.
    ++m_dwMark;
    for (const DWORD* it = FacesBegin(to); it != FacesEnd(to); ++it) {
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(*it)];
        m_marks[tri[0]] = m_dwMark;
        m_marks[tri[1]] = m_dwMark;
        m_marks[tri[2]] = m_dwMark;
    }
    DWORD onEdge = 0;
    for (const DWORD* it = FacesBegin(from); it != FacesEnd(from); ++it) {
        onEdge += FaceHas(*it, to) ? 1 : 0;
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
    // surface would lose a piece rather than detail. (The faces of `to`
    // that also hold `from` are the faces on the edge.)
    if (FaceCount(to) == onEdge && FaceCount(from) == onEdge) {
        return false;
    }
    for (const DWORD* it = FacesBegin(from); it != FacesEnd(from); ++it) {
        const DWORD f = *it;
        const DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        if (!FaceHas(f, to)) {
            // Faces that stay must keep their facing and must not repeat a face of `to`.
            const int k = tri[0] == from ? 0 : (tri[1] == from ? 1 : 2);
            const DWORD b = tri[(k + 1) % 3];
            const DWORD c = tri[(k + 2) % 3];
            D3DXVECTOR3 moved[3];
            moved[k] = m_positions[to];
            moved[(k + 1) % 3] = m_positions[b];
            moved[(k + 2) % 3] = m_positions[c];
            const D3DXVECTOR3& before = m_normals[f];
            const D3DXVECTOR3 after = FaceNormal(moved[0], moved[1], moved[2]);
            const double lb = std::sqrt(static_cast<double>(Dot(before, before)));
            const double la = std::sqrt(static_cast<double>(Dot(after, after)));
            if (la == 0.0 || (lb > 0.0 && Dot(before, after) < kMinFaceCosine * la * lb)) {
                return false;
            }
            // Small turns add up over many collapses: the face must also still
            // face the way it did in the source.
            if (Dot(m_sourceNormals[f], after) <= 0.0f) {
                return false;
            }
            // A repeat needs both other corners round `to` as well (the tetrahedron case).
            if (m_marks[b] != m_dwMark || m_marks[c] != m_dwMark) {
                continue;
            }
            for (const DWORD* g = FacesBegin(to); g != FacesEnd(to); ++g) {
                if (FaceHas(*g, b) && FaceHas(*g, c)) {
                    return false;
                }
            }
            continue;
        }
        // The far corner of a face on the edge must keep a face of its own.
        for (int k = 0; k < 3; ++k) {
            const DWORD w = tri[k];
            if (w == from || w == to) {
                continue;
            }
            const bool keepsFace =
                std::any_of(FacesBegin(w), FacesEnd(w), [&](DWORD g) { return !(FaceHas(g, from) && FaceHas(g, to)); });
            if (!keepsFace) {
                return false;
            }
        }
    }
    return true;
}

bool MeshSimplifier::BestCollapse(DWORD v, bool checkAllowed, Candidate& best) {
    if (m_removed[v] || m_locked[v] || FaceCount(v) == 0) {
        return false;
    }
    const std::span<const Edge> edges = GatherEdges(v, m_ringScratch);
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
    // One option per edge at most: room for all of them up front.
    if (m_candidateScratch.size() < edges.size()) {
        m_candidateScratch.resize(edges.size());
    }
    Candidate* const options = m_candidateScratch.data();
    size_t count = 0;
    for (const Edge& e : edges) {
        if ((onBorder && e.m_dwFaces != 1) || (onBoundary && !e.m_bMixed)) {
            continue;
        }
        const double cost = m_quadrics[v].SumError(m_quadrics[e.m_dwOther], m_positions[e.m_dwOther]);
        options[count++] = Candidate{cost, v, e.m_dwOther};
    }
    // Targets by cost, the first met first among equals: the cheapest that
    // passes the checks wins. Usually the cheapest does, so no sort.
    while (count != 0) {
        size_t cheapest = 0;
        for (size_t i = 1; i < count; ++i) {
            if (options[i].m_dCost < options[cheapest].m_dCost) {
                cheapest = i;
            }
        }
        if (!checkAllowed || Allowed(v, options[cheapest].m_dwTo, edges)) {
            best = options[cheapest];
            return true;
        }
        std::copy(options + cheapest + 1, options + count, options + cheapest);
        --count;
    }
    return false;
}

void MeshSimplifier::Apply(DWORD from, DWORD to) {
    const DWORD step = static_cast<DWORD>(m_collapses.size());
    m_collapses.push_back(Collapse{from, to});
    // By index: growing the list of `to` may move the block.
    const FaceList fromList = m_lists[from];
    for (DWORD i = 0; i < fromList.m_dwCount; ++i) {
        const DWORD f = m_faceLists[fromList.m_dwStart + i];
        DWORD* tri = &m_faces[3 * static_cast<size_t>(f)];
        if (FaceHas(f, to)) {
            m_faceDeaths[f] = step;
            for (int k = 0; k < 3; ++k) {
                if (tri[k] != from) {
                    RemoveFace(tri[k], f);
                }
            }
        } else {
            for (int k = 0; k < 3; ++k) {
                if (tri[k] == from) {
                    tri[k] = to;
                }
            }
            m_normals[f] = CurrentNormal(f);
            AddFace(to, f);
        }
    }
    m_lists[from].m_dwCount = 0;
    m_removed[from] = 1;
    m_quadrics[to].Add(m_quadrics[from]);
    --m_dwUsedVertices;
}

void MeshSimplifier::Run(DWORD minVertices) {
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<Candidate>> queue;
    // Every vertex waits in the queue at most once. Queued costs are not
    // kept up to date: each collapse is looked at afresh when it comes up
    // and goes back in line if it got dearer or changed its target.
    const DWORD numVertices = static_cast<DWORD>(m_lists.size());
    std::vector<BYTE> queued(numVertices, 0);
    auto enqueue = [&](DWORD v) {
        Candidate c{};
        if (BestCollapse(v, false, c)) {
            queue.push(c);
            queued[v] = 1;
        }
    };
    for (DWORD v = 0; v < numVertices; ++v) {
        enqueue(v);
    }
    std::vector<Edge> ring;
    while (m_dwUsedVertices > minVertices && !queue.empty()) {
        const Candidate top = queue.top();
        queue.pop();
        queued[top.m_dwFrom] = 0;
        if (m_removed[top.m_dwFrom]) {
            continue;
        }
        Candidate now{};
        if (!BestCollapse(top.m_dwFrom, true, now)) {
            continue;
        }
        if (now.m_dwTo != top.m_dwTo || now.m_dCost > top.m_dCost) {
            queue.push(now);
            queued[top.m_dwFrom] = 1;
            continue;
        }
        Apply(top.m_dwFrom, top.m_dwTo);
        // Neighbours that had nothing to do may have a collapse now.
        for (const Edge& e : GatherEdges(top.m_dwTo, ring)) {
            if (!queued[e.m_dwOther]) {
                enqueue(e.m_dwOther);
            }
        }
        if (!queued[top.m_dwTo]) {
            enqueue(top.m_dwTo);
        }
    }
}
