// Viewer stand-in: journals its start and close to %LANKO_DIR%\lanko.txt and, for a
// person watching, shows the newest .bmp of %LANKO_IMAGES% scaled to fit.
#include "journal.h"
#include "resources/interfaces.h"
#include "window.h"

#include <string>
#include <vector>

namespace {

const UINT_PTR kRefreshTimer = 1;

std::string g_journal, g_images;
std::string g_shownName;
FILETIME g_shownTime;
std::vector<unsigned char> g_file;  // the .bmp shown, whole

std::string EnvironmentFolder(const char *name)
{
    char value[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? FullPath(value) : std::string();
}

bool ReadWholeFile(const std::string &path, std::vector<unsigned char> &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size == INVALID_FILE_SIZE ? 0 : size);
    DWORD read = 0;
    const bool ok = !bytes.empty() && ReadFile(file, bytes.data(), size, &read, nullptr) && read == size;
    CloseHandle(file);
    return ok;
}

// Loads the newest picture when it changed; true when there is something new to show.
bool Refresh()
{
    if (g_images.empty()) return false;
    WIN32_FIND_DATAA found, newest = {};
    HANDLE search = FindFirstFileA(JoinPath(g_images, "*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        if (CompareFileTime(&found.ftLastWriteTime, &newest.ftLastWriteTime) >= 0) newest = found;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (g_shownName == newest.cFileName &&
        CompareFileTime(&g_shownTime, &newest.ftLastWriteTime) == 0)
        return false;
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(JoinPath(g_images, newest.cFileName), bytes) ||
        bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' ||
        bytes[1] != 'M')
        return false;
    g_file.swap(bytes);
    g_shownName = newest.cFileName;
    g_shownTime = newest.ftLastWriteTime;
    return true;
}

void Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (!g_file.empty()) {
        const auto *file = reinterpret_cast<const BITMAPFILEHEADER *>(g_file.data());
        const auto *info = reinterpret_cast<const BITMAPINFO *>(g_file.data() + sizeof *file);
        const LONG w = info->bmiHeader.biWidth, h = std::abs(info->bmiHeader.biHeight);
        if (w > 0 && h > 0 && file->bfOffBits < g_file.size()) {
            // Keep the aspect ratio: fit the width, or the height if that is tighter.
            int cw = client.right, ch = static_cast<int>(1LL * h * cw / w);
            if (ch > client.bottom) ch = client.bottom, cw = static_cast<int>(1LL * w * ch / h);
            SetStretchBltMode(dc, HALFTONE);
            StretchDIBits(dc, (client.right - cw) / 2, (client.bottom - ch) / 2, cw, ch, 0, 0, w,
                          h, g_file.data() + file->bfOffBits, info, DIB_RGB_COLORS, SRCCOPY);
        }
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (Refresh()) InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_SIZE:
        InvalidateRect(window, nullptr, FALSE);
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
    char exe[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    exe[n < sizeof exe ? n : 0] = '\0';
    std::string folder = EnvironmentFolder("LANKO_DIR");
    if (folder.empty()) folder = ModuleFolder(nullptr);
    g_journal = JoinPath(folder, "lanko.txt");
    g_images = EnvironmentFolder("LANKO_IMAGES");

    // No background brush: the picture is painted over the whole window.
    HWND window = OpenStandInWindow(instance, VIEWER_CLASS, "Lanko (simulato)", WindowProc, RECT{420, 40, 680, 400},
                                    nullptr);
    if (!window) return 1;
    Journal(g_journal, "start %s", exe);
    Refresh();
    SetTimer(window, kRefreshTimer, 1000, nullptr);
    return RunStandInLoop();
}
