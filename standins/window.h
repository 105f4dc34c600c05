// The one top-level window of a stand-in program, and its message loop.
#ifndef TAVRO_STANDINS_WINDOW_H
#define TAVRO_STANDINS_WINDOW_H

#include <windows.h>

#include <string>

#include "journal.h"

// Registers the class and opens the window, shown; none when it cannot.
inline HWND OpenStandInWindow(HINSTANCE instance, const char *className, const char *title, WNDPROC procedure,
                              const RECT &place, HBRUSH background,
                              DWORD style = WS_OVERLAPPEDWINDOW)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, title, style | WS_VISIBLE, place.left, place.top,
                           place.right - place.left, place.bottom - place.top, nullptr, nullptr, instance,
                           nullptr);
}

// Closing a stand-in is noted in its journal, when it keeps one, and ends the program.
inline LRESULT StandInDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  const std::string &journal)
{
    switch (message) {
    case WM_CLOSE:
        if (!journal.empty()) Journal(journal, "close");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

inline int RunStandInLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

#endif
