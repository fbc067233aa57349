// Process-wide values of one frame: written by the per-frame update, read by
// the later steps of the same frame. Any subsystem may link them.
#pragma once

#include "platform/d3d/D3D8Types.h"

// The frame's elapsed time clamped to 0.03 s; every animation advances by it.
extern float g_frameStep;
// The application time of the frame, in seconds.
extern float g_appTime;
// The viewport the scene is drawn in: full or framed.
extern D3DVIEWPORT8 g_viewport;
// Background colour of the scene viewport, also the fog colour.
extern D3DCOLOR g_clearColor;
// 1 while the update has the alarm sound playing.
extern int g_alarmSounding;
