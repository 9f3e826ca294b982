#include "harness/fixture.h"

using namespace harness;

class ShellTest : public DialogTest {};

TEST_F(ShellTest, ListsAndLimitsAreSetUp) {
    RunMainDialog([](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETCOUNT, 0, 0), 11);
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_GETCOUNT, 0, 0), 4);
    });
}
