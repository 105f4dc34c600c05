#include "shell/control_dialog.h"

#include <algorithm>

#include "resources/interfaces.h"
#include "resources/resource.h"
#include "sensor/sensore.h"
#include "shell/globals.h"
#include "shell/profile.h"
#include "shell/viewer.h"

namespace {

const int ORIENTATIONS = 4;

// Where each sensor picture lies in client coordinates, by orientation - 1.
RECT g_hitRects[ORIENTATIONS];

void ShowControl(HWND dialog, int id, bool visible)
{
    ShowWindow(GetDlgItem(dialog, id), visible ? SW_SHOW : SW_HIDE);
}

void FlipVisibility(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    // The style bit, not IsWindowVisible: the answer must not depend on the dialog being shown.
    const bool visible = (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
    ShowWindow(control, visible ? SW_HIDE : SW_SHOW);
}

void SelectOrientation(HWND dialog, int orientation)
{
    const int current = g_sensor->orientation;
    FlipVisibility(dialog, IDC_PICTURE_BASE + current);
    FlipVisibility(dialog, IDC_HIGHLIGHT_BASE + current);
    g_sensor->orientation = orientation;
    FlipVisibility(dialog, IDC_PICTURE_BASE + orientation);
    FlipVisibility(dialog, IDC_HIGHLIGHT_BASE + orientation);
}

// The bottom-right corner of the primary monitor's work area, clear of the taskbar.
POINT DefaultCorner(int width, int height)
{
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return POINT{work.right - width, work.bottom - height};
}

// The saved position (0 = none saved, per coordinate), kept whole on a monitor: a dialog
// that no monitor shows goes to the default corner, one partly off is moved onto the work
// area of the monitor that shows most of it. A dialog off screen is a program nobody can use.
POINT OpeningPosition(int width, int height)
{
    const POINT corner = DefaultCorner(width, height);
    const int savedX = ReadProfileInt(g_appName, "X", 0, TAVRO_INI);
    const int savedY = ReadProfileInt(g_appName, "Y", 0, TAVRO_INI);
    const int x = savedX ? savedX : corner.x, y = savedY ? savedY : corner.y;
    RECT rect;
    SetRect(&rect, x, y, x + width, y + height);

    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    HMONITOR shown = MonitorFromRect(&rect, MONITOR_DEFAULTTONULL);
    if (!shown || !GetMonitorInfoA(shown, &monitor))
        return corner;
    const RECT &work = monitor.rcWork;
    return POINT{std::max(work.left, std::min<LONG>(x, work.right - width)),
                 std::max(work.top, std::min<LONG>(y, work.bottom - height))};
}

// The main window goes first, so the dialog's own move finds it in place and
// follows it there, not to the main window's default rectangle.
void PlaceWindows(HWND dialog)
{
    RECT rect;
    GetWindowRect(dialog, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const POINT position = OpeningPosition(width, height);

    SetWindowPos(g_mainWindow, nullptr, position.x, position.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(dialog, HWND_TOPMOST, position.x, position.y, width, height, 0);
    SetWindowPos(g_mainWindow, dialog, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void RecordHitRects(HWND dialog)
{
    for (int orientation = 1; orientation <= ORIENTATIONS; ++orientation) {
        RECT &rect = g_hitRects[orientation - 1];
        GetWindowRect(GetDlgItem(dialog, IDC_PICTURE_BASE + orientation), &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&rect), 2);
    }
}

void OnInitDialog(HWND dialog)
{
    g_controlDialog = dialog;
    PlaceWindows(dialog);
    RecordHitRects(dialog);
    ShowControl(dialog, IDC_PICTURE_BASE + g_sensor->orientation, false);
    ShowControl(dialog, IDC_HIGHLIGHT_BASE + g_sensor->orientation, true);
    SetMenuCheck(dialog, IDM_AUTO_WAIT, g_sensor->autoWait != 0);
    SetMenuCheck(dialog, IDM_HIGH_RESOLUTION, g_sensor->highResolution != 0);
}

// The dialog always lies exactly on the main window, which carries the taskbar entry.
// A minimised main window has no rectangle worth taking: the dialog, hidden with it, keeps its own.
void FollowMainWindow(HWND dialog)
{
    if (IsIconic(g_mainWindow))
        return;
    RECT rect;
    GetWindowRect(g_mainWindow, &rect);
    MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

// The dialog's own menu bar is opened by the default handling (a click on it, Alt, F10,
// Alt+F); every other system command, Alt+Space among them, belongs to the main window.
bool ForwardSysCommand(WPARAM command, LPARAM lParam)
{
    const WPARAM type = command & 0xFFF0;
    if (type == SC_MOUSEMENU || (type == SC_KEYMENU && lParam != ' '))
        return false;
    SendMessageA(g_mainWindow, WM_SYSCOMMAND, command, lParam);
    return true;
}

void OnClose(HWND dialog)
{
    g_controlDialog = nullptr;
    PostMessageA(g_mainWindow, WM_CLOSE, 0, 0);
    DestroyWindow(dialog);
}

void OnClick(HWND dialog, LPARAM point)
{
    const POINT click = {LOWORD(point), HIWORD(point)};
    for (int orientation = 1; orientation <= ORIENTATIONS; ++orientation) {
        if (PtInRect(&g_hitRects[orientation - 1], click)) {
            if (orientation != g_sensor->orientation)
                SelectOrientation(dialog, orientation);
            return;
        }
    }
}

void ToggleAutoWait(HWND dialog)
{
    g_sensor->autoWait = g_sensor->autoWait == 0 ? 1 : 0;
    SetMenuCheck(dialog, IDM_AUTO_WAIT, g_sensor->autoWait != 0);
    WriteProfileInt(g_appName, "grabAuto", g_sensor->autoWait, TAVRO_INI);
}

void ToggleHighResolution(HWND dialog)
{
    g_sensor->ToggleHighResolution();
    SetMenuCheck(dialog, IDM_HIGH_RESOLUTION, g_sensor->highResolution != 0);
    WriteProfileInt(g_appName, "HighRes", g_sensor->highResolution ? 1 : 0, TAVRO_INI);
}

void OnCommand(HWND dialog, WORD command)
{
    switch (command) {
    case IDM_HARDWARE_SETUP:
        g_sensor->HardwareSetup();
        break;
    case IDM_EXIT:
        SendMessageA(g_mainWindow, WM_CLOSE, 0, 0);
        break;
    case IDM_TEST_ACQUISITION:
        g_sensor->TestAcquisition();
        break;
    case IDM_DRIVER_VERSION:
        g_sensor->ShowDriverVersion();
        break;
    case IDM_ACQUIRE:
        g_sensor->AcquireNow();
        break;
    case IDM_PREVIEW:
        ToggleViewer();
        break;
    case IDM_AUTO_WAIT:
        ToggleAutoWait(dialog);
        break;
    case IDM_HIGH_RESOLUTION:
        ToggleHighResolution(dialog);
        break;
    }
}

} // namespace

void SetMenuCheck(HWND dialog, UINT command, bool checked)
{
    CheckMenuItem(GetMenu(dialog), command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    DrawMenuBar(dialog);
}

extern "C" INT_PTR CALLBACK MainDlgBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_MOVE:
        FollowMainWindow(dialog);
        return TRUE;
    case WM_SYSCOMMAND:
        return ForwardSysCommand(wParam, lParam);
    case WM_CLOSE:
        OnClose(dialog);
        return TRUE;
    case WM_DESTROY:
        g_controlDialog = nullptr; // nothing is forwarded to a dialog on its way out
        g_sensor->CloseHardware();
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        return TRUE;
    case WM_LBUTTONDOWN:
        OnClick(dialog, lParam);
        return TRUE;
    case WM_USER:
        if (wParam == 0)
            return TRUE;
        g_sensor->Poll(wParam, lParam);
        return TRUE;
    case WM_TIMER:
    case WM_TAVRO_TRIGGER:
        g_sensor->Poll(wParam, lParam);
        return TRUE;
    }
    return FALSE;
}
