#include "platform/win/MenuOverlay.h"

#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>
#include <imgui_internal.h>

#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/win/CursorState.h"
#include "platform/win/DialogView.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/FontLocator.h"
#include "platform/win/GlWindow.h"
#include "platform/win/Menu.h"
#include "platform/win/ModalDialog.h"
#include "platform/win/WindowLayer.h"
#include "platform/win/WindowObject.h"
#include "platform/win/WindowRegistry.h"

namespace {
constexpr float kMenuFontPixels = 14.0f;
constexpr const char* kPopupName = "##popupmenu";
win_hooks::OverlayMouseFn g_pOverlayMouse = nullptr;

// Makes the overlay's ImGui context current for a scope.
class ContextScope {
public:
    explicit ContextScope(ImGuiContext* context) : m_pPrevious(ImGui::GetCurrentContext()) {
        ImGui::SetCurrentContext(context);
    }
    ~ContextScope() { ImGui::SetCurrentContext(m_pPrevious); }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

private:
    ImGuiContext* m_pPrevious;
};
}  // namespace

namespace win_hooks {
void SetOverlayMouse(OverlayMouseFn fn) {
    g_pOverlayMouse = fn;
}

bool GetMenuEntryRect(HWND window, UINT entry, RECT* rect) {
    if (!IsWindow(window) || !window->m_pOverlay || rect == nullptr) {
        return false;
    }
    return window->m_pOverlay->FindEntryRect(entry, rect);
}
}  // namespace win_hooks

namespace win {
void DrawWindowOverlay(HWND window) {
    if (!IsWindow(window) || !window->m_pOverlay || !MakeGlWindowCurrent(window)) {
        return;
    }
    window->m_pOverlay->DrawFrame(0);
}

void DrawCurrentWindowOverlay(void* /*unused*/) {
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    if (current == nullptr) {
        return;
    }
    for (HWND window : WindowRegistry::Instance().Windows()) {
        if (window->m_pGlContext == current && window->m_pOverlay) {
            window->m_pOverlay->DrawFrame(0);
            return;
        }
    }
}

bool IsMenuOpen(HWND window) {
    return IsWindow(window) && window->m_pOverlay && window->m_pOverlay->IsMenuOpen();
}
}  // namespace win

MenuOverlay::MenuOverlay(HWND window) : m_hWindow(window) {
    ImGuiContext* previous = ImGui::GetCurrentContext();
    m_pContext = ImGui::CreateContext();
    ImGui::SetCurrentContext(m_pContext);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    // The program owns the cursor shape (hidden in full screen).
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
    BuildFonts(win::WindowScale(window));
    ImGui_ImplSDL2_InitForOpenGL(window->m_pSdlWindow, window->m_pGlContext);
    ImGui_ImplOpenGL3_Init("#version 330 core");
    ImGui::SetCurrentContext(previous);
}

void MenuOverlay::BuildFonts(int scale) {
    ImGuiIO& io = ImGui::GetIO();
    if (m_iScale != 0) {
        // The font texture goes with the old atlas; the next frame makes another.
        ImGui_ImplOpenGL3_DestroyDeviceObjects();
    }
    m_iScale = scale;
    io.Fonts->Clear();
    std::string file;
    int faceIndex = 0;
    ImFont* font = nullptr;
    float fontPixels = kMenuFontPixels;
    if (FontLocator::Find("sans-serif", false, false, &file, &faceIndex)) {
        ImFontConfig config;
        config.FontNo = faceIndex;
        font = io.Fonts->AddFontFromFileTTF(file.c_str(), kMenuFontPixels * static_cast<float>(scale), &config);
    }
    if (font == nullptr) {
        fontPixels = 13.0f;
        ImFontConfig config;
        config.SizePixels = fontPixels * static_cast<float>(scale);
        io.Fonts->AddFontDefault(&config);
    }
    m_pDialogFont = DialogView::AddFont(io.Fonts, scale);
    ImGuiStyle style;
    ImGui::StyleColorsLight(&style);
    style.DisplaySafeAreaPadding = ImVec2(0.0f, 0.0f);
    style.WindowRounding = 0.0f;
    style.PopupRounding = 0.0f;
    style.ScaleAllSizes(static_cast<float>(scale));
    // The menu bar fills the strip above the client area exactly; after the
    // scaling, which rounds sizes down to whole pixels. (The font's own size
    // is known only once the atlas is built.)
    style.FramePadding.y = (static_cast<float>(win::kMenuStripHeight) - fontPixels) * 0.5f * static_cast<float>(scale);
    ImGui::GetStyle() = style;
}

