#include "harness/fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

using namespace harness;

namespace {

// The program as its user sees it, written down from its documented behaviour alone.
const unsigned kPresets[11] = {0, 60, 300, 600, 900, 1800, 3600, 5400, 7200, 9000, 10800};  // seconds
const char* const kSounds[] = {"BEEP", "BUZZ", "CUCKOO"};
const char* const kNames[] = {"User time", "Select time", "Signal"};
const char* const kReadLines[] = {"user time\n", "selected time\n", "signal\n"};
const std::uint32_t kLimits[] = {~0u, 10, 3};
const char* const kKey = "Software\\Dozewell Timer\\";
const int kFields[] = {IDC_HOURS, IDC_MINUTES, IDC_SECONDS};
const int kControls[] = {IDC_SPIN_HOURS, IDC_SPIN_MINUTES, IDC_SPIN_SECONDS, IDC_START,
                         IDC_PAUSE,      IDC_STOP,         IDC_TIME_LIST,    IDC_SIGNAL_LIST};
// By run state (stopped, running, paused, ringing): the fields read-only, then kControls enabled.
const char* const kLocks[] = {"000 11110011", "111 00001100", "111 00001100", "111 00000100"};
const std::vector<UINT> kTrayItems = {ID_TRAY_TIME,      0, ID_START, ID_PAUSE, ID_STOP, 0,
                                      ID_DISPLAY_WINDOW, 0, ID_ABOUT, ID_EXIT};
const std::vector<UINT> kContextItems = {ID_RESET_TIMER, 0, ID_LOAD_CONFIG, ID_SAVE_CONFIG, 0, ID_EXIT};
// Menu texts by command, from ID_START.
const char* const kItemTexts[] = {
    "Start", "Pause",       "Stop",        "",           "", "", "About", "Exit", "",
    "",      "Reset timer", "Load config", "Save config"};
// Minimize box, maximize box, a double click on the caption.
const WPARAM kSystemCommands[] = {SC_MINIMIZE, SC_MAXIMIZE, SC_MAXIMIZE + HTCAPTION};
const char* const kLegend =
    "fields locks lists running paused ringing timeUp hidden visible topmost aboutAllowed errorShowing "
    "selectedTime signalIndex clock(3) user(3) ringSeconds SetTimer KillTimer PlaySound, last sound, store";
const long kSteps = std::getenv("DOZEWELL_STEPS") ? std::atol(std::getenv("DOZEWELL_STEPS")) : 20000;

struct Stored {
    bool present = false;
    DWORD type = 0;
    std::string bytes;
};
std::string Bytes(std::uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}
bool Readable(const Stored& s, std::uint32_t limit, std::uint32_t& v) {
    return s.present && s.bytes.size() == 4 && (std::memcpy(&v, s.bytes.data(), 4), v <= limit);
}
std::string Describe(bool key, const Stored* values) {
    std::string text = key ? " key" : " no key";
    for (int i = 0; key && i < 3; ++i) {
        text += values[i].present ? " " + std::to_string(values[i].type) + ":" : " -";
        for (unsigned char c : values[i].bytes) text += std::to_string(c) + ".";
    }
    return text;
}
std::string Join(std::initializer_list<long long> values) {
    std::string text;
    for (long long v : values) text += " " + std::to_string(v);
    return text;
}
unsigned Clamped(unsigned h, unsigned m, unsigned s) {
    return std::min(h, 24u) * 3600 + std::min(m, 59u) * 60 + std::min(s, 59u);
}
bool AboutLayout(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) c == '\n' ? lines.emplace_back() : lines.back() += c;
    const size_t blanks[] = {0, 0, 5, 1, 0, 10, 10};
    bool ok = lines.size() == 7 && lines[0] == "       Dozewell Timer v0.2  ";
    for (int i : {2, 3, 5, 6}) ok = ok && lines[i].find_first_not_of(' ') == blanks[i];
    return ok;
}

