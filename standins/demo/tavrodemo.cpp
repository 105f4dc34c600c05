// The demonstration: tavro.exe with the simulated sensor and the stand-in receivers.
//   tavrodemo.exe <output folder>                 one exposure per orientation, then leave
//   tavrodemo.exe <output folder> --interactive   a person drives it; ends when Tavro ends
// The output folder gets each delivered image as PNG, a screenshot of the control dialog
// after each click, and summary.txt.
#include "journal.h"
#include "resources/interfaces.h"
#include "unix_side.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

const DWORD WAIT_MS = 20000;
const char DEMO_FOLDER[] = "C:\\tavro-demo";
const char RECEIVED_FOLDER[] = "C:\\tavro-demo\\received";
const char *const PLACES[] = {"", "top", "right", "bottom", "left"};

std::string g_build; // the build folder: the stand-ins' folder's parent

template <typename Condition> bool WaitFor(Condition condition, DWORD timeoutMs = WAIT_MS)
{
    for (const DWORD start = GetTickCount(); !condition(); Sleep(20))
        if (GetTickCount() - start > timeoutMs)
            return false;
    return true;
}

HANDLE Start(const std::string &commandLine, const char *folder)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

std::string Text(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void PrepareFolder()
{
    CreateDirectoryA(DEMO_FOLDER, nullptr);
    CreateDirectoryA(RECEIVED_FOLDER, nullptr);
    EmptyFolder(DEMO_FOLDER);
    EmptyFolder(RECEIVED_FOLDER);
    CopyFileA((g_build + "\\shell\\tavro.exe").c_str(), "C:\\tavro-demo\\tavro.exe", FALSE);
    CopyFileA((g_build + "\\standins\\vix32.dll").c_str(), "C:\\tavro-demo\\vix32.dll", FALSE);
    CopyFileA((g_build + "\\standins\\lanko.exe").c_str(), "C:\\tavro-demo\\lanko.exe", FALSE);
    std::ofstream("C:\\tavro-demo\\vixsim.ini") << "Exposures=0\n";
    // A first start: no saved position, the default settings.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    DeleteFileA(JoinPath(windows, "tavro.ini").c_str());
    DeleteFileA(JoinPath(windows, "vixwin.ini").c_str());
    SetEnvironmentVariableA("VIXSIM_DIR", DEMO_FOLDER);
    SetEnvironmentVariableA("LANKO_DIR", DEMO_FOLDER);
    SetEnvironmentVariableA("LANKO_IMAGES", RECEIVED_FOLDER);
}

HWND StartReceiver(const char *program, const char *windowClass)
{
    Start("\"" + g_build + "\\standins\\" + program + "\" \"" + RECEIVED_FOLDER + "\"", nullptr);
    HWND window = nullptr;
    WaitFor([&] { return (window = FindWindowA(windowClass, nullptr)) != nullptr; });
    return window;
}

POINT ScreenCentre(HWND dialog, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// A real click through X, as the operator's mouse makes it.
bool Click(const std::string &output, POINT screen)
{
    return RunUnix(output, "xdotool mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y) +
                               " click 1", WAIT_MS);
}

BOOL CALLBACK FindUnpainted(HWND window, LPARAM unpainted)
{
    if (GetUpdateRect(window, nullptr, FALSE)) {
        *reinterpret_cast<bool *>(unpainted) = true;
        return FALSE;
    }
    return TRUE;
}

// True once the dialog and every control have painted what they were asked to: a window
// that just appeared or changed may still show nothing.
bool Painted(HWND dialog)
{
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, WAIT_MS, nullptr); // one pass of its loop
    bool unpainted = GetUpdateRect(dialog, nullptr, FALSE) != FALSE;
    if (!unpainted)
        EnumChildWindows(dialog, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

void Screenshot(HWND dialog, const std::string &output, const std::string &name)
{
    WaitFor([&] { return Painted(dialog); });
    RECT rect;
    GetWindowRect(dialog, &rect);
    char crop[64];
    std::snprintf(crop, sizeof crop, "%ldx%ld+%ld+%ld", rect.right - rect.left, rect.bottom - rect.top,
                  rect.left, rect.top);
    RunUnix(output, std::string("import -window root -crop ") + crop + " " + name, WAIT_MS);
}

void Expose(int exposures)
{
    const std::string path = std::string(DEMO_FOLDER) + "\\vixsim.ini";
    std::ofstream(path + ".new") << "Exposures=" << exposures << "\n";
    MoveFileExA((path + ".new").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// One exposure per picture of the cross, each clicked first as an operator would.
bool TakeFourExposures(HWND dialog, const std::string &output, std::string &summary)
{
    for (int orientation = 1; orientation <= 4; ++orientation) {
        if (!Click(output, ScreenCentre(dialog, 499 + orientation)) || !WaitFor([&] { return IsWindowVisible(GetDlgItem(dialog, 599 + orientation)) != FALSE; }))
            return false;
        const std::string place = PLACES[orientation];
        Screenshot(dialog, output, "dialog-" + std::to_string(orientation) + "-" + place + ".png");

        Expose(orientation);
        const std::string count = std::to_string(orientation);
        if (!WaitFor([&] { return Text(GetDlgItem(dialog, 104)) == count; }))
            return false;
        const std::string received = std::string(RECEIVED_FOLDER) + "\\quenstal-" + count + ".bmp";
        const std::string photo = std::string(RECEIVED_FOLDER) + "\\foto-" + count + ".bmp";
        WaitFor([&] { return Exists(received) && Exists(photo); });
        const std::string png = "image-" + count + "-" + place + ".png";
        RunUnix(output, "convert '" + UnixPath(received) + "' " + png, WAIT_MS);
        summary += "image " + count + ": picture " + place + " selected; photo server " +
                   (Exists(photo) ? "foto-" + count + ".bmp" : std::string("nothing")) + ", imaging application " +
                   (Exists(received) ? "quenstal-" + count + ".bmp" : std::string("nothing")) + ", saved as " +
                   png + "\n";
        std::printf("  image %s (%s picture) delivered\n", count.c_str(), place.c_str());
    }
    return true;
}

int Fail(const char *what)
{
    std::fprintf(stderr, "tavrodemo: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return Fail("usage: tavrodemo.exe <output folder> [--interactive]");
    const std::string output = FullPath(argv[1]);
    const bool interactive = argc > 2 && std::string(argv[2]) == "--interactive";
    g_build = ModuleFolder(nullptr) + "\\..";
    CreateDirectoryA(output.c_str(), nullptr);
    PrepareFolder();

    HWND photoServer = StartReceiver("fotoserver.exe", PHOTO_SERVER_CLASS);
    HWND imagingApp = StartReceiver("quenstal.exe", IMAGING_CLASS);
    if (!photoServer || !imagingApp)
        return Fail("the stand-in receivers did not start");
    HANDLE tavro = Start("C:\\tavro-demo\\tavro.exe", DEMO_FOLDER);
    HWND dialog = nullptr;
    if (!tavro || !WaitFor([&] {
            dialog = FindWindowA("#32770", "Acquisizione da sensore");
            return dialog && IsWindowVisible(dialog) && Text(GetDlgItem(dialog, 103)) == "Attesa raggi...";
        }))
        return Fail("Tavro did not come up armed");
    std::printf("Tavro is armed: %s, %s\n", Text(GetDlgItem(dialog, 102)).c_str(),
                Text(GetDlgItem(dialog, 103)).c_str());

    std::string summary;
    if (interactive) {
        HANDLE xray = Start("\"" + g_build + "\\standins\\xray.exe\"", nullptr);
        std::printf("Click the pictures, press \"Raggi X\" for an exposure, \"Esci\" to end.\n");
        WaitForSingleObject(tavro, INFINITE);
        if (xray)
            TerminateProcess(xray, 0);
    } else {
        if (!TakeFourExposures(dialog, output, summary))
            return Fail("an exposure did not arrive");
        Click(output, ScreenCentre(dialog, 101));
        if (WaitForSingleObject(tavro, WAIT_MS) != WAIT_OBJECT_0)
            return Fail("Tavro did not end");
    }
    PostMessageA(photoServer, WM_CLOSE, 0, 0);
    PostMessageA(imagingApp, WM_CLOSE, 0, 0);

    const std::string counter = summary.empty() ? "see the receivers' windows" : "4";
    std::ofstream(JoinPath(output, "summary.txt"))
        << "Tavro demonstration with the simulated sensor\n"
        << "Images counted by Tavro: " << counter << "\n"
        << summary << "Received files: " << RECEIVED_FOLDER << " (" << UnixPath(RECEIVED_FOLDER) << ")\n";
    std::printf("Done: %s\n", UnixPath(output).c_str());
    return 0;
}
