// Resource numbers of Lookout.exe, shared with the tests that read its windows.
#pragma once

// Dialogs
#define IDD_ABOUTBOX 100
#define IDD_TRAYWINDOW 102
#define IDD_MESSAGEBOX 143

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
#define IDC_TRAY_VERSION 1030
#define IDC_ABOUT_TEXT 1040

// System-menu command of the About item (the system menu's ids 16 to 31 open the box)
#define IDM_ABOUTBOX 16
