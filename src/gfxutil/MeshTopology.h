// Connectivity read from a face adjacency (three entries per face, the face
// across edge (c0,c1), (c1,c2), (c2,c0), 0xFFFFFFFF for none).
#pragma once

#include <vector>

#include "platform/kernel/WinTypes.h"

// For every corner (3 per face), an id of the fan it belongs to: corners of
// one vertex index that are joined through shared edges get the same id. A
// vertex whose corners carry more than one id is a bow-tie.
std::vector<DWORD> CornerFans(const std::vector<DWORD>& indices, const std::vector<DWORD>& adjacency);

// For every vertex, the lowest vertex it meets at the ends of shared edges,
// directly or through others: the vertices the adjacency says are one point.
std::vector<DWORD> PointRepsFromAdjacency(const std::vector<DWORD>& indices, const DWORD* pAdjacency,
                                          DWORD numVertices);
