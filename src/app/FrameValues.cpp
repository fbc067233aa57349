#include "app/FrameValues.h"

float g_frameStep = 0.0f;
double g_appTime = 0.0;
D3DVIEWPORT8 g_viewport = {0, 0, 0, 0, 0.0f, 0.0f};
D3DCOLOR g_clearColor = 0xFFFFFFFF;
int g_alarmSounding = 0;
