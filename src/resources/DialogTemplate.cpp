#include "resources/DialogTemplate.h"

#include "resources/ResourceIds.h"
#include "resources/Strings.h"

#include <array>

namespace hl {
namespace {

constexpr std::array kPortsDialogControls{
    DialogControl{IDC_PORT_LIST, ControlKind::ListView, "List1", {5, 37, 317, 183}, true},
    DialogControl{IDC_SEPARATOR, ControlKind::EtchedLine, "", {0, 31, 328, 1}},
};

constexpr std::array kAboutControls{
    DialogControl{IDC_STATIC, ControlKind::Icon, "", {7, 5, 20, 20}, false, IDR_MAINFRAME},
    DialogControl{
        IDC_STATIC, ControlKind::Static, "Harborlight Scanner Version 1.1", {40, 8, 115, 8}},
    DialogControl{IDC_STATIC, ControlKind::Static, kMakerName, {40, 19, 119, 8}},
    DialogControl{IDOK, ControlKind::DefPushButton, "OK", {168, 5, 50, 14}, true},
    DialogControl{IDC_WEB_LINK, ControlKind::Static, kMakerWebAddress, {39, 41, 114, 8}},
    DialogControl{IDC_STATIC, ControlKind::Static, kPublicationLine, {39, 30, 119, 8}},
};

constexpr std::array kSettingsControls{
    DialogControl{IDOK, ControlKind::DefPushButton, "OK", {72, 109, 50, 14}, true},
    DialogControl{IDCANCEL, ControlKind::PushButton, "Cancel", {139, 109, 50, 14}, true},
    DialogControl{IDC_STATIC, ControlKind::GroupBox, "Filter", {7, 3, 245, 44}},
    DialogControl{
        IDC_SHOW_TCP, ControlKind::CheckBox, "Display all TCP connections", {18, 17, 193, 8}, true},
    DialogControl{
        IDC_SHOW_UDP, ControlKind::CheckBox, "Display all UDP connections", {18, 31, 193, 8}, true},
    DialogControl{IDC_STATIC, ControlKind::GroupBox, "Automatic Refresh", {7, 54, 245, 47}},
    DialogControl{IDC_AUTO_REFRESH,
                  ControlKind::CheckBox,
                  "Automatically refresh connection list and ports",
                  {17, 68, 164, 9},
                  true},
    DialogControl{IDC_STATIC, ControlKind::Static, "Refresh Slower", {18, 85, 50, 8}},
    DialogControl{IDC_SPEED_SLIDER, ControlKind::Trackbar, "Slider1", {73, 85, 113, 10}, true},
    DialogControl{IDC_STATIC, ControlKind::Static, "Refresh Faster", {195, 84, 50, 8}},
};

constexpr std::array kDialogs{
    DialogTemplate{IDD_PORTS_DIALOG,
                   "Harborlight Scanner",
                   IDR_MAIN_MENU,
                   {0, 0, 328, 238},
                   true,
                   kPortsDialogControls},
    DialogTemplate{
        IDD_ABOUTBOX, "About Harborlight Scanner", 0, {0, 0, 225, 58}, false, kAboutControls},
    DialogTemplate{IDD_SETTINGS, "Settings", 0, {0, 0, 259, 130}, false, kSettingsControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialog : kDialogs) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}

const DialogControl* FindControl(const DialogTemplate& dialog, int controlId) {
    for (const DialogControl& control : dialog.controls) {
        if (control.id == controlId) {
            return &control;
        }
    }
    return nullptr;
}

} // namespace hl