struct Model {  // one run of the program; the store outlives it
    std::string fields[3] = {"0", "0", "0"}, lastSound;
    unsigned left = 0, user[3] = {}, ringSeconds = 0, selected = 0, timeList = 0, timers = 0, kills = 0,
             sounds = 0;
    std::int32_t signal = 0, signalList = 0;
    bool running = false, paused = false, ringing = false, hidden = false, topmost = false, aboutOpen = false,
         errorOpen = false;
};

struct Walk {
    explicit Walk(unsigned s) : seed(s), rng(s) {}
    unsigned seed;
    std::mt19937 rng;
    Model m;
    bool keyExists = false, failed = false, exited = false, refuse = false;
    Stored stored[3];
    HWND dialog = nullptr;
    std::string expected, trail;  // the box due: "caption|icon|text"
    long steps = 0, alarms = 0, boxes = 0, menus = 0, runs = 0;
    int opened = 0, depth = 0;

    int Rand(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    void Fail(const std::string& what) {
        if (!failed)
            ADD_FAILURE() << "seed " << seed << " (DOZEWELL_SEED replays it), step " << steps << ": " << what
                          << "\nlast steps:" << trail;
        failed = true;
    }
    // One step: the model's transition, the same input to the real dialog, then everything compared.
    void Act(const std::string& what, HWND to, UINT message, WPARAM w, LPARAM l,
             const std::function<void()>& apply) {
        if (failed || exited) return;
        ++steps, opened = 0;
        trail = trail.substr(trail.size() > 400 ? trail.size() - 400 : 0) + "; " + what;
        apply();
        const int box = opened;
        Recorded().refuseTimer = refuse;
        message ? void(SendMessageA(to, message, w, l)) : Pump();  // 0: the command a menu posted
        if (!expected.empty()) Fail("no box " + expected);
        if (box) (box == 1 ? m.aboutOpen : m.errorOpen) = false;
        if (!exited) return Check();
        const Calls& c = Recorded();  // exit: the timer killed, the icon deleted once, no Stop run
        if (c.killTimer != static_cast<int>(m.kills) || c.tray.size() != 2 ||
            c.tray[1].message != NIM_DELETE || c.tray[1].record.hWnd != dialog || c.sounds.size() != m.sounds)
            Fail("exit");
    }
    void Check() {
        if (failed) return;
        std::string real, locks = " ";
        for (int id : kFields)
            real += ItemText(dialog, id) + ":",
                locks += GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & ES_READONLY ? '1' : '0';
        locks += ' ';
        for (int id : kControls) locks += IsWindowEnabled(GetDlgItem(dialog, id)) ? '1' : '0';
        const AppState& s = appState;
        const ClockTime &c = s.clock, &u = PresetTable[0];
        const Calls& calls = Recorded();
        const long time = SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_GETCURSEL, 0, 0),
                   signal = SendDlgItemMessageA(dialog, IDC_SIGNAL_LIST, CB_GETCURSEL, 0, 0);
        const bool topmost = GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST;
        Stored now[3];
        HKEY key = nullptr;
        const bool exists = RegOpenKeyExA(SettingsRoot(), kKey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        for (int i = 0; exists && i < 3; ++i) {
            char data[16];
            DWORD size = sizeof data;
            now[i].present = !RegQueryValueExA(key, kNames[i], nullptr, &now[i].type, (BYTE*)data, &size);
            if (now[i].present) now[i].bytes.assign(data, size);
        }
        if (key) RegCloseKey(key);
        const long long visible = IsWindowVisible(dialog), timers = calls.setTimer.size(),
                        sounds = calls.sounds.size();
        real +=
            locks +
            Join({time, signal, s.running, s.paused, s.ringing, s.timeUp, s.hidden, visible, topmost}) +
            Join({s.aboutAllowed, s.errorShowing, s.selectedTime, s.signalIndex, c.hours, c.minutes,
                  c.seconds}) +
            Join({u.hours, u.minutes, u.seconds, s.ringSeconds, timers, calls.killTimer, sounds}) +
            (sounds ? " " + calls.sounds.back().name + "/" + std::to_string(calls.sounds.back().flags) : "") +
            Describe(exists, now);
        const std::string model =
            m.fields[0] + ":" + m.fields[1] + ":" + m.fields[2] + ": " + kLocks[State()] +
            Join({m.timeList, m.signalList,  m.running,        m.paused,     m.ringing,   0,
                  m.hidden,   !m.hidden,     m.topmost,        !m.aboutOpen, m.errorOpen, m.selected,
                  m.signal,   m.left / 3600, m.left / 60 % 60, m.left % 60,  m.user[0],   m.user[1],
                  m.user[2],  m.ringSeconds, m.timers,         m.kills,      m.sounds}) +
            m.lastSound + Describe(keyExists, stored);
        if (real != model)
            Fail("\n  legend: " + std::string(kLegend) + "\n  dialog: " + real + "\n  model:  " + model);
    }
    void OnBox(const harness::Box& box) {
        ++boxes;
        const bool about = box.caption == "About..." && AboutLayout(box.text) && box.topmost;
        const std::string got = box.caption + "|" + std::to_string(box.icon) + "|" + (about ? "" : box.text);
        if (got != expected)
            return Fail("box " + got + " where " + (expected.empty() ? "none" : expected) + " was due");
        expected.clear();
        Check();
        // While a box is open, ticks, the icon, its menu and F1 still reach the dialog.
        for (int n = depth < 2 ? Rand(4) : 0; n > 0; --n) ++depth, Step(true), --depth;
    }

    // ---- The model's transitions.
    int State() const { return m.ringing ? 3 : !m.running ? 0 : m.paused ? 2 : 1; }
    void Show(unsigned seconds) {
        const unsigned parts[] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
        for (int i = 0; i < 3; ++i) m.fields[i] = std::to_string(parts[i]);
    }
    void ShowPreset() {  // the user time is shown as stored, however large its counts
        for (int i = 0; i < 3 && !m.selected; ++i) m.fields[i] = std::to_string(m.user[i]);
        if (m.selected) Show(kPresets[m.selected]);
    }
    unsigned Field(int i) const { return m.fields[i].empty() ? 0 : std::stoul(m.fields[i]); }
    void Sound(const std::string& call) { ++m.sounds, m.lastSound = call; }
    void Topmost(bool on) {  // Wine keeps a window whose message box is open out of the topmost group
        if (!on || !(m.aboutOpen || m.errorOpen)) m.topmost = on;
    }
    bool TrayGray(UINT id) const {
        switch (id) {
        case ID_START: return m.running || m.errorOpen;
        case ID_PAUSE: return !m.running || m.ringing;
        case ID_STOP: return !m.running;
        case ID_TRAY_TIME:
        case ID_DISPLAY_WINDOW: return m.errorOpen;
        default: return m.aboutOpen || m.errorOpen;  // About, Exit
        }
    }
    void ExpectBox(bool about, const std::string& text, UINT icon) {
        expected = std::string(about ? "About..." : "Error") + "|" + std::to_string(icon) + "|" + text;
        (about ? m.aboutOpen : m.errorOpen) = true;
        opened = about ? 1 : 2;
    }
    void Command(UINT id) {
        switch (id) {
        case IDC_START:
        case ID_START: return Start();
        case IDC_PAUSE:
        case ID_PAUSE: m.paused = !m.paused; return;
        case IDC_STOP:
        case ID_STOP: return Stop();
        case ID_DISPLAY_WINDOW:
            if (m.hidden) Topmost(true), Topmost(m.ringing);
            m.hidden = !m.hidden;
            return;
        case ID_ABOUT:
            if (!m.aboutOpen) ExpectBox(true, "", 0);
            return;
        case ID_RESET_TIMER:
            if (!m.running) m.left = 0, Show(0);
            return;
        case ID_LOAD_CONFIG: return Load(false);
        case ID_SAVE_CONFIG: return Save();
        case IDCANCEL:
        case ID_EXIT: ++m.kills, exited = true; return;
        }
    }
    void Tick() {
        if (m.ringing) return m.ringSeconds ? void(--m.ringSeconds) : Stop();
        if (m.paused) return;
        const bool timeUp = m.left == 0;
        Show(m.left -= !timeUp);
        if (!timeUp) return;
        m.ringing = true, m.hidden = false, m.ringSeconds = 58, ++alarms;  // the alarm, within this tick
        Topmost(true);
        if (m.signal >= 0 && m.signal <= 2)
            Sound(std::string(" ") + kSounds[m.signal] + "/262157");  // looping
    }
    void Start() {
        if (refuse) return ExpectBox(false, "No timer is available\n", MB_ICONERROR);
        ++m.timers, m.left = Clamped(Field(0), Field(1), Field(2));
        m.paused = false, m.running = true;
    }
    void Stop() {
        if (m.signal >= 0 && m.signal <= 2) Sound(" /0");
        m.running = false, ++m.kills;
        ShowPreset();
        if (m.ringing) Topmost(false);
        m.ringing = false;
    }
    void Load(bool first) {
        unsigned bits = keyExists ? 0 : 1;
        std::uint32_t v[3] = {};
        for (int i = 0; i < 3 && keyExists; ++i) bits |= Readable(stored[i], kLimits[i], v[i]) ? 0 : 2u << i;
        // A value that is not 4 bytes, or an index outside its list, leaves the old one.
        if (keyExists && !(bits & 2))
            m.user[0] = v[0] >> 16, m.user[1] = (v[0] >> 8) & 0xFF, m.user[2] = v[0] & 0xFF;
        if (keyExists && !(bits & 4)) m.selected = v[1];
        if (keyExists && !(bits & 8)) m.signal = static_cast<std::int32_t>(v[2]);
        std::string text = "Can't read data from registry: \n\n";
        for (int i = 0; i < 3; ++i) text += bits & 2u << i ? kReadLines[i] : "";
        if (bits && !first)
            return ExpectBox(false, bits & 1 ? "Can't read configurations" : text,
                             bits & 1 ? MB_ICONWARNING : MB_ICONERROR);
        ShowPreset();
        m.timeList = m.selected, m.signalList = m.signal;
    }
    void Save() {
        const unsigned saved = Clamped(Field(0), Field(1), Field(2)), h = saved / 3600, mi = saved / 60 % 60;
        if (Field(0) > 24 || Field(1) > 59 || Field(2) > 59) Show(saved);  // the clamped value written back
        std::uint32_t v = 0;
        const bool noUserTime = !keyExists || !Readable(stored[0], ~0u, v);
        keyExists = true, m.left = saved;
        if (m.selected == 0) m.user[0] = h, m.user[1] = mi, m.user[2] = saved % 60;
        if (m.selected == 0 || noUserTime)
            stored[0] = {true, REG_DWORD, Bytes(m.selected ? 0 : h << 16 | mi << 8 | saved % 60)};
        stored[1] = {true, REG_DWORD, Bytes(m.selected)};
        stored[2] = {true, REG_DWORD, Bytes(static_cast<std::uint32_t>(m.signal))};
    }
    // Another program's data under our names: missing values, other types and sizes, indices out of range.
    void WriteStore() {
        if (Rand(10) == 0) {
            RegDeleteTreeA(SettingsRoot(), "Software\\Dozewell Timer");
            keyExists = false;
            return std::fill(stored, stored + 3, Stored{});
        }
        HKEY key = nullptr;
        RegCreateKeyExA(SettingsRoot(), kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        keyExists = true;
        for (int i = 0; i < 3; ++i) {
            std::uint32_t number = rng();  // now and then anything at all
            if (Rand(8)) number = i == 0 ? Rand(26) << 16 | Rand(64) << 8 | Rand(64) : Rand(i == 1 ? 13 : 5);
            Stored& s = stored[i];
            switch (Rand(8)) {
            case 0: s = Stored{}; break;
            case 1: s = {true, REG_BINARY, std::string(Rand(9), static_cast<char>(Rand(256)))}; break;
            case 2: s = {true, REG_SZ, std::string("123\0", 4).substr(Rand(2))}; break;
            case 3: s = {true, REG_QWORD, Bytes(number) + Bytes(0)}; break;
            default: s = {true, Rand(4) ? DWORD{REG_DWORD} : DWORD{REG_BINARY}, Bytes(number)};
            }
            RegDeleteValueA(key, kNames[i]);
            if (s.present)
                RegSetValueExA(key, kNames[i], 0, s.type, (const BYTE*)s.bytes.data(), s.bytes.size());
        }
        RegCloseKey(key);
    }
    // Opens a menu for real, compares its items with the model and chooses one of those the model offers.
    void OpenMenu(bool tray, bool mayExit) {
        std::string time, want, got;
        for (int i = 0; i < 3; ++i)
            time += (i ? ":" : "") + std::string(Field(i) < 10 ? "0" : "") + std::to_string(Field(i));
        std::vector<UINT> offered;
        for (UINT id : tray ? kTrayItems : kContextItems) {
            const bool gray =
                tray ? id && TrayGray(id) : m.running && (id == ID_RESET_TIMER || id == ID_LOAD_CONFIG);
            const std::string text = id == ID_TRAY_TIME        ? time
                                     : id == ID_DISPLAY_WINDOW ? (m.hidden ? "Show" : "Hide")
                                     : id                      ? kItemTexts[id - ID_START]
                                                               : "";
            want += id ? std::to_string(id) + " " + text + (gray ? " grayed; " : "; ") : "-; ";
            if (id && !gray && (id != ID_EXIT || mayExit)) offered.push_back(id);
        }
        UINT chosen = 0;
        const long shown = menus;
        SetMenuHandler([&](const Menu& menu) -> UINT {
            ++menus;
            for (const MenuItem& it : menu.items)
                got += it.separator
                           ? "-; "
                           : std::to_string(it.id) + " " + it.text + (it.grayed ? " grayed; " : "; ");
            if (got != want) return Fail("menu\n  shows: " + got + "\n  model: " + want), 0u;
            return chosen = Rand(4) && !offered.empty() ? offered[Rand(offered.size())] : 0;
        });
        const UINT message = tray ? WM_TRAYNOTIFY : Rand(2) ? WM_RBUTTONDOWN : WM_SYSCOMMAND;
        Act(tray ? "tray menu" : "context menu", dialog, message, SC_MOUSEMENU + HTSYSMENU, WM_RBUTTONDOWN,
            [] {});
        SetMenuHandler(nullptr);
        if (menus == shown) Fail("the menu did not open");
        if (chosen) Act("item " + std::to_string(chosen), dialog, 0, 0, 0, [&] { Command(chosen); });
    }
    void Send(UINT id) {
        Act("command " + std::to_string(id), dialog, WM_COMMAND, id, 0, [=, this] { Command(id); });
    }

    // One user action among those that the dialog, the icon and its menus offer at this moment.
    void Step(bool boxOpen) {
        const bool stopped = !m.running, atDialog = !m.hidden && !boxOpen;
        const int a = Rand(3), b = Rand(11), list = a % 2, index = b % (list ? 4 : 11);
        const std::string text = b ? std::to_string(b < 8 ? b % 4 : Rand(100)) : "";
        refuse = Rand(10) == 0;
        Pump();  // what the message loop delivers between two user actions
        switch (Rand(boxOpen ? 6 : 19)) {
        case 0:
        case 1:
            for (int n = Rand(10) ? 1 : 1 + Rand(70); n > 0 && m.running; --n)
                Act("tick", dialog, WM_TIMER, TIMER_ID, 0, [this] { Tick(); });
            break;
        case 2:
            if (!TrayGray(ID_START + a)) Send(ID_START + a);
            break;
        case 3:
            if (!TrayGray(a ? ID_DISPLAY_WINDOW : ID_ABOUT)) Send(a ? ID_DISPLAY_WINDOW : ID_ABOUT);
            break;
        case 4:  // a click shows the dialog, a double click hides it
            Act("icon", dialog, WM_TRAYNOTIFY, 0, a ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN,
                [&] { m.hidden = a; });
            break;
        case 5:
            if (a) OpenMenu(true, !boxOpen && Rand(30) == 0);
            if (!a && !m.hidden) Act("F1", dialog, WM_HELP, 0, 0, [&] { Command(ID_ABOUT); });
            break;
        case 6:
            if (atDialog && kLocks[State()][7 + a] == '1') Send(IDC_START + a);
            break;
        case 7:  // the minimize box hides; the maximize box hides and starts, or stops
            if (atDialog)
                Act("system command", dialog, WM_SYSCOMMAND, kSystemCommands[a], 0, [&] {
                    m.hidden = m.hidden || a == 0 || (a == 1 && stopped);
                    if (a == 1) stopped ? Start() : Stop();
                });
            break;
        case 8:
            if (atDialog && stopped)
                SendDlgItemMessageA(dialog, IDC_TIME_LIST + 4 * list, CB_SETCURSEL, index, 0);
            if (atDialog && stopped)
                Act("select", dialog, WM_COMMAND, MAKEWPARAM(IDC_TIME_LIST + 4 * list, CBN_SELCHANGE), 0,
                    [&] {
                        list ? void(m.signal = m.signalList = index)
                             : (m.selected = m.timeList = index, ShowPreset());
                    });
            break;
        case 9:
        case 10:
            if (atDialog && stopped)
                Act("type " + text, GetDlgItem(dialog, kFields[a]), WM_SETTEXT, 0, (LPARAM)text.c_str(),
                    [&] { m.fields[a] = text; });
            break;
        case 11:
        case 12:
            if (atDialog && stopped && Rand(2)) WriteStore();
            if (atDialog) Rand(2) ? OpenMenu(false, Rand(30) == 0) : Send(ID_SAVE_CONFIG);
            break;
        case 13:
            if (atDialog && stopped) Send(a ? ID_LOAD_CONFIG : ID_RESET_TIMER);
            break;
        case 14:
            if (atDialog && Rand(100) == 0) Send(a ? IDCANCEL : ID_EXIT);
            break;
        default:
            if (atDialog) Send(a ? IDOK : ID_TRAY_TIME);
        }
    }
    void Session(HWND d) {
        ++runs, dialog = d, exited = false, m = Model{};
        Load(true);  // the silent load at start
        SetBoxHandler([this](const harness::Box& box) { OnBox(box); });
        Check();
        while (!failed && !exited && steps < kSteps) Step(false);
    }
};

HMENU(WINAPI* realLoadMenu)(HINSTANCE, LPCSTR);
BOOL(WINAPI* realDestroyMenu)(HMENU);
int menusLoaded = 0, menusDestroyed = 0;
HMENU WINAPI CountLoadMenu(HINSTANCE module, LPCSTR name) {
    return ++menusLoaded, realLoadMenu(module, name);
}
BOOL WINAPI CountDestroyMenu(HMENU menu) {
    return ++menusDestroyed, realDestroyMenu(menu);
}
BOOL WINAPI ForegroundTaken(HWND) {
    return TRUE;
}
BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    return ++*reinterpret_cast<int*>(count), TRUE;
}

}  // namespace

