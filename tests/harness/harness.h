// Drives the real main dialog in-process under Wine: patched platform calls,
// message boxes and popup menus closed from the test, a private registry key.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

namespace harness {

// Replaces one import of this executable for the object's lifetime.
class ImportPatch {
  public:
    ImportPatch(const char* dll, const char* function, const void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;
    template <typename F>
    F Original() const {
        return reinterpret_cast<F>(original_);
    }

  private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// Dispatches what is waiting in this thread's queue (a chosen menu item
// arrives as a posted command).
void Pump();

// Runs fn from the message loop that is running when it comes due.
void Post(std::function<void()> fn);

// ---- Message boxes: each one is recorded, handed to the handler while it is
// open, then closed with OK unless the handler called KeepBoxOpen().
struct Box {
    std::string caption;
    std::string text;
    UINT icon = 0;  // MB_ICONERROR, MB_ICONWARNING or 0, read off the box itself
    bool topmost = false;
    HWND window = nullptr;
};
using BoxHandler = std::function<void(const Box&)>;
void SetBoxHandler(BoxHandler handler);
void KeepBoxOpen();
void CloseBox(HWND box);
std::vector<Box>& Boxes();

// ---- Popup menus: each tracked menu is captured at its first idle moment;
// the handler returns the command to choose, or 0 to close it.
struct MenuItem {
    UINT id = 0;
    std::string text;
    bool grayed = false;
    bool separator = false;
};
struct Menu {
    std::vector<MenuItem> items;
    const MenuItem& Item(UINT id) const;
};
using MenuHandler = std::function<UINT(const Menu&)>;
void SetMenuHandler(MenuHandler handler);
std::vector<Menu>& Menus();

// ---- The main dialog. body runs inside its modal loop; afterwards the dialog
// is ended through Esc unless the body ended it. owner stands for the host.
HWND MainDialog();
void RunMainDialog(const std::function<void(HWND)>& body, const char* templateName = "IDD_TMP",
                   HWND owner = nullptr);

// Fresh program state and a clean, private settings key in place of HKCU.
void ResetProgramState();
void UseCleanRegistry();
void RestoreRegistry();
HKEY SettingsRoot();  // the key standing in for HKEY_CURRENT_USER

// ---- Calls recorded instead of reaching the platform.
struct Calls {
    std::vector<UINT> setTimer;  // elapse of each successful SetTimer
    int killTimer = 0;
    bool refuseTimer = false;
    struct Sound {
        std::string name;  // empty for the stop call
        DWORD flags;
    };
    std::vector<Sound> sounds;
    struct Tray {
        DWORD message;
        NOTIFYICONDATAA record;
    };
    std::vector<Tray> tray;
};
Calls& Recorded();
// Installs the recorders for SetTimer, KillTimer, PlaySoundA and Shell_NotifyIconA.
class FakePlatform {
  public:
    FakePlatform();

  private:
    ImportPatch setTimer_, killTimer_, playSound_, notifyIcon_;
};

// Text of a dialog item.
std::string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const char* text);
// The three time fields as "hours,minutes,seconds", and typing into them.
std::string Fields(HWND dialog);
void TypeFields(HWND dialog, const char* hours, const char* minutes, const char* seconds);
// A list entry chosen as the user does: the selection, then its notification.
void Choose(HWND dialog, int list, int index);
bool Topmost(HWND window);
void SendCommand(HWND dialog, UINT id, UINT code = 0);
void Tick(HWND dialog, int count = 1);

}  // namespace harness
