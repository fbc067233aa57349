// Draws the open modal dialog of a window with Dear ImGui, in the window
// overlay's frame: caption, group boxes, texts, drop-down lists, radio and
// push buttons at their resource positions, disabled controls greyed and
// deaf. A user's choice reaches the controls after the dialog is drawn.
#pragma once

struct ImFont;
struct ImFontAtlas;
class ModalDialog;

class DialogView {
public:
    // Adds the dialog font (the face that stands for the 8-point dialog
    // font) rasterised at `scale` times its size to the atlas; null when no
    // face was found.
    static ImFont* AddFont(ImFontAtlas* atlas, int scale);
    // One frame of the dialog centred in the client area below `menuStrip`
    // logical units, drawn at `scale` device pixels per unit; its layout
    // and the origin it records stay logical. Needs a current ImGui frame.
    static void Draw(ModalDialog& dialog, ImFont* font, int menuStrip, int scale);
};
