// Process-wide values of one frame: written by the per-frame update, read by
// the later steps of the same frame. Any subsystem may link them.
#pragma once

#include "platform/d3d/D3D8Types.h"

// The step every animation and timer advances by: the frame's elapsed time,
// cut to a short step for a frame after a long stall. The scene may take a
// frame in several such steps.
extern float g_frameStep;
// The application time of the step, in seconds; double, so that a clock
// running for weeks still moves smoothly.
extern double g_appTime;
// The viewport the scene is drawn in: full or framed.
extern D3DVIEWPORT8 g_viewport;
// Background colour of the scene viewport, also the fog colour.
extern D3DCOLOR g_clearColor;
// 1 while the update has the alarm sound playing.
extern int g_alarmSounding;
