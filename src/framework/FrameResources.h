// The program module's resources: every command and resource id, and the
// menus and accelerator table the window layer shows once they are
// registered. Ids, texts, order and keys are what users and tests know.
#pragma once

#include "platform/win/WinUser.h"

// Commands of the window menu, the context menu and the accelerators.
constexpr WORD CMD_CONFIG_DISPLAY = 40002;
constexpr WORD CMD_TOGGLE_FULLSCREEN = 40003;
constexpr WORD CMD_EXIT = 40006;

// Resources of the program module.
constexpr WORD IDI_MAIN_ICON = 101;
constexpr WORD IDR_ACCELERATOR = 113;
constexpr WORD IDR_MENU = 141;
constexpr WORD IDR_POPUP = 142;
constexpr WORD IDD_SELECTDEVICE = 144;

// Makes the window menu, the context menu and the accelerator table known
// to the window layer under their ids. Registering again changes nothing.
void RegisterFrameResources();
