#include "app/main_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <initializer_list>

#include "app/about.h"
#include "app/app_state.h"
#include "app/dialog_visibility.h"
#include "app/shutdown.h"
#include "countdown/clock_fields.h"
#include "countdown/run_control.h"
#include "errors/error_report.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "tray/popup_menus.h"
#include "tray/tray_icon.h"

namespace {

// System commands are compared whole, so that a double click on the caption
// (SC_MAXIMIZE + HTCAPTION) is not the maximize box. Minimize is the exception:
// its low four bits are the platform's own, and any of them must still hide.
constexpr WPARAM kMaximize = SC_MAXIMIZE;
constexpr WPARAM kCaptionDoubleClick = SC_MAXIMIZE + HTCAPTION;
constexpr WPARAM kSystemMenuClick = SC_MOUSEMENU + HTSYSMENU;

// An edit control answers the keyboard's menu request with its own
// Cut/Copy/Paste menu, which would leave the dialog's commands out of reach
// from a time field. Its right click keeps that menu.
LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_CONTEXTMENU && lParam == -1)
        return SendMessageA(GetParent(field), message, wParam, lParam);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(field, FieldProc, 0);
    return DefSubclassProc(field, message, wParam, lParam);
}

void SetRange(HWND dialog, int spin, int upper) {
    SendDlgItemMessageA(dialog, spin, UDM_SETRANGE, 0, MAKELPARAM(upper, 0));
}

void RunCommand(HWND dialog, UINT id, UINT code) {
    // Ahead of every command, whatever its identifier. The tick's write of the
    // hours field comes back here as that field's change notification, which
    // has no case below: that is where the alarm starts (OnTimerTick).
    CheckTimeUp(dialog);
    switch (id) {
    case IDCANCEL:
    case ID_EXIT: ExitApplication(dialog); break;
    case IDC_TIME_LIST:
        if (code == CBN_SELCHANGE) OnSelectTime(dialog);
        break;
    case IDC_START:
    case ID_START: OnStart(dialog); break;
    case IDC_PAUSE:
    case ID_PAUSE: OnPause(dialog); break;
    case IDC_STOP:
    case ID_STOP: OnStop(dialog); break;
    case IDC_SIGNAL_LIST:
        if (code == CBN_SELCHANGE) OnSelectSignal(dialog);
        break;
    case ID_DISPLAY_WINDOW: OnDisplayWindow(dialog); break;
    case ID_ABOUT: OnAbout(dialog); break;
    case ID_RESET_TIMER: OnResetTimer(dialog); break;
    case ID_LOAD_CONFIG: OnLoadConfig(dialog); break;
    case ID_SAVE_CONFIG: OnSaveConfig(dialog); break;
    default: break;
    }
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == appState.taskbarCreatedMessage && message != 0) return OnTaskbarCreated(dialog);
    switch (message) {
    case WM_TRAYNOTIFY: return OnTrayNotify(dialog, lParam);
    case WM_ACTIVATE: return OnActivate(dialog, wParam);
    case WM_HELP: return OnAbout(dialog);
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND: return OnSysCommand(dialog, wParam);
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(dialog);
    case WM_HIDE_MINIMISED: return OnHideMinimised(dialog);
    case WM_CONTEXTMENU: return OnContextMenu(dialog, reinterpret_cast<HWND>(wParam), lParam);
    case WM_TIMER: return OnTimerTick(dialog, wParam);
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_RBUTTONDOWN: return OnRightButtonDown(dialog);
    default: return FALSE;
    }
}

