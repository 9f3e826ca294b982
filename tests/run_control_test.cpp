// Start, Pause, Stop, the tick and the alarm in the real dialog.
#include <windows.h>

#include <mmsystem.h>

#include "harness/fixture.h"

using namespace harness;

namespace {

enum State { Stopped, Running, Paused, Ringing };

std::string Clock() {
    return std::to_string(appState.clock.hours) + "," + std::to_string(appState.clock.minutes) + "," +
           std::to_string(appState.clock.seconds);
}

void ExpectControls(HWND dialog, State state) {
    const bool on = state != Stopped;
    for (int field : {IDC_HOURS, IDC_MINUTES, IDC_SECONDS})
        EXPECT_EQ((GetWindowLongA(GetDlgItem(dialog, field), GWL_STYLE) & ES_READONLY) != 0, on)
            << "state " << state << ", field " << field;
    const std::pair<int, bool> enabled[] = {
        {IDC_SPIN_HOURS, !on}, {IDC_SPIN_SECONDS, !on}, {IDC_SPIN_MINUTES, !on},
        {IDC_START, !on},      {IDC_STOP, on},          {IDC_PAUSE, state == Running || state == Paused},
        {IDC_TIME_LIST, !on},  {IDC_SIGNAL_LIST, !on}};
    for (const auto& [id, want] : enabled)
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(dialog, id)) != 0, want)
            << "state " << state << ", control " << id;
    EXPECT_EQ(ItemText(dialog, IDC_START) + ItemText(dialog, IDC_PAUSE) + ItemText(dialog, IDC_STOP),
              "StartPauseStop");
    EXPECT_EQ(appState.running, on);
    EXPECT_EQ(appState.ringing, state == Ringing);
    if (state == Running || state == Paused) {
        EXPECT_EQ(appState.paused, state == Paused);
    }
}

// Field writes, with the ringing flag as the write found it and left it.
struct Write {
    int id;
    bool ringingBefore, ringingAfter;
};
std::vector<Write> writes;
decltype(&SetDlgItemInt) realSetDlgItemInt = nullptr;  // none: the write neither sets text nor notifies

BOOL WINAPI RecordingSetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
    const bool before = appState.ringing;
    const BOOL result = realSetDlgItemInt ? realSetDlgItemInt(dialog, id, value, isSigned) : TRUE;
    writes.push_back({id, before, appState.ringing != 0});
    return result;
}

class RunControlTest : public DialogTest {};

TEST_F(RunControlTest, FromThreeSecondsRingsAtTickFourInsideTheHoursWriteAndStopsAtTick63) {
    writes.clear();
    ImportPatch patch("user32.dll", "SetDlgItemInt", reinterpret_cast<const void*>(RecordingSetDlgItemInt));
    realSetDlgItemInt = patch.Original<decltype(&SetDlgItemInt)>();
    RunMainDialog([](HWND dialog) {
        TypeFields(dialog, "0", "0", "3");
        SendCommand(dialog, IDC_START);
        for (const char* shown : {"0,0,2", "0,0,1", "0,0,0"}) {
            Tick(dialog);
            EXPECT_EQ(Fields(dialog), shown);
            EXPECT_EQ(appState.ringing, 0);
        }
        EXPECT_TRUE(Recorded().sounds.empty());
        writes.clear();
        Tick(dialog);
        ASSERT_EQ(writes.size(), 3u);
        EXPECT_EQ(writes[0].id, IDC_HOURS);
        EXPECT_FALSE(writes[0].ringingBefore);
        EXPECT_TRUE(writes[0].ringingAfter);  // the hours field's change notification started it
        ExpectControls(dialog, Ringing);
        EXPECT_TRUE(Topmost(dialog));
        EXPECT_EQ(appState.ringSeconds, 58u);
        EXPECT_EQ(Recorded().sounds.size(), 1u);
        writes.clear();
        Tick(dialog, 58);  // ticks 5 to 62: the fields keep 0, 0, 0
        EXPECT_TRUE(writes.empty());
        EXPECT_EQ(appState.ringing, 1);
        EXPECT_EQ(Recorded().killTimer, 0);
        Tick(dialog);
        ExpectControls(dialog, Stopped);
        EXPECT_FALSE(Topmost(dialog));
        EXPECT_EQ(Recorded().killTimer, 1);
        EXPECT_EQ(Recorded().sounds.size(), 2u);
    });
}

TEST_F(RunControlTest, WithoutFieldNotificationsTheAlarmStillStartsBeforeTheMinutesWrite) {
    writes.clear();
    realSetDlgItemInt = nullptr;
    ImportPatch patch("user32.dll", "SetDlgItemInt", reinterpret_cast<const void*>(RecordingSetDlgItemInt));
    RunMainDialog([](HWND dialog) {
        TypeFields(dialog, "0", "0", "0");
        SendCommand(dialog, IDC_START);
        Tick(dialog);
        ASSERT_EQ(writes.size(), 3u);
        EXPECT_FALSE(writes[0].ringingAfter);
        EXPECT_EQ(writes[1].id, IDC_MINUTES);
        EXPECT_TRUE(writes[1].ringingBefore);
        EXPECT_EQ(Recorded().sounds.size(), 1u);
    });
}

