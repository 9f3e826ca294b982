#include "harness/process.h"

#include <cstdlib>

namespace process {
namespace {
struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char caption[32] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (pid == search->pid && IsWindowVisible(window) && lstrcmpA(caption, "Dozewell Timer") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

Copy::~Copy() {
    if (info.hProcess) CloseHandle(info.hProcess);
    if (info.hThread) CloseHandle(info.hThread);
}

std::string ProgramPath() {
    const char* path = std::getenv("DOZEWELL_EXE");
    return path ? path : "DozewellTimer.exe";
}

bool Start(Copy& copy, const std::string& path) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = "\"" + path + "\"";
    return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &copy.info) != 0;
}

HWND WaitMainDialog(const Copy& copy, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        Search search{copy.info.dwProcessId, nullptr};
        EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (WaitForSingleObject(copy.info.hProcess, 5) == WAIT_OBJECT_0) return nullptr;
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

DWORD WaitExit(const Copy& copy, DWORD timeoutMs) {
    WaitForSingleObject(copy.info.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(copy.info.hProcess, &code);
    return code;
}

void EndAllCopies() {
    // Esc through the dialog, the way a user ends it, until none is left.
    for (int i = 0; i < 50; ++i) {
        HWND dialog = FindWindowA("#32770", "Dozewell Timer");
        if (!dialog) return;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        Sleep(100);
    }
}

}  // namespace process