INT_PTR OnInitDialog(HWND dialog) {
    appState.instance = GetModuleHandleA(nullptr);
    // The owner is never shown; as a plain child style it can never appear either.
    SetWindowLongA(GetParent(dialog), GWL_STYLE, WS_CHILD);

    for (int field : {IDC_HOURS, IDC_MINUTES, IDC_SECONDS}) {
        SendDlgItemMessageA(dialog, field, EM_LIMITTEXT, 2, 0);
        SetWindowSubclass(GetDlgItem(dialog, field), FieldProc, 0, 0);
    }
    SetRange(dialog, IDC_SPIN_HOURS, 24);
    SetRange(dialog, IDC_SPIN_MINUTES, 59);
    SetRange(dialog, IDC_SPIN_SECONDS, 59);
    for (const Preset& preset : kPresets)
        SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(preset.listText));
    for (const Signal& signal : SoundTable)
        SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(signal.listText));

    appState.spinHours = GetDlgItem(dialog, IDC_SPIN_HOURS);
    appState.spinMinutes = GetDlgItem(dialog, IDC_SPIN_MINUTES);
    appState.spinSeconds = GetDlgItem(dialog, IDC_SPIN_SECONDS);
    appState.startButton = GetDlgItem(dialog, IDC_START);
    appState.pauseButton = GetDlgItem(dialog, IDC_PAUSE);
    appState.stopButton = GetDlgItem(dialog, IDC_STOP);
    appState.timeList = GetDlgItem(dialog, IDC_TIME_LIST);
    appState.signalList = GetDlgItem(dialog, IDC_SIGNAL_LIST);

    // Through OnCommand, before the window is first shown; this first load reports nothing.
    SendMessageA(dialog, WM_COMMAND, ID_LOAD_CONFIG, 0);

    appState.backgroundFits = BackgroundFits(dialog, GetDlgItem(dialog, IDC_BACKGROUND));
    if (!appState.backgroundFits) {
        ShowWindow(GetDlgItem(dialog, IDC_BACKGROUND), SW_HIDE);
        for (int group : {IDC_GROUP_SELECT_TIME, IDC_GROUP_SET_TIME, IDC_GROUP_CONTROL, IDC_GROUP_SIGNAL})
            ShowWindow(GetDlgItem(dialog, group), SW_SHOW);
    }

    appState.trayIcon = LoadIconA(appState.instance, "icon");
    lstrcpyA(appState.textBuffer, kTrayTip);
    NotifyTray(dialog, NIM_ADD, 0, appState.trayIcon, appState.textBuffer);
    appState.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

    SendMessageA(dialog, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(appState.instance, "ICON")));
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, UINT id, UINT code) {
    try {
        RunCommand(dialog, id, code);
    } catch (error caught) {  // cppcheck-suppress catchExceptionByValue ; the report takes its own copy
        ReportError(dialog, caught);
    } catch (...) {
        ReportUnknownError(dialog);
    }
    return FALSE;
}

INT_PTR OnSysCommand(HWND dialog, WPARAM command) {
    if ((command & 0xFFF0) == SC_MINIMIZE) {
        HideDialog(dialog);
        return TRUE;
    }
    switch (command) {
    case kMaximize:
        if (appState.running) {
            SendMessageA(dialog, WM_COMMAND, IDC_STOP, 0);
        } else {
            // Hidden first, so a report of a refused timer comes up over a hidden window.
            HideDialog(dialog);
            SendMessageA(dialog, WM_COMMAND, IDC_START, 0);
        }
        return TRUE;
    case kCaptionDoubleClick: return TRUE;
    case kSystemMenuClick: ShowMenuAtPointer(dialog, ShowContextMenu); return TRUE;
    default: return FALSE;
    }
}

INT_PTR OnCtlColorStatic(HDC context) {
    if (!appState.backgroundFits) return 0;
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(appState.backgroundBrush);
}

INT_PTR OnRightButtonDown(HWND dialog) {
    ShowMenuAtPointer(dialog, ShowContextMenu);
    return TRUE;
}

INT_PTR OnContextMenu(HWND dialog, HWND control, LPARAM where) {
    // Only the keyboard's request (Shift+F10, the menu key), which comes with
    // no position: a right click opened the menu at WM_RBUTTONDOWN already,
    // and its WM_CONTEXTMENU follows the release.
    if (where != -1) return FALSE;
    RECT box{};
    GetWindowRect(control, &box);
    ShowContextMenu(dialog, box.left, box.bottom);
    return TRUE;
}

bool BackgroundFits(HWND dialog, HWND picture) {
    RECT client{};
    RECT outer{};
    GetClientRect(dialog, &client);
    GetWindowRect(picture, &outer);
    return client.right - client.left == outer.right - outer.left &&
           client.bottom - client.top == outer.bottom - outer.top;
}
