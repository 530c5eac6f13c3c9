#pragma once

// Every numeric id the program uses for its commands, controls and resources. Menu items and
// toolbar buttons carry these command ids; the main dialog's command hook and command table
// route by them.

namespace hl {

// Dialog result codes and the standard push buttons of a dialog.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
// A static control without an id of its own.
inline constexpr int IDC_STATIC = -1;

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_PORTS_DIALOG = 102;
inline constexpr int IDD_SETTINGS = 142;

// Icons.
inline constexpr int IDR_MAINFRAME = 128; // the program
inline constexpr int IDI_JUNCTION2 = 138; // a network junction with cables (same as 139)
inline constexpr int IDI_JUNCTION = 139;  // a network junction with cables
inline constexpr int IDI_COMPUTERS = 140; // three computers joined at a hub

// Menus.
inline constexpr int IDR_MAIN_MENU = 131;
inline constexpr int IDR_TRAY_MENU = 137;
inline constexpr int IDR_LIST_POPUP = 141;

// Toolbar and its bitmaps.
inline constexpr int IDB_TOOLBAR_NORMAL = 132;
inline constexpr int IDB_TOOLBAR_HOT = 133;
inline constexpr int IDR_TOOLBAR = 134;

// Controls of the main dialog.
inline constexpr int IDC_PORT_LIST = 1000;
inline constexpr int IDC_SEPARATOR = 1005;
inline constexpr int IDC_STATUS_BAR = 10350;
inline constexpr int AFX_IDW_TOOLBAR = 0xE800;

// Controls of the About box.
inline constexpr int IDC_WEB_LINK = 1001;

// Controls of the Settings dialog.
inline constexpr int IDC_SHOW_TCP = 1012;
inline constexpr int IDC_SHOW_UDP = 1013;
inline constexpr int IDC_AUTO_REFRESH = 1014;
inline constexpr int IDC_SPEED_SLIDER = 1015;

// Commands.
inline constexpr int ID_FILE_EXIT = 32774;
inline constexpr int ID_HELP_ABOUT = 32777;
inline constexpr int ID_HELP_CONTENTS = 32779;
inline constexpr int ID_ACTION_REFRESH_NOW = 32780;
inline constexpr int ID_TRAY_EXIT = 32781;
inline constexpr int ID_TRAY_REFRESH = 32782;
inline constexpr int ID_TRAY_SHOW = 32783;
inline constexpr int ID_POPUP_REFRESH_LIST = 32784;
inline constexpr int ID_TOOLS_SETTINGS = 32785;
inline constexpr int ID_ACTION_START_MONITORING = 32788;
inline constexpr int ID_ACTION_STOP_MONITORING = 32789;
inline constexpr int ID_POPUP_CLOSE_CONNECTION = 32791;
inline constexpr int ID_FILE_EXPORT = 32792;
inline constexpr int ID_ACTION_CLOSE_CONNECTION = 32793;

// The system-menu command that minimises a window.
inline constexpr unsigned SC_MINIMIZE = 0xF020;

// The notification-area icon of the main dialog.
inline constexpr unsigned kTrayIconId = 1;
inline constexpr unsigned kTrayCallbackMessage = 0x0400 + 1; // WM_USER + 1

// The monitoring timer of the main dialog.
inline constexpr unsigned kMonitorTimerId = 1;

} // namespace hl
