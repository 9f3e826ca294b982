// Starts and watches copies of the real DozewellTimer.exe from a Wine test program.
#pragma once

#include <windows.h>

#include <string>

namespace process {

struct Copy {
    PROCESS_INFORMATION info{};
    ~Copy();
};

// Windows path of the program under test (from DOZEWELL_EXE).
std::string ProgramPath();
// Starts one copy (of the program under test unless another path is given); false when CreateProcess failed.
bool Start(Copy& copy, const std::string& path = ProgramPath());
// The visible main dialog of that process, or null after timeoutMs.
HWND WaitMainDialog(const Copy& copy, DWORD timeoutMs = 10000);
// Exit code once the process has ended, or STILL_ACTIVE after timeoutMs.
DWORD WaitExit(const Copy& copy, DWORD timeoutMs = 10000);
// Ends every copy left running by an earlier case.
void EndAllCopies();

}  // namespace process
