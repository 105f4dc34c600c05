// The operator's own hands: real clicks, keys and drags through X on the running program.
#include <gtest/gtest.h>

#include "tests/e2e/exposures.h"

using namespace e2e;

namespace {

std::string Size(HWND window)
{
    const RECT r = WindowRect(window);
    return std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

class RealInput : public ExposureTest {
protected:
    void Start()
    {
        tavro.StartAndWait();
        if (UnixPath(tavro.Folder()).empty())
            GTEST_SKIP() << "needs Wine's Unix side for xdotool";
        dialogSize = Size(tavro.Dialog());
    }
    // The menu's check marks of 9070, 9071 and 11842, as the program itself reads them.
    std::string MenuChecks() const
    {
        SendMessageA(tavro.Main(), WM_USER, 0, 0);
        return tavro.Calls("IsGVGImageGrabbed").back().results.at(1).substr(7);
    }
    // The pair as it should stand: the dialog's own size, the main window exactly behind it.
    // Checked once what asked for a change has been handled.
    bool PairIntact() const
    {
        return Size(tavro.Dialog()) == dialogSize && SameRect(tavro.Main(), tavro.Dialog()) &&
               !IsZoomed(tavro.Main());
    }
    // Intact, and where it stood before.
    bool PairStandsAt(const RECT &before) const
    {
        const RECT now = WindowRect(tavro.Dialog());
        return PairIntact() && EqualRect(&before, &now);
    }
    void OpenFileMenuByMouse()
    {
        ASSERT_TRUE(tavro.ClickScreen(tavro.MenuBarFile()));
        ASSERT_TRUE(tavro.WaitForOpenMenu()) << "a click on File opened no menu";
    }
    std::string dialogSize;
};

// What each item of the File menu does, seen from outside the program.
struct MenuItem {
    int position; // from 0, separators counted
    const char *mnemonic;
    const char *name;
};

const MenuItem FILE_MENU[] = {
    {0, "a", "Acquisisci"}, {1, "r", "AttesaRaggi"}, {3, "h", "HardwareSetup"}, {4, "t", "TestAcquisizione"},
    {5, "v", "VersioneDll"}, {7, "o", "AltaRisoluzione"}, {9, "p", "Preview"}, {11, "e", "Esci"},
};

class FileMenu : public RealInput, public testing::WithParamInterface<std::tuple<MenuItem, bool>> {
protected:
    void SetUp() override
    {
        tavro.AddViewer();
        WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\nLanko=0\r\n");
        receivers.emplace_back(new StandIn("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd"));
        Start();
    }
    void Choose(const MenuItem &item, bool byMouse)
    {
        if (byMouse) {
            OpenFileMenuByMouse();
            ASSERT_TRUE(tavro.ClickScreen(tavro.OpenMenuItem(item.position)));
        } else {
            ASSERT_TRUE(tavro.FocusDialog());
            ASSERT_TRUE(tavro.Input("key alt+f"));
            ASSERT_TRUE(tavro.WaitForOpenMenu()) << "Alt+F opened no menu";
            ASSERT_TRUE(tavro.Input(std::string("key ") + item.mnemonic));
        }
    }
    std::vector<std::unique_ptr<StandIn>> receivers;
};

TEST_P(FileMenu, ItemDoesItsCommand)
{
    const MenuItem item = std::get<0>(GetParam());
    Choose(item, std::get<1>(GetParam()));
    switch (item.position) {
    case 0:
        EXPECT_TRUE(Counted(1));
        EXPECT_TRUE(WaitUntil([&] { return Imaging(1).valid; }));
        break;
    case 1:
        EXPECT_TRUE(WaitUntil([&] { return IniValue("tavro.ini", "Tavro", "grabAuto") == "1"; }));
        EXPECT_EQ(MenuChecks(), "010");
        break;
    case 3: {
        HWND setup = tavro.WaitForMessageBox("Impostazioni Hardware");
        ASSERT_TRUE(setup);
        PostMessageA(setup, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(tavro.WaitForCalls("InstallHandler", 2));
        break;
    }
    case 4:
        EXPECT_TRUE(tavro.WaitForCalls("GVGNoXrayGrab"));
        break;
    case 5: {
        HWND box = tavro.WaitForMessageBox("Dll version");
        ASSERT_TRUE(box);
        DismissMessageBox(box);
        break;
    }
    case 7:
        EXPECT_TRUE(WaitUntil([&] { return IniValue("tavro.ini", "Tavro", "HighRes") == "0"; }));
        EXPECT_EQ(MenuChecks(), "000");
        break;
    case 9:
        EXPECT_TRUE(WaitUntil([] { return FindWindowA("lanko", nullptr) != nullptr; }));
        EXPECT_TRUE(WaitUntil([&] { return MenuChecks() == "100"; }));
        break;
    case 11:
        ASSERT_TRUE(tavro.WaitForExit());
        EXPECT_EQ(tavro.Journal().back().name, "RemoveHandler");
        return;
    }
    EXPECT_TRUE(tavro.Running());
}

INSTANTIATE_TEST_SUITE_P(RealInput, FileMenu, testing::Combine(testing::ValuesIn(FILE_MENU), testing::Bool()),
                         [](const testing::TestParamInfo<FileMenu::ParamType> &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "ByMouse" : "ByKeys");
                         });

class Pair : public RealInput {
protected:
    void SetUp() override { Start(); }
};

TEST_F(Pair, TheSystemMenuOffersNeitherMaximizeNorSize)
{
    ASSERT_TRUE(tavro.FocusDialog());
    ASSERT_TRUE(tavro.Input("key alt+space"));
    ASSERT_TRUE(tavro.WaitForOpenMenu()) << "Alt+Space opened no system menu";
    EXPECT_TRUE(tavro.OpenMenuOffers(SC_MOVE));
    EXPECT_TRUE(tavro.OpenMenuOffers(SC_CLOSE));
    EXPECT_FALSE(tavro.OpenMenuOffers(SC_MAXIMIZE));
    EXPECT_FALSE(tavro.OpenMenuOffers(SC_SIZE));
    ASSERT_TRUE(tavro.Input("key x s Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !tavro.WaitForOpenMenu(0); }));
    EXPECT_TRUE(PairIntact());
}

// What another program may ask of either window: the taskbar, a tiling tool.
TEST_F(Pair, GrowingEitherWindowFromOutsideChangesNothing)
{
    const RECT before = WindowRect(tavro.Dialog());
    for (HWND window : {tavro.Main(), tavro.Dialog()}) {
        // A sizing loop would not return until the operator ended it.
        for (WPARAM command : {SC_MAXIMIZE, SC_SIZE})
            EXPECT_TRUE(SendMessageTimeoutA(window, WM_SYSCOMMAND, command, 0, SMTO_NORMAL, 5000, nullptr));
        EXPECT_TRUE(PairIntact());
    }
    SetWindowPos(tavro.Main(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(tavro.Main(), SW_MAXIMIZE);
    ShowWindow(tavro.Main(), SW_RESTORE);
    EXPECT_TRUE(PairStandsAt(before));
}

TEST_F(Pair, MinimiseAndRestoreBringTheDialogBackWhereItWas)
{
    const RECT before = WindowRect(tavro.Dialog());
    SendMessageA(tavro.Dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(tavro.Main()) && !IsWindowVisible(tavro.Dialog()); }));
    SendMessageA(tavro.Main(), WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(tavro.Dialog()); }));
    EXPECT_TRUE(PairStandsAt(before));
}

TEST_F(Pair, LeftMinimisedItSavesWhereThePairStood)
{
    const RECT before = WindowRect(tavro.Dialog());
    SendMessageA(tavro.Dialog(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(tavro.Main()) != FALSE; }));
    PostMessageA(tavro.Main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(tavro.WaitForExit());
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "X"), std::to_string(before.left));
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Y"), std::to_string(before.top));
}

