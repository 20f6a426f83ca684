// Resource ids of the application shell: main dialog, About box, artwork.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VANTOUTILITY_DIALOG 102
#define IDD_BASE_DIALOG 142

// Artwork.
#define IDR_MAINFRAME 128
#define IDB_MODEL_BANNER 129
#define IDB_CONNECTED 130
#define IDB_NOT_CONNECTED 131
#define IDB_LOGO 132
#define IDB_LOGO_TEMPLATE 135
#define IDB_MODEL_BANNER_TX3X0 141

// System-menu command of the About box.
#define IDM_ABOUTBOX 0x0010

// Controls of the main dialog.
#define IDC_BUTTON_APPLY_ALL 1001
#define IDC_BUTTON_DEFAULT_ALL 1002
#define IDC_TAB_MAIN 1006
#define IDC_PICTURE_MODEL 1046
#define IDC_PICTURE_LOGO 1047
#define IDC_BUTTON_ABOUT 1095

// Controls of the About box.
#define IDC_ABOUT_COPYRIGHT 1179
#define IDC_ABOUT_PRODUCT 1180
#define IDC_ABOUT_VERSION 1181
#define IDC_ABOUT_DEVICE 1225

// Strings.
#define IDS_MAIN_CLOSE 301
#define IDS_MAIN_CANCEL 302
#define IDS_MAIN_APPLY_ALL 303
#define IDS_MAIN_DEFAULT_ALL 304
#define IDS_MAIN_DEVICE_TAB 305
#define IDS_ABOUT_COPYRIGHT 385
#define IDS_ABOUT_PRODUCT 386
#define IDS_MAIN_ABOUT 432
#define IDS_ABOUT_DEVICE 433
