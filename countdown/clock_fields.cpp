#include "countdown/clock_fields.h"

#include "app/app_state.h"
#include "res/resource.h"

ClockTime ReadClockFields(HWND dialog) {
    ClockTime value{};
    value.hours = GetDlgItemInt(dialog, IDC_HOURS, nullptr, FALSE);
    value.minutes = GetDlgItemInt(dialog, IDC_MINUTES, nullptr, FALSE);
    value.seconds = GetDlgItemInt(dialog, IDC_SECONDS, nullptr, FALSE);
    return value;
}

void WriteClockFields(HWND dialog, const ClockTime& value) {
    SetDlgItemInt(dialog, IDC_HOURS, value.hours, FALSE);
    SetDlgItemInt(dialog, IDC_MINUTES, value.minutes, FALSE);
    SetDlgItemInt(dialog, IDC_SECONDS, value.seconds, FALSE);
}

void OnSelectTime(HWND dialog) {
    const LRESULT selection = SendMessageA(appState.timeList, CB_GETCURSEL, 0, 0);
    // The list only offers its own positions; CB_ERR (no selection) has no preset.
    if (selection < 0 || selection >= kPresetCount) return;
    appState.selectedTime = static_cast<std::uint32_t>(selection);
    WriteClockFields(dialog, PresetTable[appState.selectedTime]);
}

void OnResetTimer(HWND dialog) {
    if (appState.running) return;
    appState.clock = ClockTime{};
    WriteClockFields(dialog, appState.clock);
}
