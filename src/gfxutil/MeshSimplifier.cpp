#include "gfxutil/MeshSimplifier.h"

#include <algorithm>
#include <cassert>
#include <cmath>
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

// A heap with four children to a node, cheapest on top: half the depth of a
// binary one, and the four children share a cache line.
template <typename T>
void HeapPush(std::vector<T>& heap, const T& item) {
    size_t hole = heap.size();
    heap.push_back(item);
    while (hole > 0) {
        const size_t parent = (hole - 1) / 4;
        if (!(item.m_dCost < heap[parent].m_dCost)) {
            break;
        }
        heap[hole] = heap[parent];
        hole = parent;
    }
    heap[hole] = item;
}

template <typename T>
T HeapPop(std::vector<T>& heap) {
    const T top = heap.front();
    const T last = heap.back();
    heap.pop_back();
    const size_t size = heap.size();
    size_t hole = 0;
    while (true) {
        const size_t first = 4 * hole + 1;
        if (first >= size) {
            break;
        }
        size_t least = first;
        if (first + 4 <= size) {
            // All four: pairwise, which compiles to selects rather than
            // branches the predictor keeps missing.
            const size_t low = heap[first + 1].m_dCost < heap[first].m_dCost ? first + 1 : first;
            const size_t high = heap[first + 3].m_dCost < heap[first + 2].m_dCost ? first + 3 : first + 2;
            least = heap[high].m_dCost < heap[low].m_dCost ? high : low;
        } else {
            for (size_t child = first + 1; child < size; ++child) {
                if (heap[child].m_dCost < heap[least].m_dCost) {
                    least = child;
                }
            }
        }
        if (!(heap[least].m_dCost < last.m_dCost)) {
            break;
        }
        heap[hole] = heap[least];
        hole = least;
    }
    if (size > 0) {
        heap[hole] = last;
    }
    return top;
}

}  // namespace

// A quadric keeps its symmetric matrix as six entries, so it stays symmetric;
// it sums weighted squares, so its diagonal and constant never go negative.
// (The checks let a NaN through: a broken position is not a broken quadric.)
void MeshSimplifier::Quadric::AddPlane(double a, double b, double c, double weight) {
    assert(!(weight < 0.0));
    m_fA[0] += static_cast<float>(weight * a * a);
    m_fA[1] += static_cast<float>(weight * a * b);
    m_fA[2] += static_cast<float>(weight * a * c);
    m_fA[3] += static_cast<float>(weight * b * b);
    m_fA[4] += static_cast<float>(weight * b * c);
    m_fA[5] += static_cast<float>(weight * c * c);
}

void MeshSimplifier::Quadric::Add(const Quadric& q) {
    for (int i = 0; i < 6; ++i) {
        m_fA[i] += q.m_fA[i];
    }
    for (int i = 0; i < 3; ++i) {
        m_fB[i] += q.m_fB[i];
    }
    m_fC += q.m_fC;
}

void MeshSimplifier::Quadric::AddMoved(const Quadric& q, const D3DXVECTOR3& offset) {
    // q about its own centre, at (x - offset): the same A, b - A offset, and
    // q's error at -offset.
    const float x = offset.x;
    const float y = offset.y;
    const float z = offset.z;
    const float* A = q.m_fA;
    for (int i = 0; i < 6; ++i) {
        m_fA[i] += A[i];
    }
    m_fB[0] += q.m_fB[0] - (A[0] * x + A[1] * y + A[2] * z);
    m_fB[1] += q.m_fB[1] - (A[1] * x + A[3] * y + A[4] * z);
    m_fB[2] += q.m_fB[2] - (A[2] * x + A[4] * y + A[5] * z);
    m_fC += std::max(q.Error(-x, -y, -z), 0.0f);
    assert(!(m_fA[0] < 0.0f) && !(m_fA[3] < 0.0f) && !(m_fA[5] < 0.0f) && !(m_fC < 0.0f));
}

float MeshSimplifier::Quadric::Error(float x, float y, float z) const {
    const float* A = m_fA;
    return A[0] * x * x + A[3] * y * y + A[5] * z * z + 2.0f * (A[1] * x * y + A[2] * x * z + A[4] * y * z) +
           2.0f * (m_fB[0] * x + m_fB[1] * y + m_fB[2] * z) + m_fC;
}