RECT MenuOverlay::LogicalRect(float left, float top, float right, float bottom) const {
    const float scale = static_cast<float>(m_iScale);
    return RECT{static_cast<LONG>(left / scale), static_cast<LONG>(top / scale), static_cast<LONG>(right / scale),
                static_cast<LONG>(bottom / scale)};
}

MenuOverlay::~MenuOverlay() {
    win::MakeGlWindowCurrent(m_hWindow);
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(m_pContext);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(m_pContext);
    ImGui::SetCurrentContext(previous == m_pContext ? nullptr : previous);
}

void MenuOverlay::ProcessEvent(const SDL_Event& event) {
    ContextScope scope(m_pContext);
    ImGui_ImplSDL2_ProcessEvent(&event);
    if (HasKeyboard() && event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
        m_bCloseRequested = true;
    }
}

void MenuOverlay::OpenPopup(HMENU menu, int x, int y) {
    m_nPopupEntries = 0;
    for (const MenuItem& item : menu->m_items) {
        if (m_nPopupEntries == kMaxPopupEntries) {
            break;
        }
        if (item.m_uFlags == MF_POPUP) {
            continue;
        }
        PopupEntry& entry = m_popupEntries[static_cast<std::size_t>(m_nPopupEntries++)];
        entry.m_uId = item.m_uId;
        entry.m_bSeparator = item.m_uFlags == MF_SEPARATOR;
        SplitMenuText(item.m_strText.c_str(), entry.m_szLabel, sizeof(entry.m_szLabel), entry.m_szShortcut,
                      sizeof(entry.m_szShortcut));
    }
    m_fPopupX = static_cast<float>(x);
    m_fPopupY = static_cast<float>(y);
    m_bPopupRequested = true;
}

bool MenuOverlay::FindEntryRect(UINT entry, RECT* rect) const {
    for (int i = 0; i < m_nEntryRects; ++i) {
        if (m_entryRects[static_cast<std::size_t>(i)].m_uEntry == entry) {
            *rect = m_entryRects[static_cast<std::size_t>(i)].m_rect;
            return true;
        }
    }
    return false;
}

void MenuOverlay::NoteEntryRect(UINT entry) {
    if (m_nEntryRects == kMaxEntryRects) {
        return;
    }
    ImVec2 min = ImGui::GetItemRectMin();
    ImVec2 max = ImGui::GetItemRectMax();
    EntryRect& record = m_entryRects[static_cast<std::size_t>(m_nEntryRects++)];
    record.m_uEntry = entry;
    record.m_rect = LogicalRect(min.x, min.y, max.x, max.y);
}

void MenuOverlay::ChooseCommand(UINT id) {
    m_uChosenCommand = id;
}

void MenuOverlay::DrawMenuItems(HMENU menu) {
    if (m_bCloseRequested) {
        ImGui::CloseCurrentPopup();
    }
    char label[80];
    char shortcut[16];
    for (const MenuItem& item : menu->m_items) {
        if (item.m_uFlags == MF_SEPARATOR) {
            ImGui::Separator();
            continue;
        }
        SplitMenuText(item.m_strText.c_str(), label, 64, shortcut, sizeof(shortcut));
        std::snprintf(label + std::char_traits<char>::length(label), 16, "##%u", item.m_uId);
        if (ImGui::MenuItem(label, shortcut[0] != '\0' ? shortcut : nullptr)) {
            ChooseCommand(item.m_uId);
        }
        NoteEntryRect(item.m_uId);
    }
}

