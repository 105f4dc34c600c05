// Start-up, the main window, the message loop and the settings of tavro.ini.
#include <windows.h>

#include "delivery/crash_log.h"
#include "delivery/deliver.h"
#include "delivery/exposure_log.h"
#include "resources/interfaces.h"
#include "resources/resource.h"
#include "sensor/gendex.h"
#include "shell/control_dialog.h"
#include "shell/globals.h"
#include "shell/profile.h"
#include "shell/viewer.h"

extern "C" LRESULT CALLBACK FfindWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

const int MAIN_WIDTH = 390;
const int MAIN_HEIGHT = 540;

// Where the window pair last stood on the screen while not minimised. A minimised window's
// placement is in workspace coordinates, which differ from the screen's by a work area's
// offset: the screen rectangle is taken as it moves instead.
POINT g_pairPosition;

void RememberPosition(HWND window)
{
    RECT rect;
    if (!IsIconic(window) && GetWindowRect(window, &rect))
        g_pairPosition = POINT{rect.left, rect.top};
}

void SaveState()
{
    LogLine("Uscita");
    // Tell the photo server we are leaving; it must not wait for us.
    if (HWND server = FindWindowA(PHOTO_SERVER_CLASS, nullptr))
        PostMessageA(server, g_deleteResourceMessage, LEAVING_NOTICE_WPARAM, 0);
    CloseViewer();
    WriteProfileInt(g_appName, "Lanko", g_viewerEnabled ? 1 : 0, TAVRO_INI);

    WriteProfileInt(g_appName, "X", g_pairPosition.x, TAVRO_INI);
    WriteProfileInt(g_appName, "Y", g_pairPosition.y, TAVRO_INI);
}

// The pair keeps the control dialog's size, whatever asks the main window to grow.
void KeepDialogSize(HWND window, WINDOWPOS *position)
{
    RECT dialog;
    if ((position->flags & SWP_NOSIZE) || IsIconic(window) || !g_controlDialog ||
        !GetWindowRect(g_controlDialog, &dialog))
        return;
    position->cx = dialog.right - dialog.left;
    position->cy = dialog.bottom - dialog.top;
}

// Maximising or sizing the pair would blow the always-on-top dialog up over everything.
void RefuseGrowth(HWND window, WPARAM command, LPARAM lParam)
{
    const WPARAM type = command & 0xFFF0;
    if (type != SC_MAXIMIZE && type != SC_SIZE)
        DefWindowProcA(window, WM_SYSCOMMAND, command, lParam);
}

// Without a sizing frame and a maximise box, Windows offers neither: no Maximize or Size in
// the system menu, no snapping to the screen's edges, no Win+Up.
void RemoveGrowthFrame(HWND window)
{
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, style & ~(WS_THICKFRAME | WS_MAXIMIZEBOX));
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Windows may take the first show command from the starting program, and the dialog's
// own showing may be that first one.
void RestoreIfMaximised(HWND window)
{
    if (IsZoomed(window))
        ShowWindow(window, SW_RESTORE);
}

void ForwardToControlDialog(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_controlDialog && IsWindow(g_controlDialog))
        SendMessageA(g_controlDialog, message, wParam, lParam);
}

void RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = FfindWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, g_appName);
    if (!windowClass.hIcon) // the icon carries a number, not the application's name
        windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVRO));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = g_appName;
    RegisterClassA(&windowClass);
}

void InitInstance(HINSTANCE instance, int showCommand)
{
    g_instance = instance;
    g_mainWindow = CreateWindowExA(0, g_appName, g_appName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                   CW_USEDEFAULT, CW_USEDEFAULT, MAIN_WIDTH, MAIN_HEIGHT, nullptr,
                                   nullptr, instance, nullptr);
    RemoveGrowthFrame(g_mainWindow);
    CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_CONTROL), g_mainWindow, MainDlgBoxProc, 0);
    // A shortcut set to run maximised must not blow the pair up either.
    if (showCommand == SW_SHOWMAXIMIZED)
        showCommand = SW_SHOWNORMAL;
    ShowWindow(g_mainWindow, showCommand);
    RestoreIfMaximised(g_controlDialog);
    RestoreIfMaximised(g_mainWindow);
    UpdateWindow(g_mainWindow);
    g_sensor->Attach(g_controlDialog, instance);
    g_sensor->OpenHardware();
    g_sensor->OnWindowsReady();
}

