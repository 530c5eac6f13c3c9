#pragma once

#include <span>

namespace hl {

// A rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

enum class ControlKind {
    ListView,   // report-style list
    EtchedLine, // static with an etched horizontal line
    Static,     // static text
    Icon,       // static showing an icon resource (text holds no text)
    PushButton,
    DefPushButton, // the default push button
    GroupBox,
    CheckBox, // automatic check box
    Trackbar,
};

struct DialogControl {
    int id;
    ControlKind kind;
    const char* text;
    DialogRect rect;
    bool tabStop = false;
    int iconId = 0; // ControlKind::Icon only
};

struct DialogTemplate {
    int id;
    const char* caption;
    int menuId;                              // 0: no menu
    DialogRect rect;                         // client size in cx, cy
    bool resizable;                          // a thick frame with minimise and maximise boxes
    std::span<const DialogControl> controls; // in template (tab) order
};

// The dialog template with this id, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);
// The control of a template with this id, or nullptr.
const DialogControl* FindControl(const DialogTemplate& dialog, int controlId);

} // namespace hl
