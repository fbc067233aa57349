// Face adjacency of a triangle list whose corners are given as point ids:
// corners with the same id are the same point. Three entries per face, the
// face across edge (c0,c1), (c1,c2), (c2,c0), or 0xFFFFFFFF where there is none.
#pragma once

#include "platform/kernel/WinTypes.h"

// `pointIds` holds 3 * numFaces ids; `pAdjacency` receives 3 * numFaces entries.
void ComputeAdjacency(const DWORD* pointIds, DWORD numFaces, DWORD* pAdjacency);