void InitApplication(HINSTANCE instance, int showCommand)
{
    LoadStringA(instance, IDS_APPNAME, g_appName, sizeof g_appName);
    RegisterMainClass(instance);
    g_sensor->autoWait = ReadProfileInt(g_appName, "grabAuto", 0, TAVRO_INI);
    g_sensor->highResolution = ReadProfileInt(g_appName, "HighRes", 0, TAVRO_INI);
    InitInstance(instance, showCommand);
    g_viewerEnabled = ReadProfileInt(g_appName, "Lanko", 1, TAVRO_INI);
    LaunchViewer();
}

bool IsForDialog(const MSG &message)
{
    return g_controlDialog && (message.hwnd == g_controlDialog || IsChild(g_controlDialog, message.hwnd));
}

// Space would click the focused "Esci", Enter the default button, and a letter (E) the button
// it underlines: one stray key would end the acquisition. No control of the dialog takes
// text, and Escape has nothing to do either.
bool IsStrayKey(const MSG &message)
{
    if (message.message == WM_CHAR)
        return true;
    if (message.message != WM_KEYDOWN && message.message != WM_KEYUP)
        return false;
    return message.wParam == VK_SPACE || message.wParam == VK_RETURN || message.wParam == VK_ESCAPE;
}

// F5 and the dialog's keyboard handling go to the control dialog before anything else.
WPARAM RunMessageLoop(HACCEL accelerators)
{
    MSG message = {};
    BOOL result;
    while ((result = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (result == -1) // a broken loop must end, not spin
            return 0;
        if (TranslateAcceleratorA(g_controlDialog, accelerators, &message))
            continue;
        if (IsForDialog(message)) {
            if (IsStrayKey(message))
                continue;
            // Alt and a letter opens the menu of that letter, never clicks "Esci" (Alt+E).
            if (message.message == WM_SYSCHAR) {
                DispatchMessageA(&message);
                continue;
            }
        }
        if (!g_controlDialog || !IsWindow(g_controlDialog) || !IsDialogMessageA(g_controlDialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return message.wParam;
}

// Two programs must never hold the sensor, nor tell the receivers that they leave. The mutex
// is held until the process ends; another user's session on the same computer has its own.
// One that cannot be opened belongs to a Tavro run with other rights in this session.
bool AnotherTavroRuns()
{
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, TAVRO_INSTANCE_MUTEX);
    const DWORD error = GetLastError();
    return mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

// Without waiting on it: a Tavro kept busy by its library must not hold this start too.
void BringRunningTavroForward()
{
    HWND running = FindWindowA(TAVRO_WINDOW_CLASS, nullptr);
    if (!running) // still starting, or showing a box before its windows
        return;
    // This start is the operator's, so it may hand the foreground on.
    DWORD process = 0;
    GetWindowThreadProcessId(running, &process);
    AllowSetForegroundWindow(process);
    // As the taskbar restores it: the window pair shows again, control dialog and all, and
    // takes the foreground itself.
    if (IsIconic(running))
        PostMessageA(running, WM_SYSCOMMAND, SC_RESTORE, 0);
    else
        SetForegroundWindow(GetLastActivePopup(running));
}

} // namespace

extern "C" LRESULT CALLBACK FfindWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        SaveState();
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        RememberPosition(window);
        ForwardToControlDialog(message, wParam, lParam);
        return 0;
    case WM_SETFOCUS:
        ForwardToControlDialog(message, wParam, lParam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_QUERYENDSESSION:
        return 1;
    case WM_ENDSESSION:
        if (wParam) {
            SaveImagesInHand();
            SaveState();
        }
        return 0;
    case WM_USER:
    case WM_TAVRO_TRIGGER:
        g_sensor->Poll(wParam, lParam);
        return 0;
    case WM_WINDOWPOSCHANGING:
        KeepDialogSize(window, reinterpret_cast<WINDOWPOS *>(lParam));
        return 0;
    case WM_SYSCOMMAND:
        RefuseGrowth(window, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand)
{
    if (AnotherTavroRuns()) {
        BringRunningTavroForward();
        return 0;
    }
    LogCrashes();
    g_sensor = new SGendex;
    if (!g_sensor->driverLibrary) {
        delete g_sensor;
        return 0;
    }
    WPARAM exitCode = 0;
    if (!previousInstance) {
        g_controlDialog = nullptr;
        InitApplication(instance, showCommand);
        exitCode = RunMessageLoop(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS)));
    }
    delete g_sensor;
    return static_cast<int>(exitCode);
}
