// Drives the real tavro.exe from a second process: its windows, the simulated library's
// journal, the stand-ins' records and the settings files.
#ifndef TAVRO_E2E_HARNESS_H
#define TAVRO_E2E_HARNESS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "standins/unix_side.h"

namespace e2e {

const DWORD WAIT_MS = 15000;

// A path under the build folder, in Windows form.
std::string BuildPath(const std::string &relative);
std::string ReadTextFile(const std::string &path);
void WriteTextFile(const std::string &path, const std::string &text);
// Profile files without a path live in the Windows folder.
std::string ProfilePath(const char *name);
// The value of key in [section] of a profile file, read as text; "<absent>" when missing.
std::string IniValue(const char *file, const char *section, const char *key);

// Polls until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs = WAIT_MS);

std::string WindowText(HWND window);
RECT WindowRect(HWND window);
// The two windows cover exactly the same rectangle, as the main window and the dialog do.
bool SameRect(HWND a, HWND b);
std::string ItemText(HWND dialog, int id);
bool ItemVisible(HWND dialog, int id);

// One line of a journal: "<time> <name> <args...> = <results...>".
struct Call {
    double time;
    std::string name;
    std::vector<std::string> args;
    std::vector<std::string> results;
};
std::vector<Call> ReadJournal(const std::string &path);

// One run of tavro.exe in a folder of its own, with the simulated library (or another one).
class Tavro {
public:
    // library: path under the build folder of the vix32.dll to put beside the program, or
    // nullptr for none. Removes tavro.ini and vixwin.ini.
    explicit Tavro(const char *library = "standins/vix32.dll");
    ~Tavro();
    Tavro(const Tavro &) = delete;
    Tavro &operator=(const Tavro &) = delete;

    // Settings of the simulated library, read by it at every call.
    void Sim(const std::string &key, long long value);
    void Sim(const std::string &key, const std::string &value);

    // Puts the viewer stand-in lanko.exe beside the program.
    void AddViewer() const;

    // Starts the program with a show command, as a shortcut would give it.
    void Start(int showCommand = SW_SHOWNORMAL);
    // Starts and waits until the control dialog and main window are shown and the hardware opened.
    void StartAndWait();
    // True once the program's control dialog and main window are both shown.
    bool FindWindows();
    bool WaitForExit(DWORD timeoutMs = WAIT_MS);
    bool Running() const;
    // Ends the process at once, as Windows does when the session ends, and waits for it.
    bool Terminate();

    std::vector<Call> Journal() const;
    std::vector<Call> Calls(const std::string &name) const;
    bool WaitForCalls(const std::string &name, size_t count = 1, DWORD timeoutMs = WAIT_MS) const;

    // A message box of this process with the given caption, once it is shown.
    HWND WaitForMessageBox(const std::string &caption, DWORD timeoutMs = WAIT_MS) const;
    bool MessageBoxOpen(const std::string &caption) const;

    HWND Dialog() const { return dialog_; }
    HWND Main() const { return main_; }
    DWORD ProcessId() const { return processInfo_.dwProcessId; }
    const std::string &Folder() const { return folder_; }

    // Clicks the point of the dialog's client area, as a real click on a picture would arrive.
    void Click(POINT point) const;
    // The centre of a control in the dialog's client coordinates.
    POINT ControlCentre(int id) const;

    // Real input through X, as the operator's hands make it: xdotool's commands
    // ("key alt+f", "mousemove 10 20 click 1"), at Wine's screen coordinates.
    bool Input(const std::string &xdotoolCommands) const;
    bool ClickScreen(POINT screen) const;
    // A real click on the dialog between the pictures (it selects nothing): the keyboard's
    // input then goes to the dialog.
    bool FocusDialog() const;
    // The centre of a control on the screen.
    POINT ScreenCentre(int id) const;
    // "File" on the dialog's menu bar, on the screen.
    POINT MenuBarFile() const;
    // The program's open pop-up menu, once it shows; none when it does not open.
    HWND WaitForOpenMenu(DWORD timeoutMs = WAIT_MS) const;
    // The screen centre of item n (from 0, separators counted) of the open pop-up menu.
    POINT OpenMenuItem(int n) const;
    // Whether the open pop-up menu offers the command: present and not greyed.
    bool OpenMenuOffers(UINT command) const;

private:
    void WriteSimSettings() const;
    struct MenuItem {
        RECT rect;
        UINT command;
        int greyed;
    };
    // The open pop-up menu's items, as the program sees them.
    std::vector<MenuItem> OpenMenuItems() const;

    std::string folder_;
    std::vector<std::pair<std::string, std::string>> sim_;
    PROCESS_INFORMATION processInfo_ = {};
    HWND dialog_ = nullptr;
    HWND main_ = nullptr;
};

// Text of a message box (its static control 65535), and closing it with OK.
std::string MessageBoxText(HWND box);
void DismissMessageBox(HWND box);

// A stand-in receiver or viewer started by a test, ended with it.
class StandIn {
public:
    StandIn(const std::string &program, const std::string &arguments, const char *windowClass);
    ~StandIn();
    HWND Window() const { return window_; }
    bool WaitForExit(DWORD timeoutMs = WAIT_MS) const;

private:
    PROCESS_INFORMATION processInfo_ = {};
    HWND window_ = nullptr;
};

} // namespace e2e

#endif
