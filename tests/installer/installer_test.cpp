// The installer, run silently as an administrator would: files, shortcuts, a first start
// with the simulated sensor, and a clean uninstall.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "tests/e2e/harness.h"

using namespace e2e;

namespace {

std::string Folder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

DWORD RunToEnd(std::string commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

class Installer : public testing::Test {
protected:
    void Install(const char *options) { ASSERT_EQ(RunToEnd("\"" + BuildPath(TAVRO_INSTALLER) + "\" /S" + options), 0u); }
    // "_?=" keeps the uninstaller in place, so it can be waited for; it is then left behind.
    void Uninstall()
    {
        ASSERT_EQ(RunToEnd("\"" + dir + "\\uninstall.exe\" /S _?=" + dir), 0u);
        DeleteFileA((dir + "\\uninstall.exe").c_str());
        RemoveDirectoryA(dir.c_str());
    }
    const std::string dir = Folder(CSIDL_PROGRAM_FILES) + "\\Tavro";
    const std::string simulator = dir + "\\simulated-sensor-NOT-FOR-CLINICAL-USE";
    const std::string menu = Folder(CSIDL_COMMON_PROGRAMS) + "\\Tavro";
};

} // namespace

TEST_F(Installer, PutsOnlyTheProgramBesideItselfAndUninstallsCleanly)
{
    Install("");
    EXPECT_TRUE(Exists(dir + "\\tavro.exe"));
    EXPECT_TRUE(Exists(dir + "\\tavro-verifica.exe"));
    EXPECT_TRUE(Exists(dir + "\\README-Windows.txt"));
    EXPECT_TRUE(Exists(menu + "\\Tavro.lnk"));
    EXPECT_TRUE(Exists(menu + "\\Verifica installazione.lnk"));
    EXPECT_FALSE(Exists(dir + "\\vix32.dll"));
    EXPECT_FALSE(Exists(simulator));
    Uninstall();
    EXPECT_FALSE(Exists(dir + "\\tavro.exe"));
    EXPECT_FALSE(Exists(dir + "\\tavro-verifica.exe"));
    EXPECT_FALSE(Exists(menu));
}

TEST_F(Installer, TheDemonstrationRunsWithTheSimulatedSensor)
{
    Install(" /DEMO");
    EXPECT_FALSE(Exists(dir + "\\vix32.dll")); // the vendor's place stays free
    for (const char *file : {"tavro.exe", "vix32.dll", "fotoserver.exe", "quenstal.exe", "lanko.exe", "xray.exe"})
        EXPECT_TRUE(Exists(simulator + "\\" + file)) << file;
    EXPECT_TRUE(Exists(menu + "\\Tavro (sensore simulato).lnk"));

    DeleteFileA(ProfilePath("tavro.ini").c_str());
    SetEnvironmentVariableA("VIXSIM_DIR", simulator.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + simulator + "\\tavro.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, simulator.c_str(),
                               &startup, &process));
    HWND dialog = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        dialog = FindWindowA("#32770", "Acquisizione da sensore");
        return dialog && ItemText(dialog, 103) == "Attesa raggi...";
    }));
    EXPECT_EQ(ItemText(dialog, 102), "Gendex CCD38");
    PostMessageA(GetDlgItem(dialog, 101), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, WAIT_MS), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    // The viewer beside the demonstration's program was started and asked to close.
    WaitUntil([] { return !FindWindowA("lanko", nullptr); });

    Uninstall();
    EXPECT_FALSE(Exists(simulator));
    EXPECT_FALSE(Exists(dir + "\\tavro.exe"));
    EXPECT_FALSE(Exists(menu));
}
