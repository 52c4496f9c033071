// Resource identifiers of Tinker.rc.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDD_TINKER_DIALOG 102
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 0x0010

#define IDC_SERVICE_NAME 1000
#define IDC_DRIVER_FILE 1002
#define IDC_START_TYPE 1003
#define IDC_SERVICE_TYPE 1004
#define IDC_IOCTL_CODE 1005
#define IDC_START 1007
#define IDC_INSTALL 1008
#define IDC_BROWSE 1009
#define IDC_STOP 1010
#define IDC_IOCTRL 1011
#define IDC_EXIT 1012
#define IDC_LOG 1016
#define IDC_HELP_TEXT 1022
