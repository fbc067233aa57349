// Showing a frame: the back buffer resolved to the front, copied to the
// window for the reference device, pacing to the display, reading the front
// buffer back, and the device cursor.
#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d/FrameRateCap.h"
#include "platform/d3d/core/CoreSurface.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/d3d/gl/GlPresentHook.h"
#include "platform/win/GlWindow.h"
#include "platform/win/WinUser.h"
#include "platform/win/WindowLayer.h"

namespace {

d3dgl::PresentHookFn g_pPresentHook = nullptr;
void* g_pPresentHookUser = nullptr;
UINT g_uFrameRateCap = 0;

}  // namespace

namespace d3dgl {
void SetPresentHook(PresentHookFn hook, void* user) {
    g_pPresentHook = hook;
    g_pPresentHookUser = user;
}
}  // namespace d3dgl

namespace d3d {
void SetFrameRateCap(UINT framesPerSecond) {
    g_uFrameRateCap = framesPerSecond;
}
UINT FrameRateCap() {
    return g_uFrameRateCap;
}
}  // namespace d3d

ULONGLONG GlBackend::FramePeriod(ULONGLONG frequency, UINT refreshRate, UINT cap) {
    const UINT rate = cap != 0 && cap < refreshRate ? cap : refreshRate;
    return frequency / std::max<UINT>(rate, 1);
}

void GlBackend::ResolveToFront() {
    m_cache.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, m_uBackFbo);
    m_cache.BindDrawFramebuffer(m_uFrontFbo);
    m_cache.SetEnabled(GL_SCISSOR_TEST, false);
    const GLint w = static_cast<GLint>(m_uTargetWidth);
    const GLint h = static_cast<GLint>(m_uTargetHeight);
    m_cache.Call(glBlitFramebuffer, 0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void GlBackend::ReadFront(std::vector<DWORD>& pixels) {
    m_cache.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, m_uFrontFbo);
    m_cache.Call(glPixelStorei, GL_PACK_ALIGNMENT, 4);
    m_cache.Call(glPixelStorei, GL_PACK_ROW_LENGTH, 0);
    m_cache.Call(glReadPixels, 0, 0, static_cast<GLsizei>(m_uTargetWidth), static_cast<GLsizei>(m_uTargetHeight),
                 GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
}

std::vector<DWORD> GlBackend::FrontPixels() {
    std::vector<DWORD> pixels(static_cast<std::size_t>(m_uTargetWidth) * m_uTargetHeight, 0);
    if (MakeCurrent()) {
        ReadFront(pixels);
    }
    return pixels;
}

void GlBackend::ShowOnWindowContext() {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    if (m_type == D3DDEVTYPE_REF) {
        // The software frame comes over through memory.
        ReadFront(m_pixels);
        if (!win::MakeGlWindowCurrent(m_hWindow)) {
            return;
        }
        if (m_uWindowTexture == 0) {
            m_cache.Call(glGenTextures, 1, &m_uWindowTexture);
            m_cache.Call(glGenFramebuffers, 1, &m_uWindowFbo);
        }
        m_cache.Call(glActiveTexture, GL_TEXTURE0);
        m_cache.Call(glBindTexture, GL_TEXTURE_2D, m_uWindowTexture);
        m_cache.Call(glPixelStorei, GL_UNPACK_ALIGNMENT, 4);
        m_cache.Call(glPixelStorei, GL_UNPACK_ROW_LENGTH, 0);
        const auto width = static_cast<GLsizei>(m_uTargetWidth);
        const auto height = static_cast<GLsizei>(m_uTargetHeight);
        if (m_uWindowTextureWidth != m_uTargetWidth || m_uWindowTextureHeight != m_uTargetHeight) {
            m_cache.Call(glTexImage2D, GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA,
                         GL_UNSIGNED_INT_8_8_8_8_REV, m_pixels.data());
            m_cache.Call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            m_cache.Call(glTexParameteri, GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            m_cache.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, m_uWindowFbo);
            m_cache.Call(glFramebufferTexture2D, GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                         m_uWindowTexture, 0);
            m_uWindowTextureWidth = m_uTargetWidth;
            m_uWindowTextureHeight = m_uTargetHeight;
        } else {
            m_cache.Call(glTexSubImage2D, GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                         m_pixels.data());
        }
        m_cache.Call(glBindTexture, GL_TEXTURE_2D, 0);
        m_cache.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, m_uWindowFbo);
    } else {
        m_cache.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, m_uFrontFbo);
    }
    m_cache.Call(glBindFramebuffer, GL_DRAW_FRAMEBUFFER, 0);
    m_cache.Call(glDisable, GL_SCISSOR_TEST);
    m_cache.Call(glViewport, 0, 0, drawableWidth, drawableHeight);
    // The back buffer is the client area, which is the drawable's lower rows
    // (GL counts from the bottom) under the menu strip, all in device pixels;
    // the strip is the window layer's to draw. The frame is top row first and
    // so is the window's buffer underneath GL's numbering: turned over here,
    // the copy of a same-sized frame is a memory copy rather than a draw.
    const int clientWidth = drawableWidth;
    const int clientHeight = std::max(drawableHeight - win::MenuStripHeight(m_hWindow) * m_iScale, 1);
    const auto width = static_cast<GLint>(m_uTargetWidth);
    const auto height = static_cast<GLint>(m_uTargetHeight);
    const bool sameSize = clientWidth == width && clientHeight == height;
    m_cache.Call(glBlitFramebuffer, 0, 0, width, height, 0, clientHeight, clientWidth, 0, GL_COLOR_BUFFER_BIT,
                 sameSize ? GL_NEAREST : GL_LINEAR);
    // Menus and popups of the window go over the scene on both device types.
    win::DrawWindowOverlay(m_hWindow);
    if (g_pPresentHook != nullptr) {
        g_pPresentHook(g_pPresentHookUser);
    }
    SDL_GL_SwapWindow(window);
    // The window's context is the HAL device's own: whatever the hook and
    // this blit changed is no longer known.
    if (m_type == D3DDEVTYPE_HAL) {
        ForgetGlState();
    }
}

