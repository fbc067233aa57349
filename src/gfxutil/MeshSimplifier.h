// Quadric-error simplification by half-edge collapses: a vertex moves onto
// a neighbour and its faces follow, so no vertex ever changes its data and
// every intermediate mesh is made of the source's own vertices. Material
// boundaries only collapse along themselves, with extra weight on their
// quadrics; open borders only where they run straight, so outlines keep
// their shape; locked vertices (texture seams, shared
// positions) never move; a collapse that would flip or duplicate a face, or
// break the surface's manifold (link condition), is refused.
#pragma once

#include <span>
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
    MeshSimplifier(const std::vector<D3DXVECTOR3>& positions, const std::vector<DWORD>& indices,
                   const std::vector<DWORD>& attributes, const std::vector<bool>& locked);

    // Collapses until `minVertices` used vertices remain or no collapse is allowed.
    void Run(DWORD minVertices);

    const std::vector<Collapse>& Collapses() const { return m_collapses; }
    // The collapse (index into Collapses()) that made each face degenerate,
    // or kSurvives for faces of the final mesh.
    const std::vector<DWORD>& FaceDeaths() const { return m_faceDeaths; }
    DWORD UsedVertexCount() const { return m_dwUsedVertices; }

    static constexpr DWORD kSurvives = 0xFFFFFFFF;

private:
    struct Quadric {
        double m_d[10] = {};
        void AddPlane(double a, double b, double c, double d, double weight);
        void Add(const Quadric& q);
        // The error of the sum of this and `q` at p, without forming the sum.
        double SumError(const Quadric& q, const D3DXVECTOR3& p) const;
    };
    struct Candidate {
        double m_dCost;
        DWORD m_dwFrom;
        DWORD m_dwTo;
        bool operator>(const Candidate& other) const { return m_dCost > other.m_dCost; }
    };
    struct Edge {
        DWORD m_dwOther;
        DWORD m_dwFaces;
        DWORD m_dwAttribute;
        bool m_bMixed;
    };
    struct EdgeSlot {
        DWORD m_dwStamp;
        DWORD m_dwIndex;
    };
    // The faces round one vertex: a run of m_faceLists with room to grow in place.
    struct FaceList {
        DWORD m_dwStart;
        DWORD m_dwCount;
        DWORD m_dwCapacity;
    };

    void BuildQuadrics();
    // The edges round v, each once, in the order its faces meet them; kept in `storage`.
    std::span<const Edge> GatherEdges(DWORD v, std::vector<Edge>& storage);
    // The cheapest collapse of v (allowed by the checks when asked); false when none is.
    bool BestCollapse(DWORD v, bool checkAllowed, Candidate& best);
    // `fromEdges`: the edges GatherEdges found round `from`.
    bool Allowed(DWORD from, DWORD to, std::span<const Edge> fromEdges);
    void Apply(DWORD from, DWORD to);
    bool FaceHas(DWORD face, DWORD v) const;
    const DWORD* FacesBegin(DWORD v) const { return m_faceLists.data() + m_lists[v].m_dwStart; }
    const DWORD* FacesEnd(DWORD v) const { return FacesBegin(v) + m_lists[v].m_dwCount; }
    DWORD FaceCount(DWORD v) const { return m_lists[v].m_dwCount; }
    void AddFace(DWORD v, DWORD face);
    void RemoveFace(DWORD v, DWORD face);
    D3DXVECTOR3 CurrentNormal(DWORD face) const;

    const std::vector<D3DXVECTOR3>& m_positions;
    std::vector<DWORD> m_faces;
    std::vector<D3DXVECTOR3> m_sourceNormals;
    std::vector<D3DXVECTOR3> m_normals;  // of the faces as they are now
    const std::vector<DWORD>& m_attributes;
    std::vector<BYTE> m_locked;
    std::vector<FaceList> m_lists;
    std::vector<DWORD> m_faceLists;
    std::vector<Quadric> m_quadrics;
    std::vector<BYTE> m_removed;
    std::vector<Collapse> m_collapses;
    std::vector<DWORD> m_faceDeaths;
    DWORD m_dwUsedVertices = 0;
    std::vector<DWORD> m_marks;  // vertices seen round a collapse target, by m_dwMark
    DWORD m_dwMark = 0;
    std::vector<EdgeSlot> m_edgeSlots;  // where GatherEdges put each neighbour, by m_dwEdgeStamp
    DWORD m_dwEdgeStamp = 0;
    std::vector<Edge> m_ringScratch;
    std::vector<Candidate> m_candidateScratch;
};