TEST_F(Pair, CaptionDragMovesBothAndTheEndSavesWhereTheyStand)
{
    const RECT before = WindowRect(tavro.Dialog());
    const POINT grip = {before.left + 40, before.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2};
    const POINT to = {grip.x - 300, grip.y - 200};
    ASSERT_TRUE(tavro.Input("mousemove " + std::to_string(grip.x) + " " + std::to_string(grip.y) +
                            " mousedown 1 mousemove " + std::to_string(grip.x - 150) + " " +
                            std::to_string(grip.y - 100) + " mousemove " + std::to_string(to.x) + " " +
                            std::to_string(to.y) + " mouseup 1"));
    ASSERT_TRUE(WaitUntil([&] { return WindowRect(tavro.Dialog()).left == before.left - 300; }))
        << WindowRect(tavro.Dialog()).left << " from " << before.left;
    EXPECT_TRUE(PairIntact());
    const RECT moved = WindowRect(tavro.Dialog());

    // The close box ends the program through the whole shut-down path.
    ASSERT_TRUE(tavro.ClickScreen(POINT{moved.right - GetSystemMetrics(SM_CXSIZE) / 2 - 3,
                                        moved.top + GetSystemMetrics(SM_CYCAPTION) / 2 + 2}));
    ASSERT_TRUE(tavro.WaitForExit());
    EXPECT_EQ(tavro.Journal().back().name, "RemoveHandler");
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "X"), std::to_string(moved.left));
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Y"), std::to_string(moved.top));
}

