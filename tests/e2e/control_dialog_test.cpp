// The control dialog: the orientation cross, the menu options and the trigger messages.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

using namespace e2e;

namespace {

// Which picture of each pair shows, top/right/bottom/left: 'p' plain, 'H' highlighted,
// '?' both or neither.
std::string Cross(const Tavro &tavro)
{
    std::string shown;
    for (int orientation = 1; orientation <= 4; ++orientation) {
        const bool plain = ItemVisible(tavro.Dialog(), 499 + orientation);
        const bool highlighted = ItemVisible(tavro.Dialog(), 599 + orientation);
        shown += plain == highlighted ? '?' : highlighted ? 'H' : 'p';
    }
    return shown;
}

bool CrossBecomes(const Tavro &tavro, const std::string &expected)
{
    return WaitUntil([&] { return Cross(tavro) == expected; });
}

// The menu's check marks of 9070, 9071 and 11842, as the program itself reads them.
std::string MenuChecks(const Tavro &tavro)
{
    SendMessageA(tavro.Main(), WM_USER, 0, 0);
    return tavro.Calls("IsGVGImageGrabbed").back().results.at(1).substr(7);
}

// Each trigger polls before it returns; a disarmed sensor has no timer to confuse the count.
class Trigger : public testing::Test {
protected:
    void SetUp() override
    {
        tavro.Sim("ActivateStatus", 1);
        tavro.StartAndWait();
    }
    size_t Polls() const { return tavro.Calls("IsGVGImageGrabbed").size(); }
    Tavro tavro;
};

} // namespace

TEST(OrientationCross, StartsWithTheTopPictureSelected)
{
    Tavro tavro;
    tavro.StartAndWait();
    EXPECT_EQ(Cross(tavro), "Hppp");
    // Each plain picture and its highlighted twin share one rectangle.
    for (int id = 500; id <= 503; ++id) {
        RECT plain, highlighted;
        GetWindowRect(GetDlgItem(tavro.Dialog(), id), &plain);
        GetWindowRect(GetDlgItem(tavro.Dialog(), id + 100), &highlighted);
        EXPECT_TRUE(EqualRect(&plain, &highlighted)) << id;
    }
}

TEST(OrientationCross, ClickingAPictureSelectsIt)
{
    Tavro tavro;
    tavro.StartAndWait();
    tavro.Click(tavro.ControlCentre(501));
    EXPECT_TRUE(CrossBecomes(tavro, "pHpp"));
    tavro.Click(tavro.ControlCentre(502));
    EXPECT_TRUE(CrossBecomes(tavro, "ppHp"));
    tavro.Click(tavro.ControlCentre(503));
    EXPECT_TRUE(CrossBecomes(tavro, "pppH"));
    tavro.Click(tavro.ControlCentre(500));
    EXPECT_TRUE(CrossBecomes(tavro, "Hppp"));
}

TEST(OrientationCross, ClicksBesideThePicturesOrOnTheSelectedOneChangeNothing)
{
    Tavro tavro;
    tavro.StartAndWait();
    tavro.Click(tavro.ControlCentre(501));
    ASSERT_TRUE(CrossBecomes(tavro, "pHpp"));

    const POINT top = tavro.ControlCentre(500), bottom = tavro.ControlCentre(502);
    const POINT centreOfCross = {top.x, (top.y + bottom.y) / 2};
    const POINT counter = tavro.ControlCentre(104);
    for (POINT point : {centreOfCross, counter, tavro.ControlCentre(501), POINT{1, 1}})
        tavro.Click(point);
    SendMessageA(tavro.Dialog(), WM_NULL, 0, 0); // the posted clicks have been handled
    EXPECT_EQ(Cross(tavro), "pHpp");
}

TEST(MenuOptions, AutoWaitIsCheckedAndStoredOnEachCommand)
{
    Tavro tavro;
    tavro.StartAndWait();
    EXPECT_EQ(MenuChecks(tavro), "100");
    SendMessageA(tavro.Dialog(), WM_COMMAND, 9071, 0);
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "grabAuto"), "1");
    EXPECT_EQ(MenuChecks(tavro), "110");
    SendMessageA(tavro.Dialog(), WM_COMMAND, 9071, 0);
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "grabAuto"), "0");
    EXPECT_EQ(MenuChecks(tavro), "100");
}

TEST(MenuOptions, StoredOptionsAreCheckedAtStart)
{
    Tavro tavro;
    WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\ngrabAuto=1\r\nHighRes=1\r\nLanko=0\r\n");
    tavro.StartAndWait();
    EXPECT_EQ(MenuChecks(tavro), "011");
}

TEST(MenuOptions, HighResolutionChangesNothingOnThisSensor)
{
    Tavro tavro;
    WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\nHighRes=1\r\n");
    tavro.StartAndWait();
    SendMessageA(tavro.Dialog(), WM_COMMAND, 11842, 0);
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "HighRes"), "1");
    EXPECT_EQ(MenuChecks(tavro), "101");
}

TEST_F(Trigger, UserMessageToTheMainWindowPolls)
{
    SendMessageA(tavro.Main(), WM_USER, 0, 0);
    EXPECT_EQ(Polls(), 1u);
}

TEST_F(Trigger, Message20000ToTheMainWindowPolls)
{
    SendMessageA(tavro.Main(), 20000, 7, 7);
    EXPECT_EQ(Polls(), 1u);
}

TEST_F(Trigger, UserMessageToTheDialogPollsOnlyWithAParameter)
{
    SendMessageA(tavro.Dialog(), WM_USER, 0, 0);
    EXPECT_EQ(Polls(), 0u);
    SendMessageA(tavro.Dialog(), WM_USER, 1, 0);
    EXPECT_EQ(Polls(), 1u);
}

TEST_F(Trigger, Message20000ToTheDialogPolls)
{
    SendMessageA(tavro.Dialog(), 20000, 0, 0);
    EXPECT_EQ(Polls(), 1u);
}