TEST_F(RunControlTest, StartCountsTheClampedFieldsButLeavesTheirText) {
    const struct {
        const char* typed[3];
        const char* clock;
        const char* firstTick;
    } cases[] = {{{"0", "0", "0"}, "0,0,0", "0,0,0"},
                 {{"99", "99", "99"}, "24,59,59", "24,59,58"},
                 {{"", "1", ""}, "0,1,0", "0,0,59"},
                 {{"0", "0", "75"}, "0,0,59", "0,0,58"},
                 {{"25", "60", "0"}, "24,59,0", "24,58,59"}};
    RunMainDialog([&](HWND dialog) {
        for (const auto& c : cases) {
            TypeFields(dialog, c.typed[0], c.typed[1], c.typed[2]);
            SendCommand(dialog, IDC_START);
            EXPECT_EQ(Clock(), c.clock);
            EXPECT_EQ(Fields(dialog), std::string(c.typed[0]) + "," + c.typed[1] + "," + c.typed[2]);
            Tick(dialog);
            EXPECT_EQ(Fields(dialog), c.firstTick);
            EXPECT_EQ(appState.ringing, std::string(c.clock) == "0,0,0");
            SendCommand(dialog, IDC_STOP);
        }
    });
}

TEST_F(RunControlTest, PausedTicksDoNotCount) {
    RunMainDialog([](HWND dialog) {
        TypeFields(dialog, "0", "0", "5");
        SendCommand(dialog, IDC_START);
        Tick(dialog);
        SendCommand(dialog, IDC_PAUSE);
        Tick(dialog, 3);
        EXPECT_EQ(Fields(dialog), "0,0,4");
        EXPECT_EQ(Clock(), "0,0,4");
        SendCommand(dialog, IDC_PAUSE);
        Tick(dialog);
        EXPECT_EQ(Fields(dialog), "0,0,3");
        EXPECT_EQ(Recorded().killTimer, 0);
    });
}

TEST_F(RunControlTest, ControlsAndWindowOrderAfterEveryTransition) {
    RunMainDialog([](HWND dialog) {
        ExpectControls(dialog, Stopped);
        SendCommand(dialog, IDC_START);
        ExpectControls(dialog, Running);
        SendCommand(dialog, IDC_PAUSE);
        ExpectControls(dialog, Paused);
        SendCommand(dialog, IDC_PAUSE);
        ExpectControls(dialog, Running);
        SendCommand(dialog, IDC_PAUSE);
        SendCommand(dialog, IDC_STOP);
        ExpectControls(dialog, Stopped);
        SendCommand(dialog, IDC_START);
        ExpectControls(dialog, Running);  // Start clears the pause left by Stop
        // Stop while counting leaves the window order as it found it.
        SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SendCommand(dialog, IDC_STOP);
        ExpectControls(dialog, Stopped);
        EXPECT_TRUE(Topmost(dialog));
        SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SendCommand(dialog, IDC_START);
        Tick(dialog);
        ExpectControls(dialog, Ringing);
        EXPECT_TRUE(Topmost(dialog));
        SendCommand(dialog, IDC_STOP);
        ExpectControls(dialog, Stopped);
        EXPECT_FALSE(Topmost(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(Recorded().setTimer, std::vector<UINT>(3, 1000));
        EXPECT_EQ(Recorded().killTimer, 3);
    });
}

TEST_F(RunControlTest, AlarmShowsTheHiddenWindowOnTop) {
    RunMainDialog([](HWND dialog) {
        ShowWindow(dialog, SW_SHOW);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_FALSE(IsWindowVisible(dialog));
        SendCommand(dialog, IDC_START);
        Tick(dialog);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(Topmost(dialog));
        EXPECT_EQ(appState.hidden, 0u);
        EXPECT_EQ(GetActiveWindow(), dialog);
    });
}

TEST_F(RunControlTest, EachSignalLoopsItsSoundAndNoSignalMakesNoCall) {
    const char* const sounds[] = {"BEEP", "BUZZ", "CUCKOO"};
    RunMainDialog([&](HWND dialog) {
        for (int signal : {0, 1, 2, 3, 7, -1}) {
            Recorded().sounds.clear();
            SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_SETCURSEL, signal, 0);
            SendCommand(dialog, IDC_SIGNAL_LIST, CBN_SELCHANGE);
            if (signal > 3) appState.signalIndex = signal;  // only a stored setting could bring it
            EXPECT_EQ(appState.signalIndex, signal);
            EXPECT_TRUE(Recorded().sounds.empty());
            SendCommand(dialog, IDC_START);
            Tick(dialog);
            EXPECT_TRUE(Topmost(dialog)) << signal;
            SendCommand(dialog, IDC_STOP);
            const auto& calls = Recorded().sounds;
            if (signal < 0 || signal > 2) {
                EXPECT_TRUE(calls.empty()) << signal;
                continue;
            }
            ASSERT_EQ(calls.size(), 2u) << signal;
            EXPECT_EQ(calls[0].name, sounds[signal]);
            EXPECT_EQ(calls[0].flags, 0x4000Du);
            EXPECT_EQ(calls[1].name, "");
            EXPECT_EQ(calls[1].flags, 0u);
        }
    });
}

TEST_F(RunControlTest, StopWritesTheSelectedEntryBack) {
    RunMainDialog([](HWND dialog) {
        SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_SETCURSEL, 4, 0);
        SendCommand(dialog, IDC_TIME_LIST, CBN_SELCHANGE);
        TypeFields(dialog, "0", "0", "10");
        SendCommand(dialog, IDC_START);
        Tick(dialog, 3);
        SendCommand(dialog, IDC_STOP);
        EXPECT_EQ(Fields(dialog), "0,15,0");
        PresetTable[0] = {1, 2, 3};
        SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_SETCURSEL, 0, 0);
        SendCommand(dialog, IDC_TIME_LIST, CBN_SELCHANGE);
        TypeFields(dialog, "0", "0", "0");
        SendCommand(dialog, IDC_START);
        Tick(dialog);
        SendCommand(dialog, IDC_STOP);
        EXPECT_EQ(Fields(dialog), "1,2,3");
    });
}

