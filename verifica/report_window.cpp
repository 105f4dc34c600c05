#include "verifica/report_window.h"

#include <algorithm>

#include "verifica/verifica_resource.h"

namespace {

const int MARGIN = 8;
const int BUTTON_WIDTH = 90;
const int BUTTON_HEIGHT = 26;

HWND AddControl(HWND window, const char *className, const char *text, DWORD style, int id)
{
    HWND control = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

void OnCreate(HWND window, const CREATESTRUCTA *create)
{
    // Without a horizontal scroll bar the edit control wraps the long lines at its width.
    HWND report = AddControl(window, "EDIT", "",
                             WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                             IDC_REPORT);
    // A fixed-pitch font keeps OK, ATTENZIONE and ERRORE in one column.
    SendMessageA(report, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
    SetWindowTextA(report, static_cast<const char *>(create->lpCreateParams));
    AddControl(window, "BUTTON", "&Copia", WS_TABSTOP | BS_PUSHBUTTON, IDC_COPY);
    AddControl(window, "BUTTON", "C&hiudi", WS_TABSTOP | BS_PUSHBUTTON, IDC_CLOSE);
}

void OnSize(HWND window, int width, int height)
{
    const int buttonsTop = height - MARGIN - BUTTON_HEIGHT;
    MoveWindow(GetDlgItem(window, IDC_REPORT), MARGIN, MARGIN, width - 2 * MARGIN, buttonsTop - 2 * MARGIN, TRUE);
    MoveWindow(GetDlgItem(window, IDC_CLOSE), width - MARGIN - BUTTON_WIDTH, buttonsTop, BUTTON_WIDTH,
               BUTTON_HEIGHT, TRUE);
    MoveWindow(GetDlgItem(window, IDC_COPY), width - 2 * (MARGIN + BUTTON_WIDTH), buttonsTop, BUTTON_WIDTH,
               BUTTON_HEIGHT, TRUE);
}

// The whole report as text on the clipboard, to paste into a mail to the vendor.
void CopyReport(HWND window)
{
    HWND report = GetDlgItem(window, IDC_REPORT);
    const int length = GetWindowTextLengthA(report);
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, length + 1);
    char *bytes = text ? static_cast<char *>(GlobalLock(text)) : nullptr;
    if (!bytes) {
        if (text)
            GlobalFree(text);
        return;
    }
    GetWindowTextA(report, bytes, length + 1);
    GlobalUnlock(text);
    if (OpenClipboard(window)) {
        EmptyClipboard();
        if (SetClipboardData(CF_TEXT, text))
            text = nullptr; // the clipboard owns it now
        CloseClipboard();
    }
    if (text)
        GlobalFree(text);
}

void OnCommand(HWND window, int id)
{
    if (id == IDC_COPY)
        CopyReport(window);
    else if (id == IDC_CLOSE || id == IDCANCEL)
        DestroyWindow(window);
}

LRESULT CALLBACK ReportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window, reinterpret_cast<const CREATESTRUCTA *>(lParam));
        return 0;
    case WM_SIZE:
        OnSize(window, LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(GetDlgItem(window, IDC_REPORT));
        return 0;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

void ShowReportWindow(HINSTANCE instance, const std::string &report, int errors)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ReportWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VERIFICA));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = VERIFICA_WINDOW_CLASS;
    RegisterClassA(&windowClass);

    char title[96];
    wsprintfA(title, errors == 1 ? "Verifica installazione - Tavro: %d errore" : "Verifica installazione - Tavro: %d errori",
              errors);
    // 900 x 600 where it fits, within the work area of an 800 x 600 screen where it does not.
    RECT work = {0, 0, 800, 600};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min(900, static_cast<int>(work.right - work.left));
    const int height = std::min(600, static_cast<int>(work.bottom - work.top));
    HWND window = CreateWindowExA(0, VERIFICA_WINDOW_CLASS, title, WS_OVERLAPPEDWINDOW,
                                  work.left + (work.right - work.left - width) / 2,
                                  work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr,
                                  instance, const_cast<char *>(report.c_str()));
    if (!window) // the report is saved already; nothing to show it in
        return;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Tab between the report and the buttons, Alt+C and Alt+H for the buttons, Escape to close.
        if (IsDialogMessageA(window, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
