// The most frames a second the device's Present lets through, for the whole
// process: a user's choice to spend less CPU than pacing to the display does.
#pragma once

#include "platform/kernel/WinTypes.h"

namespace d3d {

// 0 (the default) paces to the display's refresh only. A cap applies even
// where pacing to the display is turned off for tests. Set it before the
// first frame.
void SetFrameRateCap(UINT framesPerSecond);
UINT FrameRateCap();

}  // namespace d3d
