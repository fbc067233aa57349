// Lets the window layer draw its menus and dialogs over every presented
// frame, on both device types.
#pragma once

namespace d3dgl {

// Called inside Present, before the frame is shown. The hook draws with GL
// into the framebuffer that is bound when it is called:
// - on a HAL device, and on a REF device whose window has a GL context, the
//   window's context is current and its default framebuffer holds the frame;
// - on a REF device whose window has no GL context, the device's own
//   off-screen context is current with the frame's framebuffer bound; its
//   rows are top row first, so what the hook draws for GL's bottom-up rows
//   shows upside down there.
// It is not called for devices with no window. Null removes the hook.
using PresentHookFn = void (*)(void* user);
void SetPresentHook(PresentHookFn hook, void* user);

}  // namespace d3dgl
