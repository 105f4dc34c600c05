// "X-ray" control of the simulated sensor, for a person trying the program: each press of
// its button is one exposure that the simulated vix32.dll will report.
#include "journal.h"
#include "window.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

const int XRAY_BUTTON = 1;

std::string ControlFile()
{
    char folder[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VIXSIM_DIR", folder, sizeof folder);
    return JoinPath(n && n < sizeof folder ? folder : ModuleFolder(nullptr).c_str(), "vixsim.ini");
}

// Raises Exposures by one, keeping every other setting of the control file.
void Expose()
{
    const std::string path = ControlFile();
    std::ifstream in(path);
    std::ostringstream kept;
    long exposures = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 10, "Exposures=") == 0)
            exposures = std::strtol(line.c_str() + 10, nullptr, 0);
        else
            kept << line << "\n";
    }
    in.close();
    kept << "Exposures=" << exposures + 1 << "\n";
    const std::string temporary = path + ".new";
    std::ofstream(temporary, std::ios::trunc) << kept.str();
    MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK XrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateWindowA("BUTTON", "Raggi X", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 160, 40, window,
                      reinterpret_cast<HMENU>(XRAY_BUTTON), nullptr, nullptr);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == XRAY_BUTTON)
            Expose();
        return 0;
    }
    return StandInDefaultProc(window, message, wParam, lParam, "");
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    OpenStandInWindow(instance, "VixSimXray", "Sensore simulato", XrayProc, RECT{40, 40, 240, 140},
                      reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU);
    return RunStandInLoop();
}
