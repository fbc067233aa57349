// The "Select Device" dialog (resource 144): its controls' ids and the
// resource itself. Its procedure is AppFrame::DeviceDialogProc.
#pragma once

#include "framework/FrameResources.h"
#include "platform/win/WinDialog.h"

constexpr int IDC_DEVICE_COMBO = 1000;
constexpr int IDC_ADAPTER_COMBO = 1002;
constexpr int IDC_FULLSCREENMODES_COMBO = 1003;
constexpr int IDC_MULTISAMPLE_COMBO = 1005;
constexpr int IDC_WINDOW = 1016;
constexpr int IDC_FULLSCREEN = 1018;

const DialogResource& DeviceDialogResource();
