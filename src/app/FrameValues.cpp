#include "app/FrameValues.h"

D3DVIEWPORT8 g_viewport = {0, 0, 0, 0, 0.0f, 0.0f};
D3DCOLOR g_clearColor = 0xFFFFFFFF;
int g_alarmSounding = 0;
