#include "settings/settings_store.h"

#include "app/app_state.h"
#include "countdown/clock_fields.h"
#include "countdown/run_control.h"
#include "res/resource.h"
#include "settings/user_time.h"

namespace {

// Anything may be stored under our names by another program. A value counts
// as read only when it is exactly four bytes; the type is not examined.
bool QueryNumber(HKEY key, const char* name, std::uint32_t& number) {
    std::uint32_t data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        size != sizeof data)
        return false;
    number = data;
    return true;
}

bool SetNumber(HKEY key, const char* name, std::uint32_t number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
           ERROR_SUCCESS;
}

// Only what reading needs: a key that grants no more must still load.
bool OpenForReading(HKEY& key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
}

// Shows a stored user time as it is, even beyond two digits.
void ShowUnclampedUserTime(HWND dialog, const ClockTime& userTime) {
    const std::uint32_t counts[] = {userTime.hours, userTime.minutes, userTime.seconds};
    const int fields[] = {IDC_HOURS, IDC_MINUTES, IDC_SECONDS};
    for (int i = 0; i < 3; ++i) {
        wsprintfA(appState.textBuffer, "%u", counts[i]);
        SetDlgItemTextA(dialog, fields[i], appState.textBuffer);
    }
}

}  // namespace

bool ReadSettings(error& record, ClockTime& userTime, std::uint32_t& selectedTime,
                  std::int32_t& signalIndex) {
    HKEY key = nullptr;
    if (!OpenForReading(key)) {
        record.readFlags |= kReadKeyFailed;
        return false;
    }
    bool result = true;

    std::uint32_t packed = 0;
    if (QueryNumber(key, kUserTimeValue, packed)) {
        userTime = UnpackUserTime(packed);
    } else {
        record.readFlags |= kReadUserTimeFailed;
        result = false;
    }

    // An index outside its list would select nothing and, for the time list,
    // read past the presets: treat it as unreadable and keep the old one.
    std::uint32_t index = 0;
    if (QueryNumber(key, kSelectTimeValue, index) && index < kPresetCount) {
        selectedTime = index;
    } else {
        record.readFlags |= kReadSelectTimeFailed;
        result = false;
    }

    if (QueryNumber(key, kSignalValue, index) && index < kSignalCount) {
        signalIndex = static_cast<std::int32_t>(index);
    } else {
        record.readFlags |= kReadSignalFailed;
        result = false;
    }

    RegCloseKey(key);
    return result;
}

bool ProbeUserTime() {
    HKEY key = nullptr;
    if (!OpenForReading(key)) return true;
    std::uint32_t ignored = 0;
    const bool missing = !QueryNumber(key, kUserTimeValue, ignored);
    RegCloseKey(key);
    return missing;
}

void WriteSettings(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds,
                   const std::uint32_t& selectedTime, const std::int32_t& signalIndex, ClockTime& userTime,
                   bool noStoredUserTime) {
    error record{};
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        record.writeFlags = kWriteKeyFailed;
        throw record;
    }

    if (selectedTime != 0 && noStoredUserTime) {
        // A zero user time keeps the key complete for the next load.
        if (!SetNumber(key, kUserTimeValue, 0)) record.writeFlags |= kWriteUserTimeFailed;
    } else if (selectedTime == 0) {
        if (!SetNumber(key, kUserTimeValue, PackUserTime(hours, minutes, seconds)))
            record.writeFlags |= kWriteUserTimeFailed;
        userTime = ClockTime{hours, minutes, seconds};
    }
    if (!SetNumber(key, kSelectTimeValue, selectedTime)) record.writeFlags |= kWriteSelectTimeFailed;
    if (!SetNumber(key, kSignalValue, static_cast<std::uint32_t>(signalIndex)))
        record.writeFlags |= kWriteSignalFailed;
    if (RegCloseKey(key) != ERROR_SUCCESS) record.writeFlags |= kWriteCloseFailed;

    if (record.writeFlags != 0) throw record;
}

void OnLoadConfig(HWND dialog) {
    // Read into copies: a reported load changes nothing, so the dialog never
    // shows one setting while the program holds another.
    ClockTime userTime = PresetTable[0];
    std::uint32_t selectedTime = appState.selectedTime;
    std::int32_t signalIndex = appState.signalIndex;
    const bool ok = ReadSettings(appState.pendingError, userTime, selectedTime, signalIndex);
    // The load at start-up is silent and takes what it could read; every later failure is reported.
    if (!ok && appState.configLoaded) throw appState.pendingError;
    PresetTable[0] = userTime;
    appState.selectedTime = selectedTime;
    appState.signalIndex = signalIndex;

    if (appState.selectedTime == 0)
        ShowUnclampedUserTime(dialog, PresetTable[0]);
    else
        WriteClockFields(dialog, PresetTable[appState.selectedTime]);
    SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_SETCURSEL, appState.selectedTime, 0);
    SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_SETCURSEL, static_cast<WPARAM>(appState.signalIndex), 0);
    appState.pendingError = error{};
    appState.configLoaded = 1;
}

void OnSaveConfig(HWND dialog) {
    // A copy, never the running clock: a read-only field still changes under
    // its up-down's arrows or another program's WM_SETTEXT, and a countdown or
    // alarm must not take that up.
    ClockTime shown = ReadClockFields(dialog);
    if (ClampClock(shown.hours, shown.minutes, shown.seconds)) WriteClockFields(dialog, shown);
    const bool noStoredUserTime = ProbeUserTime();
    WriteSettings(shown.hours, shown.minutes, shown.seconds, appState.selectedTime, appState.signalIndex,
                  PresetTable[0], noStoredUserTime);
}
