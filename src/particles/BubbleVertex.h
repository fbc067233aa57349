// The particle vertex: position, diffuse colour and one texture coordinate.
#pragma once

#include "platform/d3d/D3D8.h"

struct BubbleVertex {
    float x;
    float y;
    float z;
    D3DCOLOR color;
    float u;
    float v;
};

constexpr DWORD D3DFVF_BUBBLEVERTEX = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(BubbleVertex) == 24, "the vertex buffer stride is 24 bytes");
static_assert(D3DFVF_BUBBLEVERTEX == 0x142);
