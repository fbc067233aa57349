#include "framework/FrameResources.h"

#include <iterator>

namespace {

// The window menu's File popup and the context menu's popup share their
// items except for Exit's shortcut text.
const MenuItemTemplate kFileItems[] = {
    {MF_STRING, CMD_CONFIG_DISPLAY, "Config &display...\tF2", nullptr, 0},
    {MF_SEPARATOR, 0, "", nullptr, 0},
    {MF_STRING, CMD_EXIT, "E&xit\tESC", nullptr, 0},
};
const MenuItemTemplate kPopupItems[] = {
    {MF_STRING, CMD_CONFIG_DISPLAY, "Config &display...\tF2", nullptr, 0},
    {MF_SEPARATOR, 0, "", nullptr, 0},
    {MF_STRING, CMD_EXIT, "E&xit", nullptr, 0},
};

const MenuItemTemplate kMenuBar[] = {{MF_POPUP, 0, "&File", kFileItems, static_cast<int>(std::size(kFileItems))}};
const MenuItemTemplate kContextMenu[] = {{MF_POPUP, 0, "Popup", kPopupItems, static_cast<int>(std::size(kPopupItems))}};

const MenuResource kMenus[] = {{IDR_MENU, kMenuBar, 1}, {IDR_POPUP, kContextMenu, 1}};

const ACCEL kAccelerators[] = {
    {FVIRTKEY | FNOINVERT, static_cast<WORD>(VK_ESCAPE), CMD_EXIT},
    {FVIRTKEY | FNOINVERT, static_cast<WORD>(VK_F2), CMD_CONFIG_DISPLAY},
    {FVIRTKEY | FNOINVERT | FALT, static_cast<WORD>(VK_RETURN), CMD_TOGGLE_FULLSCREEN},
    {FVIRTKEY | FNOINVERT | FALT, static_cast<WORD>('X'), CMD_EXIT},
};
const AcceleratorResource kAcceleratorTable = {IDR_ACCELERATOR, kAccelerators,
                                               static_cast<int>(std::size(kAccelerators))};

}  // namespace

void RegisterFrameResources() {
    for (const MenuResource& menu : kMenus) {
        RegisterMenuResource(&menu);
    }
    RegisterAcceleratorResource(&kAcceleratorTable);
}
