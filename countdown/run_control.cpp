#include "countdown/run_control.h"

#include <mmsystem.h>

#include "app/app_state.h"
#include "app/dialog_visibility.h"
#include "countdown/clock_fields.h"
#include "res/resource.h"

namespace {
constexpr std::uint32_t kAlarmTicksAfterStart = 58;  // 59 ticks in all, counting the one that starts it
constexpr DWORD kLoopFlags = SND_RESOURCE | SND_LOOP | SND_ASYNC;

// Disables a control, handing the keyboard focus to `next` first if it has
// it: a disabled window takes no keys, so Tab, Space, Enter and F1 would all
// be dead until a click. WM_NEXTDLGCTL moves it as the dialog manager does,
// default-button border included.
void TurnOff(HWND dialog, HWND control, HWND next) {
    if (GetFocus() == control) SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    EnableWindow(control, FALSE);
}
}  // namespace

bool SignalHasSound(std::int32_t signalIndex) {
    return signalIndex >= 0 && signalIndex < kSignalCount && SoundTable[signalIndex].sound != nullptr;
}

void SetRunControls(HWND dialog, bool on) {
    appState.running = on;
    SendDlgItemMessageA(dialog, IDC_HOURS, EM_SETREADONLY, on, 0);
    SendDlgItemMessageA(dialog, IDC_MINUTES, EM_SETREADONLY, on, 0);
    SendDlgItemMessageA(dialog, IDC_SECONDS, EM_SETREADONLY, on, 0);
    const HWND stoppedSide[] = {appState.spinHours,   appState.spinMinutes, appState.spinSeconds,
                                appState.startButton, appState.timeList,    appState.signalList};
    const HWND runningSide[] = {appState.pauseButton, appState.stopButton};
    // The side that comes on goes first, so that a focused control going off
    // has an enabled one to hand the focus to.
    if (on) {
        for (HWND control : runningSide) EnableWindow(control, TRUE);
        for (HWND control : stoppedSide) TurnOff(dialog, control, appState.stopButton);
    } else {
        for (HWND control : stoppedSide) EnableWindow(control, TRUE);
        for (HWND control : runningSide) TurnOff(dialog, control, appState.startButton);
    }
}

void CheckTimeUp(HWND dialog) {
    if (!appState.timeUp) return;
    appState.timeUp = 0;
    appState.ringing = 1;
    appState.ringSeconds = kAlarmTicksAfterStart;
    TurnOff(dialog, appState.pauseButton, appState.stopButton);
    // Shown, hidden or not, on top of everything and active.
    ShowDialog(dialog, HWND_TOPMOST);
    if (SignalHasSound(appState.signalIndex))
        PlaySoundA(SoundTable[appState.signalIndex].sound, appState.instance, kLoopFlags);
}

void OnStart(HWND dialog) {
    // The timer comes first: when it is refused nothing else may change.
    if (SetTimer(dialog, TIMER_ID, 1000, nullptr) == 0) {
        appState.pendingError.timerFlags |= kNoTimer;
        throw appState.pendingError;
    }
    appState.clock = ReadClockFields(dialog);
    // The fields keep what was typed until the first tick shows the clock.
    ClampClock(appState.clock.hours, appState.clock.minutes, appState.clock.seconds);
    appState.paused = 0;
    appState.timeUp = 0;
    SetRunControls(dialog, true);
}

void OnPause(HWND) {
    appState.paused ^= 1;
}

void OnStop(HWND dialog) {
    if (SignalHasSound(appState.signalIndex)) PlaySoundA(nullptr, appState.instance, 0);
    SetRunControls(dialog, false);
    KillTimer(dialog, TIMER_ID);
    WriteClockFields(dialog, PresetTable[appState.selectedTime]);
    if (appState.ringing) SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    appState.ringing = 0;
}

void OnSelectSignal(HWND dialog) {
    appState.signalIndex =
        static_cast<std::int32_t>(SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_GETCURSEL, 0, 0));
}

INT_PTR OnTimerTick(HWND dialog, UINT_PTR timer) {
    // Any program may post WM_TIMER, with any number.
    if (timer != TIMER_ID) return FALSE;
    // KillTimer leaves ticks already queued: without a countdown a tick means nothing.
    if (!appState.running) return TRUE;
    if (appState.ringing) {
        // The alarm counts with the clock's own hours and minutes, and
        // ringSeconds in place of its seconds. The countdown left them at zero
        // and nothing can change them while ringing (the fields are read-only,
        // Load config is grayed), so this counts ringSeconds alone, and the
        // tick that finds it at zero ends the alarm.
        if (TickClock(appState.clock.hours, appState.clock.minutes, appState.ringSeconds))
            SendMessageA(dialog, WM_COMMAND, IDC_STOP, 0);
    } else if (!appState.paused) {
        ClockTime& clock = appState.clock;
        appState.timeUp = TickClock(clock.hours, clock.minutes, clock.seconds);
        SetDlgItemInt(dialog, IDC_HOURS, clock.hours, FALSE);
        // The hours field's change notification has started the alarm through
        // the dialog's WM_COMMAND before the write returned, so it rings within
        // the tick that finds zero. A field that does not notify gets that
        // command from here, still ahead of the minutes and seconds.
        if (appState.timeUp)
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HOURS, EN_CHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_HOURS)));
        SetDlgItemInt(dialog, IDC_MINUTES, clock.minutes, FALSE);
        SetDlgItemInt(dialog, IDC_SECONDS, clock.seconds, FALSE);
    }
    return TRUE;
}
