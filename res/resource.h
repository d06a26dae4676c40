// Identifiers shared by the resource script and the code.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_KORVANE_DIALOG 102
#define IDD_BLANK 136

// Strings. IDS_LEGAL_NOTICE shares its number with IDD_KORVANE_DIALOG; the
// resource types differ, so they never meet.
#define IDS_ABOUTBOX 101
#define IDS_LEGAL_NOTICE 102
#define IDS_LEGAL_NOTICE_SHORT 103

// Icon groups: the application icon and the tray menu's item icons.
#define IDR_MAINFRAME 130
#define IDI_MENU_CHECK_RED 131
#define IDI_MENU_CHECK_BLACK 132
#define IDI_MENU_ABOUT 133
#define IDI_MENU_EXIT 134

// Controls of the main dialog.
#define IDC_RADIO_OVERCLOCK 1000
#define IDC_RADIO_DOWNCLOCK 1001

// Controls of the About box.
#define IDC_LEGAL_NOTICE 1001
#define IDC_VERSION_TEXT 1002

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
