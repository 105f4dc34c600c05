// Start-up and leaving: placement of the window pair, settings, library loading.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

using namespace e2e;

namespace {

// The default corner is the primary work area's, clear of a taskbar.
POINT WorkAreaCorner()
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return POINT{work.right, work.bottom};
}

} // namespace

TEST(Startup, DialogSitsBottomRightTopmostWithMainWindowBehind)
{
    Tavro tavro;
    tavro.StartAndWait();
    const RECT dialog = WindowRect(tavro.Dialog());
    EXPECT_EQ(dialog.right, WorkAreaCorner().x);
    EXPECT_EQ(dialog.bottom, WorkAreaCorner().y);
    EXPECT_TRUE(GetWindowLongA(tavro.Dialog(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(WaitUntil([&] { return SameRect(tavro.Main(), tavro.Dialog()); }));
    EXPECT_EQ(GetWindow(tavro.Dialog(), GW_HWNDNEXT), tavro.Main());
    EXPECT_EQ(GetWindow(tavro.Dialog(), GW_OWNER), tavro.Main());
    EXPECT_EQ(WindowText(tavro.Dialog()), "Acquisizione da sensore");
}

TEST(Startup, OpensWithDefaultSettingsAndWaitsForXrays)
{
    Tavro tavro;
    tavro.StartAndWait();
    EXPECT_EQ(ItemText(tavro.Dialog(), 102), "Gendex CCD38");
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
    EXPECT_EQ(ItemText(tavro.Dialog(), 104), "0");

    const Call install = tavro.Calls("InstallHandler").at(0);
    const std::vector<std::string> expected = {
        std::to_string(reinterpret_cast<UINT_PTR>(tavro.Dialog())), "500", "10", "215", "800"};
    EXPECT_EQ(install.args, expected);
    ASSERT_TRUE(tavro.WaitForCalls("GVGActivate"));
}

TEST(Startup, PollsOnceASecondWhileArmed)
{
    Tavro tavro;
    tavro.StartAndWait();
    ASSERT_TRUE(tavro.WaitForCalls("IsGVGImageGrabbed", 4));
    const auto polls = tavro.Calls("IsGVGImageGrabbed");
    for (size_t i = 1; i < polls.size(); ++i) {
        const double interval = polls[i].time - polls[i - 1].time;
        EXPECT_GT(interval, 900.0);
        EXPECT_LT(interval, 2000.0);
    }
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

TEST(Startup, SavedPositionIsHonoured)
{
    Tavro tavro;
    WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\nX=100\r\nY=50\r\n");
    tavro.StartAndWait();
    const RECT rect = WindowRect(tavro.Dialog());
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 50);
}

TEST(Startup, PositionThatDoesNotFitIsIgnored)
{
    Tavro tavro;
    WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\nX=5000\r\nY=4000\r\n");
    tavro.StartAndWait();
    const RECT rect = WindowRect(tavro.Dialog());
    EXPECT_EQ(rect.right, WorkAreaCorner().x);
    EXPECT_EQ(rect.bottom, WorkAreaCorner().y);
}

TEST(Startup, GarbageInTavroIniGivesDefaults)
{
    Tavro tavro;
    WriteTextFile(ProfilePath("tavro.ini"),
                  "[Tavro]\r\nX=left\r\nY=\r\ngrabAuto=yes\r\nHighRes=99999999999999\r\nLanko=??\r\n");
    tavro.StartAndWait();
    const RECT rect = WindowRect(tavro.Dialog());
    EXPECT_EQ(rect.right, WorkAreaCorner().x);
    EXPECT_EQ(rect.bottom, WorkAreaCorner().y);
    // The menu as the program sees it: preview on (default), auto wait off, high resolution on.
    SendMessageA(tavro.Main(), WM_USER, 0, 0);
    EXPECT_EQ(tavro.Calls("IsGVGImageGrabbed").back().results.at(1), "checks=101");
}

TEST(Startup, ExitClosesHardwareNotifiesPhotoServerAndSavesSettings)
{
    Tavro tavro;
    StandIn server("standins/fotoserver.exe", "\"" + tavro.Folder() + "\"", "MORV_FOTO_SERVER");
    tavro.StartAndWait();
    // Partly off the screen is where the pair stands, and so what is saved.
    SetWindowPos(tavro.Main(), nullptr, -10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return WindowRect(tavro.Dialog()).left == -10; }));
    PostMessageA(GetDlgItem(tavro.Dialog(), 101), BM_CLICK, 0, 0);
    ASSERT_TRUE(tavro.WaitForExit());

    const auto journal = tavro.Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back().name, "RemoveHandler");
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Lanko"), "1");
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "X"), "-10");
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Y"), "20");
    ASSERT_TRUE(WaitUntil([&] {
        return ReadTextFile(tavro.Folder() + "\\fotoserver.txt").find("deleteresource 2 0") != std::string::npos;
    }));
}

