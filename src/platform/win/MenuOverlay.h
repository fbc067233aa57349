// The window's menu bar, its popup menus and the context popup, drawn with
// Dear ImGui over the picture in the window's GL context. Menu choices are
// posted to the window as WM_COMMAND; a menu opening and closing posts
// WM_ENTERMENULOOP and WM_EXITMENULOOP.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win/WinUser.h"

union SDL_Event;
struct ImGuiContext;
struct ImFont;

class MenuOverlay {
public:
    // The window's GL context must be current.
    explicit MenuOverlay(HWND window);
    ~MenuOverlay();
    MenuOverlay(const MenuOverlay&) = delete;
    MenuOverlay& operator=(const MenuOverlay&) = delete;

    void ProcessEvent(const SDL_Event& event);

    // One overlay frame into framebuffer 0 of the current (the window's)
    // context. A non-zero texture is first drawn over the client area.
    void DrawFrame(unsigned int pictureTexture);

    // Shows 32-bit pixels (0x00RRGGBB rows, top-down) in the client area
    // with the menus over them, and swaps.
    void PresentPicture(const std::uint32_t* pixels, int width, int height);

    // Copies the popup's items (the caller may destroy the menu at once) and
    // opens it at the next frame at a position in logical window coordinates.
    void OpenPopup(HMENU menu, int x, int y);

    // Open, or asked to open at the next frame.
    bool IsMenuOpen() const { return m_bMenuOpen || m_bPopupRequested; }
    // Open on screen: it has the keyboard.
    bool HasKeyboard() const { return m_bMenuOpen; }
    bool FindEntryRect(UINT entry, RECT* rect) const;

private:
    struct PopupEntry {
        UINT m_uId = 0;
        bool m_bSeparator = false;
        char m_szLabel[64] = {};
        char m_szShortcut[16] = {};
    };
    struct EntryRect {
        UINT m_uEntry = 0;
        RECT m_rect{};
    };
    static constexpr int kMaxPopupEntries = 16;
    static constexpr int kMaxEntryRects = 32;

    // Fonts rasterised at `scale` times their size and a style scaled as
    // much, so the menus are drawn in device pixels and stay sharp.
    void BuildFonts(int scale);
    RECT LogicalRect(float left, float top, float right, float bottom) const;
    void DrawMenuBar(HMENU menu);
    void DrawMenuItems(HMENU menu);
    void DrawPopup();
    void ChooseCommand(UINT id);
    void NoteEntryRect(UINT entry);
    void PostTransitions(bool open);

    HWND m_hWindow;
    ImGuiContext* m_pContext = nullptr;
    // Device pixels per logical unit the fonts and style were built for.
    int m_iScale = 0;
    // The open modal dialog of the window is drawn with it.
    ImFont* m_pDialogFont = nullptr;
    bool m_bDialogShown = false;
    bool m_bMenuOpen = false;
    bool m_bPopupRequested = false;
    bool m_bPopupActive = false;
    bool m_bCloseRequested = false;
    float m_fPopupX = 0.0f;
    float m_fPopupY = 0.0f;
    std::array<PopupEntry, kMaxPopupEntries> m_popupEntries;
    int m_nPopupEntries = 0;
    UINT m_uChosenCommand = 0;
    std::array<EntryRect, kMaxEntryRects> m_entryRects;
    int m_nEntryRects = 0;
};