MeshSimplifier::MeshSimplifier(const std::vector<D3DXVECTOR3>& positions, const std::vector<DWORD>& indices,
                               const std::vector<DWORD>& attributes, const std::vector<bool>& locked)
    : m_sourceIndices(indices) {
    const DWORD numVertices = static_cast<DWORD>(positions.size());
    const DWORD numFaces = static_cast<DWORD>(indices.size() / 3);
    m_vertices.resize(numVertices);
    for (DWORD v = 0; v < numVertices; ++v) {
        m_vertices[v] = Vertex{Quadric{}, positions[v], 0, 0, 0, 0, 0, v < locked.size() && locked[v], false, false};
    }
    m_faces.resize(numFaces);
    m_faceDeaths.assign(numFaces, kSurvives);
    m_moved.assign(numFaces, false);
    for (DWORD f = 0; f < numFaces; ++f) {
        Face& face = m_faces[f];
        std::copy_n(&indices[3 * static_cast<size_t>(f)], 3, face.m_dwCorners);
        face.m_dwAttribute = attributes[f];
        for (DWORD corner : face.m_dwCorners) {
            ++m_vertices[corner].m_dwFaceCapacity;
        }
    }
    // Face lists in one block, each with room for a few more faces before it
    // has to move to the end.
    DWORD start = 0;
    for (Vertex& vertex : m_vertices) {
        m_dwUsedVertices += vertex.m_dwFaceCapacity != 0 ? 1 : 0;
        vertex.m_dwFaceStart = start;
        vertex.m_dwFaceCapacity += 4;
        start += vertex.m_dwFaceCapacity;
    }
    m_faceLists.reserve(start + start / 16);
    m_faceLists.resize(start);
    for (DWORD f = 0; f < numFaces; ++f) {
        for (DWORD corner : m_faces[f].m_dwCorners) {
            Vertex& vertex = m_vertices[corner];
            m_faceLists[vertex.m_dwFaceStart + vertex.m_dwFaceCount++] = f;
        }
    }
    AddFacePlanes();
}

D3DXVECTOR3 MeshSimplifier::SourceNormal(DWORD face) const {
    const DWORD* c = &m_sourceIndices[3 * static_cast<size_t>(face)];
    return FaceNormal(m_vertices[c[0]].m_position, m_vertices[c[1]].m_position, m_vertices[c[2]].m_position);
}

void MeshSimplifier::AddFace(DWORD v, DWORD face) {
    Vertex& vertex = m_vertices[v];
    if (vertex.m_dwFaceCount == vertex.m_dwFaceCapacity) {
        // Full: the list moves to the end of the block with twice the room.
        const DWORD start = static_cast<DWORD>(m_faceLists.size());
        vertex.m_dwFaceCapacity = std::max<DWORD>(8, 2 * vertex.m_dwFaceCapacity);
        m_faceLists.resize(start + vertex.m_dwFaceCapacity);
        std::copy_n(m_faceLists.begin() + vertex.m_dwFaceStart, vertex.m_dwFaceCount, m_faceLists.begin() + start);
        vertex.m_dwFaceStart = start;
    }
    m_faceLists[vertex.m_dwFaceStart + vertex.m_dwFaceCount++] = face;
}

void MeshSimplifier::RemoveFace(DWORD v, DWORD face) {
    // Order kept: the collapse order depends on the order faces are met in.
    Vertex& vertex = m_vertices[v];
    DWORD* begin = m_faceLists.data() + vertex.m_dwFaceStart;
    DWORD* end = begin + vertex.m_dwFaceCount;
    DWORD* it = std::find(begin, end, face);
    if (it != end) {
        std::copy(it + 1, end, it);
        --vertex.m_dwFaceCount;
    }
}

void MeshSimplifier::AddFacePlanes() {
    for (DWORD f = 0; f < m_faces.size(); ++f) {
        const Face& face = m_faces[f];
        const D3DXVECTOR3 n = SourceNormal(f);
        const double length = std::sqrt(static_cast<double>(Dot(n, n)));
        if (length == 0.0) {
            continue;
        }
        // The face's plane holds all three corners: one quadric for all.
        Quadric plane;
        plane.AddPlane(n.x / length, n.y / length, n.z / length, length * 0.5);
        for (DWORD corner : face.m_dwCorners) {
            m_vertices[corner].m_quadric.Add(plane);
        }
    }
}