class ReliabilityTest : public DialogTest {
  protected:
    // No window manager hands the foreground over here; the tray menu would read "Error".
    ImportPatch foreground_{"user32.dll", "SetForegroundWindow",
                            reinterpret_cast<const void*>(ForegroundTaken)};
};

TEST_F(ReliabilityTest, RandomWalkMatchesTheModel) {
    const char* replay = std::getenv("DOZEWELL_SEED");
    const unsigned seed = replay ? std::strtoul(replay, nullptr, 10) : std::random_device{}();
    std::printf("DOZEWELL_SEED=%u\n", seed);
    std::fflush(stdout);
    Walk walk(seed);
    while (!walk.failed && walk.steps < kSteps) {
        ResetProgramState();  // a new run of the program; the store stays
        RunMainDialog([&](HWND dialog) { walk.Session(dialog); });
    }
    std::printf("%ld steps, %ld runs, %ld alarms, %ld boxes, %ld menus\n", walk.steps, walk.runs, walk.alarms,
                walk.boxes, walk.menus);
    EXPECT_TRUE(walk.failed || kSteps < 20000 || (walk.alarms > 20 && walk.boxes > 200 && walk.menus > 200));
}

// 24:59:59 is T = 89,999 ticks: the alarm starts at tick T + 1 and its 59th tick stops it.
TEST_F(ReliabilityTest, FullDayCountdownRingsAtTick90000) {
    RunMainDialog([](HWND dialog) {
        auto fields = [dialog] {
            return ItemText(dialog, IDC_HOURS) + ":" + ItemText(dialog, IDC_MINUTES) + ":" +
                   ItemText(dialog, IDC_SECONDS);
        };
        auto topmost = [dialog] { return (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
        SendDlgItemMessageA(dialog, IDC_TIME_LIST, CB_SETCURSEL, 8, 0);  // "2 hour"
        SendCommand(dialog, IDC_TIME_LIST, CBN_SELCHANGE);
        for (int field : kFields) SetItemText(dialog, field, "99");
        SendCommand(dialog, IDC_START);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_MINIMIZE, 0);  // hidden for the day; the alarm shows it
        Tick(dialog);
        EXPECT_EQ(fields(), "24:59:58");
        Tick(dialog, 3600);
        EXPECT_EQ(fields(), "23:59:58");
        Tick(dialog, 89999 - 3601);
        EXPECT_EQ(fields(), "0:0:0");
        EXPECT_FALSE(appState.ringing);
        Tick(dialog);
        EXPECT_TRUE(appState.ringing && IsWindowVisible(dialog) && topmost() &&
                    Recorded().sounds.size() == 1);
        Tick(dialog, 58);
        EXPECT_TRUE(appState.ringing);
        Tick(dialog);
        EXPECT_FALSE(appState.running || appState.ringing || topmost());
        EXPECT_EQ(fields(), "2:0:0");
        EXPECT_EQ(Recorded().sounds.size(), 2u);
        EXPECT_EQ(Recorded().killTimer, 1);
    });
}

TEST_F(ReliabilityTest, ThousandsOfOpeningsLeaveNothingBehind) {
    ImportPatch load("user32.dll", "LoadMenuA", reinterpret_cast<const void*>(CountLoadMenu));
    ImportPatch destroy("user32.dll", "DestroyMenu", reinterpret_cast<const void*>(CountDestroyMenu));
    realLoadMenu = load.Original<decltype(realLoadMenu)>();
    realDestroyMenu = destroy.Original<decltype(realDestroyMenu)>();
    RunMainDialog([](HWND dialog) {
        int windows = 0, windowsAfter = 0;
        EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windows));
        for (int i = 0; i < 1000; ++i) {
            if (i % 20 == 19) {  // the maximize box hides and starts 0:0:0, which rings out at tick 60
                SendMessageA(dialog, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
                Tick(dialog, 60);
            } else {
                SendCommand(dialog, i % 2 ? IDC_START : ID_START);
                Tick(dialog, i % 7);
                SendMessageA(dialog, i % 3 ? WM_COMMAND : WM_SYSCOMMAND,
                             i % 3 ? (i % 2 ? IDC_STOP : ID_STOP) : SC_MAXIMIZE, 0);
            }
            Pump();  // a menu opens only once the loop has cleared what a closed box left behind
            SendMessageA(dialog, WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN);
            SendMessageA(dialog, WM_RBUTTONDOWN, 0, 0);
            SendMessageA(dialog, WM_HELP, 0, 0);
            Recorded().refuseTimer = true;
            SendCommand(dialog, IDC_START);
            Recorded().refuseTimer = false;
        }
        EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windowsAfter));
        EXPECT_EQ(Menus().size(), 2000u);
        EXPECT_EQ(menusLoaded, 2000);
        EXPECT_EQ(menusDestroyed, 2000);
        EXPECT_EQ(Recorded().setTimer.size(), 1000u);
        EXPECT_EQ(Recorded().killTimer, 1000);
        EXPECT_EQ(Boxes().size(), 2000u);
        EXPECT_EQ(windowsAfter, windows);
        EXPECT_TRUE(!appState.running && appState.aboutAllowed == 1 && !appState.errorShowing);
    });
}
