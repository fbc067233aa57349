// The application's own values of one frame: written by the per-frame update,
// read by its later steps (the view, the timer panel). The frame's time step
// is in framework/FrameStep.h.
#pragma once

#include "platform/d3d/D3D8Types.h"

// The viewport the scene is drawn in: full or framed.
extern D3DVIEWPORT8 g_viewport;
// Background colour of the scene viewport, also the fog colour.
extern D3DCOLOR g_clearColor;
// 1 while the update has the alarm sound playing.
extern int g_alarmSounding;
