// Quadric-error simplification by half-edge collapses: a vertex moves onto
// a neighbour and its faces follow, so no vertex ever changes its data and
// every intermediate mesh is made of the source's own vertices. Material
// boundaries only collapse along themselves, with extra weight on their
// quadrics; open borders only where they run straight, so outlines keep
// their shape; locked vertices (texture seams, shared
// positions) never move; a collapse that would flip or duplicate a face, or
// break the surface's manifold (link condition), is refused.
// The error is the quadric of Garland and Heckbert 1997, "Surface
// Simplification Using Quadric Error Metrics" (SIGGRAPH 97), with its
// boundary planes; unlike it, a vertex only moves onto a neighbour (no
// optimal placement, no pairs that share no edge), and queued costs are
// checked again when they come up instead of being kept up to date.
#pragma once

#include <span>
#include <utility>
#include <vector>

#include "gfxutil/D3DXMath.h"

class MeshSimplifier {
public:
    struct Collapse {
        DWORD m_dwFrom;
        DWORD m_dwTo;
    };

    // `positions` per vertex; `locked` per vertex (may be empty); faces as 3
    // indices each with one attribute. Vertices no face uses are ignored.
    // `indices` must outlive the simplifier.
    MeshSimplifier(const std::vector<D3DXVECTOR3>& positions, const std::vector<DWORD>& indices,
                   const std::vector<DWORD>& attributes, const std::vector<bool>& locked);

    // Collapses until `minVertices` used vertices remain or no collapse is
    // allowed. Call once.
    void Run(DWORD minVertices);

    const std::vector<Collapse>& Collapses() const { return m_collapses; }
    // The collapse (index into Collapses()) that made each face degenerate,
    // or kSurvives for faces of the final mesh.
    const std::vector<DWORD>& FaceDeaths() const { return m_faceDeaths; }
    DWORD UsedVertexCount() const { return m_dwUsedVertices; }
    // The two results moved out, for a caller done with the simplifier.
    std::vector<Collapse> TakeCollapses() { return std::move(m_collapses); }
    std::vector<DWORD> TakeFaceDeaths() { return std::move(m_faceDeaths); }

    static constexpr DWORD kSurvives = 0xFFFFFFFF;

private:
    // Weighted squared distances to planes, about the vertex's own position:
    // E(q) = q'Aq + 2b'q + c at the offset q from it. Near the vertex every
    // term is small, so single precision holds the errors that matter.
    struct Quadric {
        float m_fA[6] = {};  // xx xy xz yy yz zz
        float m_fB[3] = {};
        float m_fC = 0.0f;
        // A plane through the centre, by its unit normal: every plane the
        // vertex starts with holds it.
        void AddPlane(double a, double b, double c, double weight);
        void Add(const Quadric& q);
        // Adds `q`, whose centre lies at `offset` from this one's.
        void AddMoved(const Quadric& q, const D3DXVECTOR3& offset);
        float Error(float x, float y, float z) const;
    };
    struct Candidate {
        double m_dCost;
        DWORD m_dwFrom;
        DWORD m_dwTo;
    };
    struct Edge {
        DWORD m_dwOther;
        DWORD m_dwFaces;
        DWORD m_dwAttribute;
        bool m_bMixed;
    };
    // What the collapses read of a face, together in one place.
    struct Face {
        DWORD m_dwCorners[3];
        DWORD m_dwAttribute;
    };
    // What the collapses read and mark of a vertex, together in one place.
    // Its faces are a run of m_faceLists with room to grow in place.
    struct Vertex {
        Quadric m_quadric;
        D3DXVECTOR3 m_position;
        DWORD m_dwFaceStart;
        DWORD m_dwFaceCount;
        DWORD m_dwFaceCapacity;
        DWORD m_dwStamp;  // last m_dwStamp that marked this vertex
        DWORD m_dwEdge;   // its slot in the edges gathered under that stamp
        bool m_bLocked;
        bool m_bRemoved;
        bool m_bQueued;
    };

    void AddFacePlanes();
    // Adds the planes of the borders and material boundaries among v's edges; true if there are any.
    bool AddBoundaryPlanes(DWORD v, std::span<const Edge> edges);
    // Not removed, not locked and still on a face.
    bool Movable(DWORD v) const;
    // The edges round v, each once, in the order its faces meet them; kept in `storage`.
    std::span<const Edge> GatherEdges(DWORD v, std::vector<Edge>& storage);
    // The cheapest collapse of v; false when there is none. With `queued` (the
    // collapse of v that came up in the queue) it is the cheapest the checks
    // allow, unless even the cheapest costs more than `queued` did.
    // `edges`: GatherEdges(v); v Movable.
    bool BestCollapse(DWORD v, std::span<const Edge> edges, const Candidate* queued, Candidate& best);
    // `fromEdges`: the edges GatherEdges found round `from`.
    bool Allowed(DWORD from, DWORD to, std::span<const Edge> fromEdges);
    void Apply(DWORD from, DWORD to);
    bool FaceHas(DWORD face, DWORD v) const {
        const DWORD* c = m_faces[face].m_dwCorners;
        return c[0] == v || c[1] == v || c[2] == v;
    }
    // The face as it was given (its vertices' positions never change).
    D3DXVECTOR3 SourceNormal(DWORD face) const;
    const DWORD* FacesBegin(DWORD v) const { return m_faceLists.data() + m_vertices[v].m_dwFaceStart; }
    const DWORD* FacesEnd(DWORD v) const { return FacesBegin(v) + m_vertices[v].m_dwFaceCount; }
    DWORD FaceCount(DWORD v) const { return m_vertices[v].m_dwFaceCount; }
    void AddFace(DWORD v, DWORD face);
    void RemoveFace(DWORD v, DWORD face);

    const std::vector<DWORD>& m_sourceIndices;
    std::vector<Face> m_faces;
    std::vector<Vertex> m_vertices;
    std::vector<DWORD> m_faceLists;
    std::vector<Collapse> m_collapses;
    std::vector<DWORD> m_faceDeaths;
    std::vector<bool> m_moved;  // faces a collapse has given a new corner
    DWORD m_dwUsedVertices = 0;
    DWORD m_dwStamp = 0;
    std::vector<Edge> m_ringScratch;
    std::vector<Candidate> m_candidateScratch;
};