void GlBackend::ShowOnWindowSurface() {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    if (g_pPresentHook != nullptr) {
        m_cache.BindDrawFramebuffer(m_uFrontFbo);
        m_cache.Call(glViewport, 0, 0, static_cast<GLsizei>(m_uTargetWidth), static_cast<GLsizei>(m_uTargetHeight));
        g_pPresentHook(g_pPresentHookUser);
        ForgetGlState();
    }
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr) {
        return;
    }
    // The frame drawn now is read while the one before is copied out, so
    // drawing never waits for the copy (a GPU's frames come a frame late).
    const DWORD* frame = m_readback.Read(m_cache, m_uFrontFbo, m_uTargetWidth, m_uTargetHeight);
    if (frame == nullptr) {
        m_readback.Unmap(m_cache);
        return;
    }
    // A window without GL has scale 1: its targets are the back buffer's size.
    const int width = std::min(surface->w, static_cast<int>(m_uTargetWidth));
    const int height = std::min(surface->h, static_cast<int>(m_uTargetHeight));
    const std::size_t stride = m_uTargetWidth;
    // Mapped memory is slow to read piecemeal: whole rows are copied out.
    const SDL_PixelFormat* format = surface->format;
    const bool sameLayout =
        format->BytesPerPixel == 4 && format->Rmask == 0xFF0000u && format->Gmask == 0xFF00u && format->Bmask == 0xFFu;
    if (!sameLayout) {
        // Other layouts are converted from a copy in plain memory.
        std::memcpy(m_pixels.data(), frame, m_pixels.size() * sizeof(DWORD));
        frame = m_pixels.data();
    }
    SDL_LockSurface(surface);
    for (int y = 0; y < height; ++y) {
        const DWORD* source = frame + static_cast<std::size_t>(y) * stride;
        BYTE* dest = static_cast<BYTE*>(surface->pixels) + static_cast<std::size_t>(y) * surface->pitch;
        if (sameLayout) {
            std::memcpy(dest, source, static_cast<std::size_t>(width) * 4);
        } else {
            SDL_ConvertPixels(width, 1, SDL_PIXELFORMAT_ARGB8888, source, static_cast<int>(stride) * 4, format->format,
                              dest, surface->pitch);
        }
    }
    SDL_UnlockSurface(surface);
    m_readback.Unmap(m_cache);
    SDL_UpdateWindowSurface(window);
}

