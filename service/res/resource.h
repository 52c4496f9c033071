// Resource numbers of Lookout.exe, shared with the tests that read its windows.
#pragma once

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_TRAYWINDOW 102
#define IDD_LOGIN_PAGE 129
#define IDD_CAMERA_LOGIN 130
#define IDD_USE_PROMPT 133
#define IDD_LOAD_PAGE 134
#define IDD_BIND_PAGE 135
#define IDD_EXPERIENCE_PAGE 136
#define IDD_CHECK_USER 137
#define IDD_MESSAGEBOX 143
#define IDD_REGISTER_PAGE 145

// Menus
#define IDR_TRAY_MENU 129

// Strings
#define IDS_SERVICENAME 100
#define IDS_ABOUTBOX 101
#define IDS_MESSAGE_CAPTION 140
#define IDS_YES 180
#define IDS_NO 181
#define IDS_PRODUCT_NAME 200

// Icons
#define IDI_LOOKOUT 128

// Controls
#define IDC_MSG_ICON 1001
#define IDC_MSG_TEXT 1002
// login page
#define IDC_NUMBER 1006
#define IDC_PASSWORD 1007
#define IDC_REGISTER_LINK 1009
#define IDC_FORGOT_LINK 1010
#define IDC_LOGIN_BUTTON 1012
// registration page
#define IDC_REG_NUMBER 1006
#define IDC_REG_CODE 1007
#define IDC_REG_PASSWORD 1008
#define IDC_REG_PASSWORD2 1009
#define IDC_LOGIN_LINK 1011
#define IDC_GETCODE_BUTTON 1013
#define IDC_REGISTER_BUTTON 1014
#define IDC_COUNTDOWN 1015
// bind page
#define IDC_BIND_BUTTON 1016
#define IDC_REFRESH_BUTTON 1017
#define IDC_DEVICE_LIST 1020
#define IDC_BIND_HINT 1021
// experience page
#define IDC_ENTRY_LINK 1022
#define IDC_WAIT_TEXT 1023
// every page
#define IDC_PAGE_CLOSE 1025
#define IDC_LOAD_RESULT 1026
#define IDC_VERSION 1030
// CDlgLogin
#define IDC_CAM_USER 1031
#define IDC_CAM_PASSWORD 1032
// check dialog
#define IDC_CHECK_USER 1034
#define IDC_CHECK_PASSWORD 1035
// camera-in-use prompt
#define IDC_PROMPT_EXIT 1036
#define IDC_PROMPT_YES 1037
#define IDC_PROMPT_NO 1038
#define IDC_PROMPT_NAME 1039
// About box
#define IDC_ABOUT_TEXT 1040

// Tray menu commands
#define ID_TRAY_INTRODUCTION 32784
#define ID_TRAY_START 32780
#define ID_TRAY_STOP 32781
#define ID_TRAY_PLATFORM 32782
#define ID_TRAY_ABOUT 57664
#define ID_TRAY_EXIT 32779

// System-menu command of the About item (the system menu's ids 16 to 31 open the box)
#define IDM_ABOUTBOX 16