TEST(Startup, NoTriggerReachesTheLibraryAfterTheHardwareClosed)
{
    Tavro tavro;
    tavro.StartAndWait();
    // Closing the dialog closes the hardware and posts the main window its close, which
    // then waits behind these triggers.
    PostMessageA(tavro.Dialog(), WM_CLOSE, 0, 0);
    PostMessageA(tavro.Main(), WM_USER, 0, 0);
    PostMessageA(tavro.Main(), 20000, 0, 0);
    ASSERT_TRUE(tavro.WaitForExit());
    EXPECT_EQ(tavro.Journal().back().name, "RemoveHandler");
}

// The taskbar can close the main window while a poll's box holds the dialog.
TEST(Startup, LeavingDuringALeftOverImagesBoxAsksTheLibraryNothingMore)
{
    Tavro tavro;
    tavro.Sim("GrabbedCode", 2);
    tavro.Sim("Exposures", 1);
    tavro.StartAndWait();
    ASSERT_TRUE(tavro.WaitForMessageBox("Controllare le immagini."));
    PostMessageA(tavro.Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tavro.WaitForExit());
    EXPECT_EQ(tavro.Journal().back().name, "RemoveHandler");
}

TEST(Startup, EndOfSessionSavesOnlyWhenTheSessionEnds)
{
    Tavro tavro;
    tavro.StartAndWait();
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(tavro.Main(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, WAIT_MS, &answer);
    EXPECT_EQ(answer, 1u);
    SendMessageA(tavro.Main(), WM_ENDSESSION, 0, 0);
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Lanko"), "<absent>");
    SendMessageA(tavro.Main(), WM_ENDSESSION, 1, 0);
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Lanko"), "1");
    EXPECT_TRUE(tavro.Running());
    EXPECT_TRUE(tavro.Calls("RemoveHandler").empty());
}

TEST(Startup, WithoutTheLibraryTheProgramSaysSoAndEnds)
{
    Tavro tavro(nullptr);
    tavro.Start();
    HWND box = tavro.WaitForMessageBox("Vix32.dll");
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "LoadLibrary failed!");
    EXPECT_FALSE(FindWindowA("Tavro", "Tavro"));
    DismissMessageBox(box);
    EXPECT_TRUE(tavro.WaitForExit());
    EXPECT_FALSE(FindWindowA("Tavro", "Tavro"));
}

TEST(Startup, ALibraryWithoutTheFetchIsRefusedByName)
{
    Tavro tavro("standins/vix32-nograb/vix32.dll");
    tavro.Start();
    HWND box = tavro.WaitForMessageBox("Vix32.dll");
    ASSERT_TRUE(box);
    EXPECT_NE(MessageBoxText(box).find("GetGVGDIBitmap"), std::string::npos);
    DismissMessageBox(box);
    EXPECT_TRUE(tavro.WaitForExit());
    EXPECT_TRUE(tavro.Journal().empty());
}

TEST(Startup, ExecutableExportsItsProceduresByPlainName)
{
    HMODULE program = LoadLibraryExA(BuildPath("shell/tavro.exe").c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_TRUE(program);
    for (const char *name : {"FfindWndProc", "MainDlgBoxProc", "SetupHardwareProc", "FreeImage"})
        EXPECT_TRUE(GetProcAddress(program, name)) << name;
    FreeLibrary(program);
}
