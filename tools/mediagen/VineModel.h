// The vine placed round the clocks: a stem curling upward from its root at
// the origin, a tendril spiralling off its top, and leaves on alternate sides
// (closed thin shapes, so they show from both sides).
#pragma once

#include "StaticModel.h"

class VineModel {
public:
    static constexpr float kHeight = 62.0f;

    static StaticModel Build();
};
