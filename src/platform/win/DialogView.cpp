#include "platform/win/DialogView.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/win/FontLocator.h"
#include "platform/win/Menu.h"
#include "platform/win/ModalDialog.h"

namespace {
// The classic dialog font is 8 points at 96 dpi: 13 pixels from top to bottom.
constexpr float kDialogFontPixels = 13.0f;

struct PendingAction {
    int m_nControl = -1;
    int m_nItem = -1;  // a list choice; -1 for a click
};

void Label(const DialogControl& control, char* label, int size) {
    char shortcut[8];
    SplitMenuText(control.Text(), label, size, shortcut, sizeof(shortcut));
}

void DrawGroupBox(const DialogControl& control, ImVec2 min, ImVec2 max, float unit) {
    char label[64];
    Label(control, label, sizeof(label));
    ImDrawList* list = ImGui::GetWindowDrawList();
    const float half = ImGui::GetFontSize() * 0.5f;
    list->AddRect(ImVec2(min.x, min.y + half), max, ImGui::GetColorU32(ImGuiCol_Border));
    const ImVec2 textSize = ImGui::CalcTextSize(label);
    const ImVec2 textPos(min.x + half, min.y);
    // The caption interrupts the frame line.
    list->AddRectFilled(ImVec2(textPos.x - 2.0f * unit, textPos.y),
                        ImVec2(textPos.x + textSize.x + 2.0f * unit, textPos.y + textSize.y),
                        ImGui::GetColorU32(ImGuiCol_WindowBg));
    list->AddText(textPos, ImGui::GetColorU32(control.IsEnabled() ? ImGuiCol_Text : ImGuiCol_TextDisabled), label);
}

void DrawComboBox(ModalDialog& dialog, const DialogControl& control, int index, float width, PendingAction* action) {
    ImGui::SetNextItemWidth(width);
    const int selection = control.Selection();
    const char* preview = selection >= 0 && selection < control.ItemCount() ? control.ItemText(selection) : "";
    if (ImGui::BeginCombo("##list", preview)) {
        dialog.SetDroppedList(index);
        if (dialog.TakeListCloseRequest()) {
            ImGui::CloseCurrentPopup();
        }
        for (int item = 0; item < control.ItemCount(); ++item) {
            ImGui::PushID(item);
            if (ImGui::Selectable(control.ItemText(item), item == selection)) {
                *action = PendingAction{index, item};
            }
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
}

void Apply(ModalDialog& dialog, const PendingAction& action) {
    if (action.m_nControl < 0) {
        return;
    }
    DialogControl& control = dialog.Control(action.m_nControl);
    dialog.SetFocus(action.m_nControl);
    if (action.m_nItem >= 0) {
        control.UserSelect(action.m_nItem);
    } else {
        control.UserClick();
    }
}
}  // namespace

ImFont* DialogView::AddFont(ImFontAtlas* atlas, int scale) {
    std::string file;
    int faceIndex = 0;
    if (!FontLocator::Find("Arial", false, false, &file, &faceIndex)) {
        return nullptr;
    }
    ImFontConfig config;
    config.FontNo = faceIndex;
    return atlas->AddFontFromFileTTF(file.c_str(), kDialogFontPixels * static_cast<float>(scale), &config);
}

void DialogView::Draw(ModalDialog& dialog, ImFont* font, int menuStrip, int scale) {
    if (font != nullptr) {
        ImGui::PushFont(font);
    }
    // Dialog units come from the font as the platform measures them, in
    // logical units: the font is `scale` times its size.
    const float unit = static_cast<float>(scale);
    const ImVec2 letters = ImGui::CalcTextSize("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    dialog.SetBaseUnits((static_cast<int>(letters.x / unit) / 26 + 1) / 2,
                        static_cast<int>(ImGui::GetFontSize() / unit + 0.5f));

    const ImVec2 display = ImGui::GetIO().DisplaySize;
    const float titleHeight = ImGui::GetFrameHeight();
    const float width = static_cast<float>(dialog.ClientWidth()) * unit;
    const float height = static_cast<float>(dialog.ClientHeight()) * unit + titleHeight;
    const float strip = static_cast<float>(menuStrip) * unit;
    const ImVec2 position(std::max(0.0f, (display.x - width) * 0.5f),
                          std::max(strip, strip + (display.y - strip - height) * 0.5f));
    // On whole logical units, so that the origin recorded is where it is drawn.
    ImGui::SetNextWindowPos(ImVec2(static_cast<float>(static_cast<int>(position.x / unit)) * unit,
                                   static_cast<float>(static_cast<int>(position.y / unit)) * unit));
    ImGui::SetNextWindowSize(ImVec2(width, height));
    // It comes up in front of the menus it disables; those take no clicks
    // while it is open, so it stays there.
    if (!dialog.WasDrawn()) {
        ImGui::SetNextWindowFocus();
    }
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0.0f, 0.0f));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0.0f);
    char title[96];
    std::snprintf(title, sizeof(title), "%s###dialog%u", dialog.Resource().m_szCaption,
                  static_cast<unsigned>(dialog.Resource().m_wId));
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar |
                                   ImGuiWindowFlags_NoScrollWithMouse;
    PendingAction action;
    dialog.SetDroppedList(-1);
    if (ImGui::Begin(title, nullptr, flags)) {
        const ImVec2 origin = ImGui::GetCursorScreenPos();
        dialog.SetOrigin(POINT{static_cast<LONG>(origin.x / unit), static_cast<LONG>(origin.y / unit)});
        // Lists and radio buttons are about 12 units high when closed.
        const float frameHeight = static_cast<float>(dialog.MapRect(RECT{0, 0, 0, 12}).bottom) * unit;
        ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                            ImVec2(4.0f * unit, std::max(unit, (frameHeight - ImGui::GetFontSize()) * 0.5f)));
        for (int i = 0; i < dialog.ControlCount(); ++i) {
            DialogControl& control = dialog.Control(i);
            const RECT r = dialog.ItemRect(control.Item());
            const ImVec2 min(origin.x + static_cast<float>(r.left) * unit, origin.y + static_cast<float>(r.top) * unit);
            const ImVec2 max(origin.x + static_cast<float>(r.right) * unit,
                             origin.y + static_cast<float>(r.bottom) * unit);
            const ImVec2 size(max.x - min.x, max.y - min.y);
            char label[64];
            Label(control, label, sizeof(label));
            ImGui::PushID(i);
            if (!control.IsEnabled()) {
                ImGui::BeginDisabled();
            }
            ImGui::SetCursorScreenPos(min);
            if (control.IsGroupBox()) {
                DrawGroupBox(control, min, max, unit);
            } else if (control.Kind() == DialogItemKind::kStatic) {
                ImGui::TextUnformatted(label);
            } else if (control.Kind() == DialogItemKind::kComboBox) {
                DrawComboBox(dialog, control, i, size.x, &action);
            } else if (control.IsRadio()) {
                if (ImGui::RadioButton(label, control.IsChecked())) {
                    action = PendingAction{i, -1};
                }
            } else if (ImGui::Button(label, size)) {
                action = PendingAction{i, -1};
            }
            if (i == dialog.Focus() && control.IsEnabled()) {
                ImGui::GetWindowDrawList()->AddRect(
                    ImVec2(min.x - unit, min.y - unit),
                    ImVec2(ImGui::GetItemRectMax().x + unit, ImGui::GetItemRectMax().y + unit),
                    ImGui::GetColorU32(ImGuiCol_NavHighlight));
            }
            if (!control.IsEnabled()) {
                ImGui::EndDisabled();
            }
            ImGui::PopID();
        }
        ImGui::PopStyleVar();
    }
    ImGui::End();
    ImGui::PopStyleVar(2);
    if (font != nullptr) {
        ImGui::PopFont();
    }

    // The procedure may refill the lists it was drawn from, so it hears of
    // the choice only now.
    Apply(dialog, action);
}
