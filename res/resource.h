// Identifiers shared by the resource script and the code.
#pragma once

// Controls of the main dialog, in template order.
#define IDC_HOURS 1000
#define IDC_MINUTES 1001
#define IDC_SECONDS 1002
#define IDC_TIME_LIST 1003
#define IDC_START 1004
#define IDC_PAUSE 1005
#define IDC_STOP 1006
#define IDC_SIGNAL_LIST 1007
#define IDC_SPIN_HOURS 1008
#define IDC_SPIN_MINUTES 1009
#define IDC_SPIN_SECONDS 1010
#define IDC_BACKGROUND 1011
#define IDC_GROUP_SIGNAL 1012
#define IDC_GROUP_CONTROL 1013
#define IDC_GROUP_SET_TIME 1014
#define IDC_GROUP_SELECT_TIME 1015

// Menu commands.
#define ID_START 40014
#define ID_PAUSE 40015
#define ID_STOP 40016
#define ID_DISPLAY_WINDOW 40018
#define ID_ABOUT 40020
#define ID_EXIT 40021
#define ID_TRAY_TIME 40023
#define ID_RESET_TIMER 40024
#define ID_LOAD_CONFIG 40025
#define ID_SAVE_CONFIG 40026

// Menus and the background picture, loaded by number.
#define IDR_TRAY_MENU 109
#define IDB_BACKGROUND 111
#define IDR_CONTEXT_MENU 113

// The one countdown timer and the notification-area callback (WM_USER + 1).
#define TIMER_ID 1
#define WM_TRAYNOTIFY 0x0401
// Posted to itself to hide a window that another program minimised (WM_APP + 1).
#define WM_HIDE_MINIMISED 0x8001

// The hidden labels that name the time fields for screen readers have no identifier.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