void MenuOverlay::DrawMenuBar(HMENU menu) {
    // A window exactly the size of the strip whose menu bar fills it.
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(
        ImVec2(ImGui::GetIO().DisplaySize.x, static_cast<float>(win::kMenuStripHeight * m_iScale)));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0.0f);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowMinSize, ImVec2(0.0f, 0.0f));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                                   ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoSavedSettings |
                                   ImGuiWindowFlags_MenuBar | ImGuiWindowFlags_NoBringToFrontOnFocus;
    bool visible = ImGui::Begin("##menubar", nullptr, flags);
    ImGui::PopStyleVar(3);
    if (visible && ImGui::BeginMenuBar()) {
        if (m_nEntryRects < kMaxEntryRects) {
            ImVec2 pos = ImGui::GetWindowPos();
            ImVec2 size = ImGui::GetWindowSize();
            EntryRect& bar = m_entryRects[static_cast<std::size_t>(m_nEntryRects++)];
            bar.m_uEntry = win_hooks::kMenuBar;
            bar.m_rect = LogicalRect(pos.x, pos.y, pos.x + size.x, pos.y + size.y);
        }
        char label[80];
        char shortcut[16];
        UINT position = 0;
        for (const MenuItem& item : menu->m_items) {
            if (item.m_uFlags == MF_POPUP && item.m_pSubMenu) {
                SplitMenuText(item.m_strText.c_str(), label, 64, shortcut, sizeof(shortcut));
                std::snprintf(label + std::char_traits<char>::length(label), 16, "##bar%u", position);
                bool open = ImGui::BeginMenu(label);
                NoteEntryRect(win_hooks::kMenuBarTitle + position);
                if (open) {
                    DrawMenuItems(item.m_pSubMenu.get());
                    ImGui::EndMenu();
                }
            }
            ++position;
        }
        ImGui::EndMenuBar();
    }
    ImGui::End();
}

void MenuOverlay::DrawPopup() {
    if (m_bPopupRequested) {
        ImGui::OpenPopup(kPopupName);
        m_bPopupRequested = false;
        const float scale = static_cast<float>(m_iScale);
        ImGui::SetNextWindowPos(ImVec2(m_fPopupX * scale, m_fPopupY * scale));
    }
    if (!ImGui::BeginPopup(kPopupName)) {
        return;
    }
    if (m_bCloseRequested) {
        ImGui::CloseCurrentPopup();
    }
    for (int i = 0; i < m_nPopupEntries; ++i) {
        const PopupEntry& entry = m_popupEntries[static_cast<std::size_t>(i)];
        if (entry.m_bSeparator) {
            ImGui::Separator();
            continue;
        }
        ImGui::PushID(i);
        if (ImGui::MenuItem(entry.m_szLabel, entry.m_szShortcut[0] != '\0' ? entry.m_szShortcut : nullptr)) {
            ChooseCommand(entry.m_uId);
        }
        ImGui::PopID();
        NoteEntryRect(entry.m_uId);
    }
    ImGui::EndPopup();
}

void MenuOverlay::PostTransitions(bool open) {
    // The menu loop ends before its command arrives, so the program is
    // unpaused again when it handles the command.
    if (open && !m_bMenuOpen) {
        PostMessageA(m_hWindow, WM_ENTERMENULOOP, m_bPopupActive ? TRUE : FALSE, 0);
    } else if (!open && m_bMenuOpen) {
        PostMessageA(m_hWindow, WM_EXITMENULOOP, m_bPopupActive ? TRUE : FALSE, 0);
    }
    m_bMenuOpen = open;
    if (!open) {
        m_bPopupActive = false;
    }
    if (m_uChosenCommand != 0) {
        PostMessageA(m_hWindow, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_uChosenCommand), 0), 0);
        m_uChosenCommand = 0;
    }
}