void GlBackend::Pace() {
    // A cap below the display's rate is kept by waiting here, also on top of
    // a swap that already waits for the display.
    const bool capped = g_uFrameRateCap != 0 && g_uFrameRateCap < m_uRefreshRate;
    if (!capped && (!m_bPacing || m_bSwapIntervalPaces)) {
        return;
    }
    const ULONGLONG frequency = SDL_GetPerformanceFrequency();
    const ULONGLONG period = FramePeriod(frequency, m_uRefreshRate, g_uFrameRateCap);
    const ULONGLONG now = SDL_GetPerformanceCounter();
    if (m_ullNextFrame == 0 || now > m_ullNextFrame + period) {
        m_ullNextFrame = now + period;  // first frame, or fell behind: start over
        return;
    }
    if (now < m_ullNextFrame) {
        SDL_Delay(static_cast<Uint32>((m_ullNextFrame - now) * 1000 / frequency));
    }
    m_ullNextFrame += period;
}

HRESULT GlBackend::Present(const RECT* /*sourceRect*/, const RECT* /*destRect*/, HWND /*destWindowOverride*/) {
    if (m_bLost) {
        return D3DERR_DEVICELOST;
    }
    if (!MakeCurrent()) {
        return D3DERR_DRIVERINTERNALERROR;
    }
    ResolveToFront();
    if (win::GetGlContext(m_hWindow) != nullptr) {
        ShowOnWindowContext();
        FollowWindowScale();
        Pace();
    } else if (win::GetSdlWindow(m_hWindow) != nullptr) {
        ShowOnWindowSurface();
        Pace();
    }
    return D3D_OK;
}

HRESULT GlBackend::ReadFrontBuffer(UINT width, UINT height, BYTE* bits, UINT pitch) {
    if (bits == nullptr || !MakeCurrent()) {
        return D3DERR_INVALIDCALL;
    }
    ReadFront(m_pixels);
    // The program sees its own units: one device pixel of each scale x scale block.
    const UINT scale = static_cast<UINT>(m_iScale);
    const UINT rows = std::min(height, m_uHeight);
    const UINT columns = std::min(width, m_uWidth);
    for (UINT y = 0; y < rows; ++y) {
        const DWORD* source = m_pixels.data() + static_cast<std::size_t>(y) * scale * m_uTargetWidth;
        auto* dest = reinterpret_cast<DWORD*>(bits + static_cast<std::size_t>(y) * pitch);
        for (UINT x = 0; x < columns; ++x) {
            dest[x] = source[x * scale] | 0xFF000000u;  // the front buffer shows no alpha
        }
    }
    return D3D_OK;
}

HRESULT GlBackend::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface& image) {
    if (image.Bits() == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return D3D_OK;  // nothing to show a cursor on
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<BYTE*>(image.Bits()), static_cast<int>(image.Width()), static_cast<int>(image.Height()), 32,
        static_cast<int>(image.Pitch()), SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, static_cast<int>(xHotSpot), static_cast<int>(yHotSpot));
    SDL_FreeSurface(surface);
    if (cursor == nullptr) {
        // The display has no colour cursors (off-screen drivers): the system
        // pointer stays, as it would for a device without cursor support.
        return D3D_OK;
    }
    if (m_bCursorShown) {
        SDL_SetCursor(cursor);
    }
    if (m_pCursor != nullptr) {
        SDL_FreeCursor(m_pCursor);
    }
    m_pCursor = cursor;
    return D3D_OK;
}

void GlBackend::SetCursorPosition(int x, int y, DWORD /*flags*/) {
    SDL_Window* window = win::GetSdlWindow(m_hWindow);
    if (window == nullptr || (SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) == 0) {
        return;
    }
    // The position is in the program's units. SDL's window coordinates are
    // device pixels where the drawable is the window's size (X11), else
    // (Wayland) the program's units too.
    int windowWidth = 0;
    int drawableWidth = 0;
    SDL_GetWindowSize(window, &windowWidth, nullptr);
    SDL_GL_GetDrawableSize(window, &drawableWidth, nullptr);
    const int perUnit = drawableWidth > windowWidth ? 1 : m_iScale;
    x *= perUnit;
    y *= perUnit;
    // Windowed, the position is on the desktop; full screen, on the back buffer.
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) == 0) {
        int windowX = 0;
        int windowY = 0;
        SDL_GetWindowPosition(window, &windowX, &windowY);
        x -= windowX;
        y -= windowY;
    }
    int currentX = 0;
    int currentY = 0;
    SDL_GetMouseState(&currentX, &currentY);
    // The system cursor already follows the pointer; move it only when told
    // to go somewhere else.
    if (currentX != x || currentY != y) {
        SDL_WarpMouseInWindow(window, x, y);
    }
}

void GlBackend::ShowCursor(bool show) {
    m_bCursorShown = show;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    if (show && m_pCursor != nullptr) {
        SDL_SetCursor(m_pCursor);
    }
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}
