// How a failed command is reported: the box, its text and icon, and the
// flags around it.
#include <stdexcept>

#include "harness/fixture.h"

using namespace harness;

namespace {

bool PendingErrorIsZero() {
    const error& e = appState.pendingError;
    return !e.timerFlags && !e.readFlags && !e.writeFlags && !e.reserved[0] && !e.reserved[1] &&
           !e.reserved[2];
}

class ErrorReportTest : public DialogTest {};

// A Start while counting is refused its timer: the report's box keeps the
// countdown going, since its own loop dispatches the dialog's ticks.
TEST_F(ErrorReportTest, RefusedTimerIsReportedWhileTicksGoOn) {
    RunMainDialog([](HWND dialog) {
        SetItemText(dialog, IDC_SECONDS, "5");
        SendCommand(dialog, IDC_START);
        Tick(dialog);
        Recorded().refuseTimer = true;
        int showingInBox = -1;
        std::uint32_t timerFlagsInBox = 0;
        std::string fieldsInBox;
        SetBoxHandler([&](const Box& box) {
            showingInBox = appState.errorShowing;
            timerFlagsInBox = appState.pendingError.timerFlags;
            KeepBoxOpen();
            PostMessageA(dialog, WM_TIMER, TIMER_ID, 0);
            Post([&, box] {
                fieldsInBox = Fields(dialog);
                CloseBox(box.window);
            });
        });
        SendCommand(dialog, IDC_START);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].caption, "Error");
        EXPECT_EQ(Boxes()[0].text, "No timer is available\n");
        EXPECT_EQ(Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
        EXPECT_EQ(showingInBox, 1);
        EXPECT_EQ(timerFlagsInBox, 1u);
        EXPECT_EQ(fieldsInBox, "0,0,3");
        EXPECT_EQ(appState.errorShowing, 0);
        EXPECT_TRUE(PendingErrorIsZero());
        EXPECT_EQ(appState.running, 1);
    });
}

UINT_PTR WINAPI ThrowInt(HWND, UINT_PTR, UINT, TIMERPROC) {
    throw 7;
}
UINT_PTR WINAPI ThrowRuntimeError(HWND, UINT_PTR, UINT, TIMERPROC) {
    throw std::runtime_error("timer");
}

TEST_F(ErrorReportTest, AnyOtherExceptionShowsUnknowErrorAndLeavesTheFlags) {
    for (const void* fake :
         {reinterpret_cast<const void*>(ThrowInt), reinterpret_cast<const void*>(ThrowRuntimeError)}) {
        ResetProgramState();
        ImportPatch patch("user32.dll", "SetTimer", fake);
        RunMainDialog([](HWND dialog) {
            // Values no command of this test would set, so any touch shows.
            appState.errorShowing = 1;
            appState.pendingError.readFlags = 0x4;
            int showingInBox = -1;
            SetBoxHandler([&](const Box&) { showingInBox = appState.errorShowing; });
            SendCommand(dialog, IDC_START);
            ASSERT_EQ(Boxes().size(), 1u);
            EXPECT_EQ(Boxes()[0].caption, "Error");
            EXPECT_EQ(Boxes()[0].text, "Unknow error");
            EXPECT_EQ(Boxes()[0].icon, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(showingInBox, 1);
            EXPECT_EQ(appState.errorShowing, 1);
            EXPECT_EQ(appState.pendingError.readFlags, 0x4u);
            EXPECT_EQ(appState.running, 0);
            appState.errorShowing = 0;
            appState.pendingError = error{};
        });
    }
}

}  // namespace
