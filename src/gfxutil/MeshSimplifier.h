// Quadric-error simplification by half-edge collapses: a vertex moves onto
// a neighbour and its faces follow, so no vertex ever changes its data and
// every intermediate mesh is made of the source's own vertices. Material
// boundaries only collapse along themselves, with extra weight on their
// quadrics; open borders only where they run straight, so outlines keep
// their shape; locked vertices (texture seams, shared
// positions) never move; a collapse that would flip or duplicate a face, or
// break the surface's manifold (link condition), is refused.
#pragma once

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
        double Error(const D3DXVECTOR3& p) const;
    };
    struct Candidate {
        double m_dCost;
        DWORD m_dwFrom;
        DWORD m_dwTo;
        DWORD m_dwStamp;
        bool operator>(const Candidate& other) const { return m_dCost > other.m_dCost; }
    };
    struct Edge {
        DWORD m_dwOther;
        DWORD m_dwFaces;
        DWORD m_dwAttribute;
        bool m_bMixed;
    };

    void BuildQuadrics();
    void GatherEdges(DWORD v, std::vector<Edge>& edges) const;
    // The cheapest collapse of v (allowed by the checks when asked); false when none is.
    bool BestCollapse(DWORD v, bool checkAllowed, Candidate& best);
    // `fromEdges`: the edges GatherEdges found round `from`.
    bool Allowed(DWORD from, DWORD to, const std::vector<Edge>& fromEdges);
    void Apply(DWORD from, DWORD to);
    bool FaceHas(DWORD face, DWORD v) const;

    const std::vector<D3DXVECTOR3>& m_positions;
    std::vector<DWORD> m_faces;
    std::vector<D3DXVECTOR3> m_sourceNormals;
    const std::vector<DWORD>& m_attributes;
    std::vector<bool> m_locked;
    std::vector<std::vector<DWORD>> m_vertexFaces;
    std::vector<Quadric> m_quadrics;
    std::vector<DWORD> m_stamps;
    std::vector<bool> m_removed;
    std::vector<Collapse> m_collapses;
    std::vector<DWORD> m_faceDeaths;
    DWORD m_dwUsedVertices = 0;
    std::vector<DWORD> m_marks;  // vertices seen round a collapse target, by m_dwMark
    DWORD m_dwMark = 0;
    std::vector<Edge> m_ringScratch;
    std::vector<Candidate> m_candidateScratch;
};
