// Which render and stage states the renderers give their effect to. Every
// known state is accepted and returned by Get; the table says what a draw
// makes of it.
#pragma once

#include "platform/d3d/D3D8.h"

enum class StatePolicy {
    Unknown,          // not a state of this platform: rejected with D3DERR_INVALIDCALL
    Implemented,      // the pictures follow the value
    NoVisibleEffect,  // the platform draws the same pictures whatever the value
    StoredOnly,       // accepted and returned, but draws ignore it
};

class StatePolicyTable {
public:
    static StatePolicy ForRenderState(DWORD state);
    static StatePolicy ForStageState(DWORD type);
    // The state's platform name ("D3DRS_FOGENABLE"), or null when unknown.
    static const char* RenderStateName(DWORD state);
    static const char* StageStateName(DWORD type);
};
