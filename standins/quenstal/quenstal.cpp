// Imaging-application stand-in: keeps every WM_COPYDATA it receives as quenstal-<n>.bmp.
// Usage: quenstal.exe <folder> [--hang] [--late]
// --late: keeps the image, then answers only after the sender's time-out (5 s).
#include "dibfile.h"
#include "resources/interfaces.h"
#include "journal.h"
#include "window.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string g_folder, g_journal;
bool g_hang, g_late;
const DWORD LATE_ANSWER_MS = 5000;
int g_received;

LRESULT OnCopyData(HWND window, WPARAM wParam, const COPYDATASTRUCT *data)
{
    if (g_hang) {
        Journal(g_journal, "hanging");
        Sleep(INFINITE);
    }
    // The file is written before the journal line, so a reader of the line finds it.
    char name[32];
    std::snprintf(name, sizeof name, "quenstal-%d.bmp", ++g_received);
    SaveDibAsBmp(JoinPath(g_folder, name).c_str(), data->lpData, data->cbData);
    Journal(g_journal, "copydata %lu %lu %lu", static_cast<unsigned long>(data->dwData),
            static_cast<unsigned long>(data->cbData), static_cast<unsigned long>(wParam));
    InvalidateRect(window, nullptr, TRUE);
    if (g_late) {
        Sleep(LATE_ANSWER_MS);
        Journal(g_journal, "answered");
    }
    return TRUE;
}

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "Immagini ricevute: %d", g_received);
    TextOutA(dc, 10, 10, text, n);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA:
        return OnCopyData(window, wParam, reinterpret_cast<const COPYDATASTRUCT *>(lParam));
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
        g_late = g_late || std::strcmp(__argv[i], "--late") == 0;
    }
    g_journal = JoinPath(g_folder, "quenstal.txt");

    const HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (!OpenStandInWindow(instance, IMAGING_CLASS, "Imaging (simulato)", WindowProc, RECT{700, 200, 1000, 320},
                           background))
        return 1;
    Journal(g_journal, "start");
    return RunStandInLoop();
}