TEST_F(RunControlTest, RefusedTimerLeavesTheDialogAsItWas) {
    Recorded().refuseTimer = true;
    RunMainDialog([](HWND dialog) {
        TypeFields(dialog, "1", "2", "99");
        appState.paused = 1;
        appState.clock = {4, 5, 6};
        SendCommand(dialog, IDC_START);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].text, "No timer is available\n");
        EXPECT_EQ(Fields(dialog), "1,2,99");
        ExpectControls(dialog, Stopped);
        EXPECT_EQ(appState.paused, 1);
        EXPECT_EQ(Clock(), "4,5,6");
        EXPECT_FALSE(Topmost(dialog));
        EXPECT_TRUE(Recorded().setTimer.empty());
    });
}

TEST_F(RunControlTest, MaximizeBoxStopsAnyRunOrHidesAndStarts) {
    RunMainDialog([](HWND dialog) {
        // The dialog is first shown when its loop goes idle, after this body began.
        ShowWindow(dialog, SW_SHOW);
        for (State state : {Running, Paused, Ringing}) {
            SendCommand(dialog, IDC_START);
            if (state == Paused) SendCommand(dialog, IDC_PAUSE);
            if (state == Ringing) Tick(dialog);
            SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            ExpectControls(dialog, Stopped);
            EXPECT_TRUE(IsWindowVisible(dialog)) << state;
            EXPECT_EQ(appState.hidden, 0u);
        }
        SetItemText(dialog, IDC_SECONDS, "5");
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        EXPECT_FALSE(IsWindowVisible(dialog));
        EXPECT_EQ(appState.hidden, 1u);
        ExpectControls(dialog, Running);
        EXPECT_EQ(Clock(), "0,0,5");
        EXPECT_FALSE(IsZoomed(dialog));
    });
}

TEST(RunControlRealSound, EachResourceLoopsWithoutBlockingAndStops) {
    const HMODULE module = GetModuleHandleA(nullptr);
    for (const char* name : {"BEEP", "BUZZ", "CUCKOO"}) {
        EXPECT_NE(FindResourceA(module, name, "WAVE"), nullptr) << name;
        const DWORD start = GetTickCount();
        EXPECT_TRUE(PlaySoundA(name, module, SND_RESOURCE | SND_LOOP | SND_ASYNC)) << name;
        EXPECT_LT(GetTickCount() - start, 1000u) << name;
        EXPECT_TRUE(PlaySoundA(nullptr, module, 0)) << name;
    }
}

BOOL WINAPI NoTrayIcon(DWORD, PNOTIFYICONDATAA) {
    return TRUE;
}

// The platform's own timer; only the tray icon is kept off the screen.
class RunControlRealTimerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetProgramState();
        UseCleanRegistry();
    }
    void TearDown() override { RestoreRegistry(); }
    ImportPatch tray_{"shell32.dll", "Shell_NotifyIconA", reinterpret_cast<const void*>(NoTrayIcon)};
};

TEST_F(RunControlRealTimerTest, TwoSecondsRingAtTheThirdTick) {
    RunMainDialog([](HWND dialog) {
        TypeFields(dialog, "0", "0", "2");
        const DWORD start = GetTickCount();
        SendCommand(dialog, IDC_START);
        while (!appState.ringing && GetTickCount() - start < 6000) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
        }
        const DWORD elapsed = GetTickCount() - start;
        EXPECT_EQ(appState.ringing, 1);
        EXPECT_GE(elapsed, 2500u);
        EXPECT_LE(elapsed, 4500u);
        SendCommand(dialog, IDC_STOP);
    });
}

}  // namespace
