#include "shell/viewer.h"

#include <windows.h>

#include <cstring>

#include "resources/interfaces.h"
#include "resources/resource.h"
#include "shell/control_dialog.h"
#include "shell/globals.h"

namespace {

const char VIEWER_PROGRAM[] = "lanko.exe";

// The quoted command line of lanko.exe in the program's own folder, or an empty text when
// there is no folder or the result would not fit.
void BuildViewerCommand()
{
    char *path = g_textBuffer + 1; // room for the opening quote
    const DWORD length = GetModuleFileNameA(nullptr, path, TEXT_BUFFER_SIZE - 1);
    char *slash = length && length < TEXT_BUFFER_SIZE - 1 ? strrchr(path, '\\') : nullptr;
    const size_t needed = slash ? (slash + 1 - g_textBuffer) + sizeof VIEWER_PROGRAM + 1 : 0;
    if (!slash || needed > TEXT_BUFFER_SIZE) {
        g_textBuffer[0] = '\0';
        return;
    }
    g_textBuffer[0] = '"';
    strcpy(slash + 1, VIEWER_PROGRAM);
    strcat(slash + 1, "\"");
}

void ShowViewerCheck()
{
    if (g_controlDialog)
        SetMenuCheck(g_controlDialog, IDM_PREVIEW, g_viewerEnabled != 0);
}

} // namespace

void LaunchViewer()
{
    if (FindWindowA(VIEWER_CLASS, nullptr))
        return;
    if (g_viewerEnabled) {
        BuildViewerCommand();
        WinExec(g_textBuffer[0] ? g_textBuffer : VIEWER_PROGRAM, SW_SHOW);
        SetActiveWindow(g_mainWindow);
    }
    ShowViewerCheck();
}

void CloseViewer()
{
    if (HWND viewer = FindWindowA(VIEWER_CLASS, nullptr))
        PostMessageA(viewer, WM_CLOSE, 0, 0);
}

void ToggleViewer()
{
    if (g_viewerEnabled) {
        g_viewerEnabled = 0;
        CloseViewer();
    } else {
        g_viewerEnabled = 1;
        LaunchViewer();
    }
    ShowViewerCheck();
}