void MenuOverlay::DrawFrame(unsigned int pictureTexture) {
    ContextScope scope(m_pContext);
    if (win::RefreshWindowScale(m_hWindow)) {
        win::TraceWindowScale(m_hWindow);
    }
    if (win::WindowScale(m_hWindow) != m_iScale) {
        BuildFonts(win::WindowScale(m_hWindow));
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGuiIO& io = ImGui::GetIO();
    if (io.DeltaTime <= 0.0f) {
        io.DeltaTime = 1.0f / 1000.0f;
    }
    // ImGui draws in device pixels, the drawable's, whatever SDL counts in.
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(m_hWindow->m_pSdlWindow, &drawableWidth, &drawableHeight);
    io.DisplaySize = ImVec2(static_cast<float>(drawableWidth), static_cast<float>(drawableHeight));
    io.DisplayFramebufferScale = ImVec2(1.0f, 1.0f);
    const float scale = static_cast<float>(m_iScale);
    if (ImGui::IsMousePosValid(&io.MousePos)) {
        const float pixels = static_cast<float>(win::PixelsPerSdlUnit(m_hWindow));
        io.MousePos = ImVec2(io.MousePos.x * pixels, io.MousePos.y * pixels);
    }
    // The backend lets go of the mouse when ImGui has no button down; the
    // program's capture must survive that.
    if (CursorState::Instance().Capture() == m_hWindow) {
        SDL_CaptureMouse(SDL_TRUE);
    }
    if (g_pOverlayMouse != nullptr) {
        bool down = false;
        g_pOverlayMouse(&io.MousePos.x, &io.MousePos.y, &down);
        io.MousePos = ImVec2(io.MousePos.x * scale, io.MousePos.y * scale);
        io.MouseDown[0] = down;
    }
    ImGui::NewFrame();
    m_nEntryRects = 0;
    int strip = win::MenuStripHeight(m_hWindow);
    if (pictureTexture != 0) {
        ImGui::GetBackgroundDrawList()->AddImage(
            reinterpret_cast<ImTextureID>(static_cast<std::uintptr_t>(pictureTexture)),
            ImVec2(0.0f, static_cast<float>(strip) * scale), ImVec2(io.DisplaySize.x, io.DisplaySize.y));
    }
    // A window under a modal dialog takes no input: its menus are greyed.
    ModalDialog* dialog = ModalDialog::ForOwner(m_hWindow);
    if (m_bDialogShown && dialog == nullptr && ImGui::GetCurrentContext()->OpenPopupStack.Size > 0) {
        // A list the dialog left dropped is no menu of the window.
        ImGui::ClosePopupToLevel(0, false);
    }
    m_bDialogShown = dialog != nullptr;
    if (strip > 0) {
        if (dialog != nullptr) {
            ImGui::BeginDisabled();
        }
        DrawMenuBar(m_hWindow->m_hMenu);
        if (dialog != nullptr) {
            ImGui::EndDisabled();
        }
    }
    if (m_bPopupRequested) {
        m_bPopupActive = true;
    }
    DrawPopup();
    // The dialog's own drop-down lists are not menus.
    bool open = dialog == nullptr && ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel);
    if (dialog != nullptr) {
        DialogView::Draw(*dialog, m_pDialogFont, strip, m_iScale);
    }
    m_bCloseRequested = false;
    ImGui::Render();
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    PostTransitions(open);
}

void MenuOverlay::PresentPicture(const std::uint32_t* pixels, int width, int height) {
    if (!win::MakeGlWindowCurrent(m_hWindow)) {
        return;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // The fourth byte of a DIB pixel is not alpha.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    glBindTexture(GL_TEXTURE_2D, 0);
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(m_hWindow->m_pSdlWindow, &drawableWidth, &drawableHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, drawableWidth, drawableHeight);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawFrame(texture);
    SDL_GL_SwapWindow(m_hWindow->m_pSdlWindow);
    glDeleteTextures(1, &texture);
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS /*params*/) {
    if (!MenuStore::Instance().IsMenu(menu) || !IsWindow(owner) || !owner->m_pOverlay) {
        return FALSE;
    }
    // Screen to window coordinates: the client's origin less the strip.
    POINT origin{0, -win::MenuStripHeight(owner)};
    ClientToScreen(owner, &origin);
    owner->m_pOverlay->OpenPopup(menu, x - origin.x, y - origin.y);
    // The popup runs in the window's frames, not in a loop of its own, so
    // there is no chosen command to return yet.
    return (flags & TPM_RETURNCMD) != 0 ? FALSE : TRUE;
}
