// The companion viewer: started beside the program, switched by "Preview", closed at the end.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

using namespace e2e;

namespace {

// Enough for a started viewer to have opened its window.
const DWORD VIEWER_START_MS = 3000;

class Viewer : public testing::Test {
protected:
    void SetUp() override { tavro.AddViewer(); }
    std::string Record() const { return ReadTextFile(tavro.Folder() + "\\lanko.txt"); }
    size_t Count(const std::string &word) const
    {
        size_t count = 0;
        const std::string record = Record();
        for (size_t at = record.find(word); at != std::string::npos; at = record.find(word, at + 1))
            ++count;
        return count;
    }
    bool WaitFor(const std::string &word, size_t count = 1, DWORD timeoutMs = WAIT_MS) const
    {
        return WaitUntil([&] { return Count(word) >= count; }, timeoutMs);
    }
    // The preview check mark as the program sees its menu.
    char PreviewCheck() const
    {
        SendMessageA(tavro.Main(), WM_USER, 0, 0);
        return tavro.Calls("IsGVGImageGrabbed").back().results.at(1).at(7);
    }
    // Starting the viewer waits until it is ready, and a poll can come in meanwhile.
    bool PreviewBecomes(char expected) const
    {
        return WaitUntil([&] { return PreviewCheck() == expected; });
    }
    void Exit()
    {
        PostMessageA(GetDlgItem(tavro.Dialog(), 101), BM_CLICK, 0, 0);
        ASSERT_TRUE(tavro.WaitForExit());
    }
    Tavro tavro;
};

} // namespace

TEST_F(Viewer, StartsFromTheProgramsFolderByDefault)
{
    tavro.StartAndWait();
    ASSERT_TRUE(WaitFor(" start "));
    EXPECT_NE(Record().find(" start " + tavro.Folder() + "\\lanko.exe"), std::string::npos) << Record();
    EXPECT_TRUE(PreviewBecomes('1'));
    Exit();
    EXPECT_TRUE(WaitFor(" close"));
}

TEST_F(Viewer, SwitchedOffItIsNotStartedUntilPreview)
{
    WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\nLanko=0\r\n");
    tavro.StartAndWait();
    EXPECT_EQ(PreviewCheck(), '0');
    EXPECT_FALSE(WaitFor(" start ", 1, VIEWER_START_MS));
    SendMessageA(tavro.Dialog(), WM_COMMAND, 9070, 0);
    EXPECT_TRUE(WaitFor(" start "));
    EXPECT_TRUE(PreviewBecomes('1'));
}

TEST_F(Viewer, ARunningViewerIsNeitherStartedAgainNorChecked)
{
    StandIn viewer("standins/lanko.exe", "", "lanko");
    ASSERT_TRUE(WaitFor(" start "));
    tavro.StartAndWait();
    EXPECT_EQ(PreviewCheck(), '0');
    EXPECT_FALSE(WaitFor(" start ", 2, VIEWER_START_MS));
}

TEST_F(Viewer, LeavingClosesTheViewerEvenWhenSwitchedOff)
{
    WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\nLanko=0\r\n");
    StandIn viewer("standins/lanko.exe", "", "lanko");
    tavro.StartAndWait();
    Exit();
    EXPECT_TRUE(WaitFor(" close"));
    EXPECT_TRUE(viewer.WaitForExit());
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Lanko"), "0");
}

TEST_F(Viewer, AnyNonZeroSettingCountsAsOnAndPreviewSwitchesItOff)
{
    WriteTextFile(ProfilePath("tavro.ini"), "[Tavro]\r\nLanko=2\r\n");
    tavro.StartAndWait();
    ASSERT_TRUE(WaitFor(" start "));
    EXPECT_TRUE(PreviewBecomes('1'));
    SendMessageA(tavro.Dialog(), WM_COMMAND, 9070, 0);
    EXPECT_TRUE(WaitFor(" close"));
    EXPECT_EQ(PreviewCheck(), '0');
    Exit();
    EXPECT_EQ(IniValue("tavro.ini", "Tavro", "Lanko"), "0");
}