bool MeshSimplifier::AddBoundaryPlanes(DWORD v, std::span<const Edge> edges) {
    // Borders and material boundaries: a plane through the edge, upright on its face.
    bool added = false;
    for (const Edge& edge : edges) {
        if (edge.m_dwFaces != 1 && !edge.m_bMixed) {
            continue;
        }
        added = true;
        for (const DWORD* it = FacesBegin(v); it != FacesEnd(v); ++it) {
            const DWORD f = *it;
            if (!FaceHas(f, edge.m_dwOther)) {
                continue;
            }
            const D3DXVECTOR3 n = SourceNormal(f);
            const D3DXVECTOR3& p = m_vertices[v].m_position;
            const D3DXVECTOR3 along = Sub(m_vertices[edge.m_dwOther].m_position, p);
            const D3DXVECTOR3 side = Cross(along, n);
            const double length = std::sqrt(static_cast<double>(Dot(side, side)));
            if (length == 0.0) {
                continue;
            }
            // Each edge is seen from both ends: each end takes its own half.
            Quadric plane;
            plane.AddPlane(side.x / length, side.y / length, side.z / length,
                           kBoundaryWeight * Dot(along, along) * 0.5);
            m_vertices[v].m_quadric.Add(plane);
            m_vertices[edge.m_dwOther].m_quadric.Add(plane);
        }
    }
    return added;
}

std::span<const MeshSimplifier::Edge> MeshSimplifier::GatherEdges(DWORD v, std::vector<Edge>& storage) {
    // At most two edges per face: room for all of them up front.
    if (storage.size() < 2 * static_cast<size_t>(FaceCount(v))) {
        storage.resize(2 * static_cast<size_t>(FaceCount(v)));
    }
    Edge* const edges = storage.data();
    DWORD count = 0;
    // Each neighbour remembers its slot under this stamp.
    const DWORD stamp = ++m_dwStamp;
    const auto note = [&](DWORD w, DWORD attribute) {
        Vertex& other = m_vertices[w];
        if (other.m_dwStamp != stamp) {
            other.m_dwStamp = stamp;
            other.m_dwEdge = count;
            edges[count++] = Edge{w, 1, attribute, false};
        } else {
            Edge& edge = edges[other.m_dwEdge];
            ++edge.m_dwFaces;
            edge.m_bMixed = edge.m_bMixed || edge.m_dwAttribute != attribute;
        }
    };
    for (const DWORD* it = FacesBegin(v); it != FacesEnd(v); ++it) {
        const Face& face = m_faces[*it];
        const DWORD* c = face.m_dwCorners;
        if ((c[0] == v) + (c[1] == v) + (c[2] == v) == 1) {
            // The other two corners in corner order, without a test per corner.
            note(c[0] == v ? c[1] : c[0], face.m_dwAttribute);
            note(c[2] == v ? c[1] : c[2], face.m_dwAttribute);
        } else {
            for (DWORD w : face.m_dwCorners) {  // a degenerate face holding v twice
                if (w != v) {
                    note(w, face.m_dwAttribute);
                }
            }
        }
    }
    return {edges, count};
}

