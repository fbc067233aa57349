// The time of the frame being updated, beside the frame timer it comes from:
// written by the application's per-frame update, read by everything that
// animates during the same frame.
#pragma once

// The step every animation and timer advances by: the frame's elapsed time,
// cut to a short step for a frame after a long stall. The scene may take a
// frame in several such steps.
extern float g_frameStep;
// The application time of the step, in seconds; double, so that a clock
// running for weeks still moves smoothly.
extern double g_appTime;
