// Photo-server stand-in: takes the CF_DIB from the clipboard on the last of the three
// hand-over commands and keeps it as foto-<n>.bmp. Usage:
//   fotoserver.exe <folder> [--hang] [--empty-clipboard] [--trigger]
// --trigger: on the first command of each image, sends Tavro's main window a trigger
// message (WM_USER) while Tavro still waits for the command, as another program may at any
// moment.
#include "dibfile.h"
#include "resources/interfaces.h"
#include "journal.h"
#include "window.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const UINT kFirstCommand = PHOTO_SERVER_COMMAND_1, kTakeImageCommand = PHOTO_SERVER_TAKE_IMAGE;

std::string g_folder, g_journal;
bool g_hang, g_emptyClipboard, g_trigger;
UINT g_deleteResourceMessage;
int g_saved;

void TakeImage()
{
    // The sender has just closed the clipboard; give it a moment if it is still open.
    bool open = false;
    for (int attempt = 0; attempt < 20 && !(open = OpenClipboard(nullptr)); ++attempt) Sleep(10);
    HGLOBAL data = open ? GetClipboardData(CF_DIB) : nullptr;
    const void *dib = data ? GlobalLock(data) : nullptr;
    if (dib) {
        char name[32];
        std::snprintf(name, sizeof name, "foto-%d.bmp", g_saved + 1);
        const DWORD bytes = SaveDibAsBmp(JoinPath(g_folder, name).c_str(), dib,
                                         static_cast<DWORD>(GlobalSize(data)));
        GlobalUnlock(data);
        if (bytes) {
            ++g_saved;
            Journal(g_journal, "saved %s %lu", name, bytes);
        }
    } else {
        Journal(g_journal, "noimage");
    }
    if (open) CloseClipboard();
}

void OnCommand(HWND window, WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    Journal(g_journal, "command %u %ld", id, static_cast<long>(lParam));
    if (g_hang) {
        Journal(g_journal, "hanging");
        Sleep(INFINITE);
    }
    if (id == kFirstCommand && g_emptyClipboard && OpenClipboard(window)) {
        EmptyClipboard();
        CloseClipboard();
        Journal(g_journal, "emptied");
    }
    // Before the image is taken: a grab run by the trigger must not replace it on the clipboard.
    if (id == kFirstCommand && g_trigger) {
        if (HWND tavro = FindWindowA(TAVRO_WINDOW_CLASS, nullptr)) {
            DWORD_PTR result;
            Journal(g_journal, "trigger");
            SendMessageTimeoutA(tavro, WM_USER, 0, 0, SMTO_NORMAL, 30000, &result);
        }
    }
    if (id == kTakeImageCommand) {
        TakeImage();
        InvalidateRect(window, nullptr, TRUE);
    }
}

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "Immagini ricevute: %d", g_saved);
    TextOutA(dc, 10, 10, text, n);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_deleteResourceMessage && message != 0) {
        Journal(g_journal, "deleteresource %lu %ld", static_cast<unsigned long>(wParam),
                static_cast<long>(lParam));
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        OnCommand(window, wParam, lParam);
        return 0;
    case WM_PAINT:
        Paint(window);
        return 0;
    }
    return StandInDefaultProc(window, message, wParam, lParam, g_journal);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_folder = FullPath(__argc > 1 ? __argv[1] : ".");
    for (int i = 2; i < __argc; ++i) {
        g_hang = g_hang || std::strcmp(__argv[i], "--hang") == 0;
        g_emptyClipboard = g_emptyClipboard || std::strcmp(__argv[i], "--empty-clipboard") == 0;
        g_trigger = g_trigger || std::strcmp(__argv[i], "--trigger") == 0;
    }
    g_journal = JoinPath(g_folder, "fotoserver.txt");
    g_deleteResourceMessage = RegisterWindowMessageA(LEAVING_NOTICE_MESSAGE);

    const HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (!OpenStandInWindow(instance, PHOTO_SERVER_CLASS, "Foto server (simulato)", WindowProc,
                           RECT{700, 40, 1000, 160}, background))
        return 1;
    Journal(g_journal, "start");
    return RunStandInLoop();
}