TEST_F(Pair, StrayKeysNeitherEndTheProgramNorTurnThePicture)
{
    ASSERT_TRUE(tavro.ClickScreen(tavro.ScreenCentre(502)));
    ASSERT_TRUE(WaitUntil([&] { return ItemVisible(tavro.Dialog(), 602); }));
    // On Windows the focused "Esci" is the default button, which Enter clicks.
    SendMessageA(tavro.Dialog(), DM_SETDEFID, 101, 0);
    size_t grabs = 0;
    for (const char *key : {"space", "Return", "Escape", "e", "alt+e"}) {
        // Keys are handled in order: once F5's grab is done, so is the key before it.
        ASSERT_TRUE(tavro.Input(std::string("key ") + key + " F5"));
        EXPECT_TRUE(tavro.WaitForCalls("GetGVGDIBitmap", ++grabs)) << key;
        EXPECT_TRUE(tavro.Calls("RemoveHandler").empty()) << key;
    }
    EXPECT_TRUE(ItemVisible(tavro.Dialog(), 602));
    ASSERT_TRUE(tavro.ClickScreen(tavro.ScreenCentre(101)));
    EXPECT_TRUE(tavro.WaitForExit());
}

// Alt or F10 selects the menu bar; Down then opens "File".
TEST_F(Pair, AltAndF10OpenTheMenu)
{
    for (const char *keys : {"alt Down", "F10 Down"}) {
        ASSERT_TRUE(tavro.FocusDialog());
        ASSERT_TRUE(tavro.Input(std::string("key ") + keys));
        EXPECT_TRUE(tavro.WaitForOpenMenu()) << keys;
        ASSERT_TRUE(tavro.Input("key Escape Escape"));
        EXPECT_TRUE(WaitUntil([&] { return !tavro.WaitForOpenMenu(0); }));
    }
}

TEST_F(Pair, AltF4EndsTheProgramThroughTheWholeShutDown)
{
    ASSERT_TRUE(tavro.FocusDialog());
    ASSERT_TRUE(tavro.Input("key alt+F4"));
    ASSERT_TRUE(tavro.WaitForExit());
    EXPECT_EQ(tavro.Journal().back().name, "RemoveHandler");
    EXPECT_NE(IniValue("tavro.ini", "Tavro", "X"), "<absent>");
}

} // namespace

TEST(MaximisedStart, KeepsThePairAtTheDialogsSize)
{
    Tavro tavro;
    tavro.Start(SW_SHOWMAXIMIZED);
    ASSERT_TRUE(WaitUntil([&] { return tavro.FindWindows(); }));
    RECT dialog = WindowRect(tavro.Dialog());
    EXPECT_LT(dialog.right - dialog.left, 400);
    EXPECT_LT(dialog.bottom - dialog.top, 300);
    EXPECT_FALSE(IsZoomed(tavro.Main()));
    EXPECT_TRUE(WaitUntil([&] { return SameRect(tavro.Main(), tavro.Dialog()); }));
}

// Positions left by a monitor that is gone, or by hand, bring the dialog up where it is seen.
TEST(SavedPosition, OffEveryMonitorTheDialogOpensFullyVisible)
{
    const char *const positions[] = {"X=-3000\r\nY=100", "X=100\r\nY=-2000", "X=-3000\r\nY=-2000",
                                     "X=-10\r\nY=20", "X=1270\r\nY=1000"};
    for (const char *position : positions) {
        Tavro tavro;
        WriteTextFile(ProfilePath("tavro.ini"), std::string("[Tavro]\r\n") + position + "\r\n");
        tavro.StartAndWait();
        const RECT rect = WindowRect(tavro.Dialog());
        EXPECT_GE(rect.left, 0) << position;
        EXPECT_GE(rect.top, 0) << position;
        EXPECT_LE(rect.right, GetSystemMetrics(SM_CXSCREEN)) << position;
        EXPECT_LE(rect.bottom, GetSystemMetrics(SM_CYSCREEN)) << position;
    }
}

// A box the program opens by itself stands in front of everything, and the dialog's buttons
// and menu wait until it is answered.
TEST_F(RealInput, TheLeftOverImagesBoxStandsInFrontAndTheDialogWaitsForItsAnswer)
{
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    Start();
    tavro.Sim("GrabbedCode", 2);
    tavro.Sim("Exposures", 1);
    HWND box = tavro.WaitForMessageBox("Controllare le immagini.");
    ASSERT_TRUE(box);
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(box, GW_OWNER), tavro.Dialog());
    // Out of the way, so that the clicks land on the dialog itself.
    SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitUntil([&] { return WindowRect(box).left == 0; }));

    ASSERT_TRUE(tavro.ClickScreen(tavro.ScreenCentre(101))); // "&Esci"
    ASSERT_TRUE(tavro.ClickScreen(tavro.MenuBarFile()));
    EXPECT_FALSE(tavro.WaitForOpenMenu(1500));
    EXPECT_TRUE(tavro.Running());
    EXPECT_TRUE(tavro.Calls("RemoveHandler").empty());
    EXPECT_TRUE(tavro.Calls("GetGVGDIBitmap").empty());

    DismissMessageBox(box);
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(456, 684, 1).pixels);
    EXPECT_TRUE(tavro.Running());
}