bool MeshSimplifier::Allowed(DWORD from, DWORD to, std::span<const Edge> fromEdges) {
    // Link condition: the only vertices both ends see are the far corners of
    // the faces on the edge; anything else would pinch the surface.
    const DWORD mark = ++m_dwStamp;
    for (const DWORD* it = FacesBegin(to); it != FacesEnd(to); ++it) {
        for (DWORD corner : m_faces[*it].m_dwCorners) {
            m_vertices[corner].m_dwStamp = mark;
        }
    }
    DWORD onEdge = 0;
    for (const DWORD* it = FacesBegin(from); it != FacesEnd(from); ++it) {
        onEdge += FaceHas(*it, to) ? 1 : 0;
    }
    DWORD shared = 0;
    for (const Edge& e : fromEdges) {
        if (e.m_dwOther != to && m_vertices[e.m_dwOther].m_dwStamp == mark) {
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
    const D3DXVECTOR3& target = m_vertices[to].m_position;
    for (const DWORD* it = FacesBegin(from); it != FacesEnd(from); ++it) {
        const DWORD f = *it;
        const Face& face = m_faces[f];
        const DWORD* tri = face.m_dwCorners;
        if (!FaceHas(f, to)) {
            // Faces that stay must keep their facing and must not repeat a face of `to`.
            const int k = tri[0] == from ? 0 : (tri[1] == from ? 1 : 2);
            const DWORD b = tri[(k + 1) % 3];
            const DWORD c = tri[(k + 2) % 3];
            D3DXVECTOR3 corners[3];
            corners[k] = m_vertices[from].m_position;
            corners[(k + 1) % 3] = m_vertices[b].m_position;
            corners[(k + 2) % 3] = m_vertices[c].m_position;
            const D3DXVECTOR3 before = FaceNormal(corners[0], corners[1], corners[2]);
            corners[k] = target;
            const D3DXVECTOR3 after = FaceNormal(corners[0], corners[1], corners[2]);
            const double lb = std::sqrt(static_cast<double>(Dot(before, before)));
            const double la = std::sqrt(static_cast<double>(Dot(after, after)));
            if (la == 0.0 || (lb > 0.0 && Dot(before, after) < kMinFaceCosine * la * lb)) {
                return false;
            }
            // Small turns add up over many collapses: the face must also still
            // face the way it did in the source.
            // (A face no collapse has touched is as it was given.)
            const D3DXVECTOR3 source = m_moved[f] ? SourceNormal(f) : before;
            if (Dot(source, after) <= 0.0f) {
                return false;
            }
            // A repeat needs both other corners round `to` as well (the tetrahedron case).
            if (m_vertices[b].m_dwStamp != mark || m_vertices[c].m_dwStamp != mark) {
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
        for (DWORD w : face.m_dwCorners) {
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

bool MeshSimplifier::Movable(DWORD v) const {
    const Vertex& vertex = m_vertices[v];
    return !vertex.m_bRemoved && !vertex.m_bLocked && vertex.m_dwFaceCount != 0;
}

bool MeshSimplifier::BestCollapse(DWORD v, std::span<const Edge> edges, const Candidate* queued, Candidate& best) {
    const Vertex& vertex = m_vertices[v];
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
                dirs[d] = Sub(m_vertices[e.m_dwOther].m_position, vertex.m_position);
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
    const Quadric& quadric = vertex.m_quadric;
    const D3DXVECTOR3& origin = vertex.m_position;
    size_t count = 0;
    for (const Edge& e : edges) {
        if ((onBorder && e.m_dwFaces != 1) || (onBoundary && !e.m_bMixed)) {
            continue;
        }
        // v's quadric at the target plus the target's own at its centre.
        const D3DXVECTOR3& p = m_vertices[e.m_dwOther].m_position;
        const double cost = std::max(quadric.Error(p.x - origin.x, p.y - origin.y, p.z - origin.z), 0.0f) +
                            m_vertices[e.m_dwOther].m_quadric.m_fC;
        options[count++] = Candidate{cost, v, e.m_dwOther};
    }
    // Targets by cost, the first met first among equals: the cheapest that
    // passes the checks wins. Usually the cheapest does, so no sort.
    bool check = queued != nullptr;
    while (count != 0) {
        size_t cheapest = 0;
        for (size_t i = 1; i < count; ++i) {
            if (options[i].m_dCost < options[cheapest].m_dCost) {
                cheapest = i;
            }
        }
        // Dearer than it was queued at: it goes back in line whatever the
        // checks say, and is checked when it comes up again.
        if (check && options[cheapest].m_dCost > queued->m_dCost) {
            check = false;
        }
        if (!check || Allowed(v, options[cheapest].m_dwTo, edges)) {
            best = options[cheapest];
            return true;
        }
        std::copy(options + cheapest + 1, options + count, options + cheapest);
        --count;
    }
    return false;
}

void MeshSimplifier::Apply(DWORD from, DWORD to) {
    assert(from != to && Movable(from) && !m_vertices[to].m_bRemoved);
    const DWORD step = static_cast<DWORD>(m_collapses.size());
    m_collapses.push_back(Collapse{from, to});
    // By index: growing the list of `to` may move the block.
    Vertex& vertex = m_vertices[from];
    for (DWORD i = 0; i < vertex.m_dwFaceCount; ++i) {
        const DWORD f = m_faceLists[vertex.m_dwFaceStart + i];
        Face& face = m_faces[f];
        if (FaceHas(f, to)) {
            m_faceDeaths[f] = step;
            for (DWORD corner : face.m_dwCorners) {
                if (corner != from) {
                    RemoveFace(corner, f);
                }
            }
            // The degenerate face is left in no list: nothing reads it again.
            assert(std::none_of(face.m_dwCorners, face.m_dwCorners + 3, [&](DWORD corner) {
                return corner != from && std::find(FacesBegin(corner), FacesEnd(corner), f) != FacesEnd(corner);
            }));
        } else {
            for (DWORD& corner : face.m_dwCorners) {
                if (corner == from) {
                    corner = to;
                }
            }
            m_moved[f] = true;
            AddFace(to, f);
        }
    }
    vertex.m_dwFaceCount = 0;
    vertex.m_bRemoved = true;
    m_vertices[to].m_quadric.AddMoved(m_vertices[from].m_quadric,
                                      Sub(m_vertices[from].m_position, m_vertices[to].m_position));
    assert(m_dwUsedVertices > 0);
    --m_dwUsedVertices;
}

void MeshSimplifier::Run(DWORD minVertices) {
    // Each vertex waits in the queue at most once.
    std::vector<Candidate> queue;
    queue.reserve(m_vertices.size());
    m_collapses.reserve(m_dwUsedVertices > minVertices ? m_dwUsedVertices - minVertices : 0);
    auto enqueue = [&](DWORD v, std::span<const Edge> edges) {
        Candidate c{};
        if (BestCollapse(v, edges, nullptr, c)) {
            HeapPush(queue, c);
            m_vertices[v].m_bQueued = true;
        }
    };
    // Outlines add their planes as the edges come by. Without any (a closed
    // surface of one material) the quadrics are complete from the start and
    // the costs met on the way stand; with them, the costs wait for all.
    bool outlines = false;
    for (DWORD v = 0; v < m_vertices.size(); ++v) {
        const std::span<const Edge> edges = GatherEdges(v, m_ringScratch);
        outlines = AddBoundaryPlanes(v, edges) || outlines;
        if (!outlines && Movable(v)) {
            enqueue(v, edges);
        }
    }
    if (outlines) {
        for (const Candidate& c : queue) {
            m_vertices[c.m_dwFrom].m_bQueued = false;
        }
        queue.clear();
        for (DWORD v = 0; v < m_vertices.size(); ++v) {
            if (Movable(v)) {
                enqueue(v, GatherEdges(v, m_ringScratch));
            }
        }
    }
    // Queued costs are not kept up to date: each collapse is looked at
    // afresh when it comes up and goes back in line if it got dearer or
    // changed its target.
    while (m_dwUsedVertices > minVertices && !queue.empty()) {
        const Candidate top = HeapPop(queue);
        m_vertices[top.m_dwFrom].m_bQueued = false;
        if (m_vertices[top.m_dwFrom].m_bRemoved) {
            continue;
        }
        Candidate now{};
        if (!Movable(top.m_dwFrom) ||
            !BestCollapse(top.m_dwFrom, GatherEdges(top.m_dwFrom, m_ringScratch), &top, now)) {
            continue;
        }
        if (now.m_dwTo != top.m_dwTo || now.m_dCost > top.m_dCost) {
            HeapPush(queue, now);
            m_vertices[top.m_dwFrom].m_bQueued = true;
            continue;
        }
        Apply(top.m_dwFrom, top.m_dwTo);
        assert(m_dwUsedVertices >= minVertices);
        // Neighbours that had nothing to do may have a collapse now.
        const DWORD to = top.m_dwTo;
        for (const DWORD* it = FacesBegin(to); it != FacesEnd(to); ++it) {
            for (DWORD w : m_faces[*it].m_dwCorners) {
                if (w != to && !m_vertices[w].m_bQueued && Movable(w)) {
                    enqueue(w, GatherEdges(w, m_ringScratch));
                }
            }
        }
        if (!m_vertices[to].m_bQueued && Movable(to)) {
            enqueue(to, GatherEdges(to, m_ringScratch));
        }
    }
}
