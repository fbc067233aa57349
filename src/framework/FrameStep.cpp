#include "framework/FrameStep.h"

float g_frameStep = 0.0f;
double g_appTime = 0.0;
