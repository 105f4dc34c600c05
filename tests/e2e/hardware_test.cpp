// Opening, arming and the sensor's own menu commands, against the simulated library.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/e2e/harness.h"

using namespace e2e;

struct LabelCase {
    int hardwareType;
    const char *label;
};

std::ostream &operator<<(std::ostream &out, const LabelCase &c) { return out << "type " << c.hardwareType; }

class HardwareLabel : public testing::TestWithParam<LabelCase> {};

TEST_P(HardwareLabel, FollowsTheReportedType)
{
    Tavro tavro;
    tavro.Sim("HardwareType", GetParam().hardwareType);
    tavro.StartAndWait();
    EXPECT_EQ(ItemText(tavro.Dialog(), 102), GetParam().label);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

INSTANTIATE_TEST_SUITE_P(Types, HardwareLabel,
                         testing::Values(LabelCase{0, "Hardware failure"}, LabelCase{53, "Hardware failure"},
                                         LabelCase{54, "Gendex CCD38"}, LabelCase{55, "Hardware failure"},
                                         LabelCase{56, "Gendex USB version"},
                                         LabelCase{200, "Gendex USB version"}));

// The image size armed shows in the block handed to the library.
TEST(Hardware, OldTypesArmWithAFixedSize)
{
    Tavro tavro;
    tavro.Sim("HardwareType", 53);
    WriteTextFile(ProfilePath("vixwin.ini"), "[Dimension]\r\nIMAGECOLUMNS=1000\r\nIMAGEROWS=1000\r\n");
    tavro.StartAndWait();
    PostMessageA(tavro.Dialog(), WM_COMMAND, 104, 0);
    ASSERT_TRUE(tavro.WaitForCalls("GetGVGDIBitmap"));
    const Call fetch = tavro.Calls("GetGVGDIBitmap").at(0);
    EXPECT_EQ(fetch.args.at(1), "288");
    EXPECT_EQ(fetch.args.at(2), "384");
}

struct ErrorCase {
    int status;
    const char *text;
};

std::ostream &operator<<(std::ostream &out, const ErrorCase &c) { return out << "status " << c.status; }

class OpeningError : public testing::TestWithParam<ErrorCase> {};

TEST_P(OpeningError, ShowsTheLibrarysTextAndStaysDisarmed)
{
    Tavro tavro;
    tavro.Sim("InstallStatus", GetParam().status);
    tavro.StartAndWait();
    EXPECT_EQ(ItemText(tavro.Dialog(), 102), "Gendex CCD38");
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), GetParam().text);
    EXPECT_TRUE(tavro.Calls("GVGActivate").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, OpeningError,
    testing::Values(ErrorCase{0x10, "ILLEGAL FUNCTION CALL"}, ErrorCase{0x11, "ILLEGAL INPUT PARAMETERS"},
                    ErrorCase{0x13, "INVALID DIB BUFFER"}, ErrorCase{0x20, "DLL ALREADY IN USE"},
                    ErrorCase{0x22, "INCORRECT WINDOWS VERSION"},
                    ErrorCase{0x28, "DEVICE DRIVER LOADING ERROR"}, ErrorCase{0x29, "DEVICE DRIVER ERROR"},
                    ErrorCase{0x2A, "CANNOT WRITE TIFF FILE"}, ErrorCase{0x2B, "CANNOT READ TIFF FILE"},
                    ErrorCase{0x30, "FG NOT RESPONDING"}, ErrorCase{0x40, "FG FAULT"},
                    ErrorCase{0x50, "FG RAM FAULT"}, ErrorCase{0x51, "FG MEMORY NOT DETECTED"},
                    ErrorCase{0x70, "ANCILLARY ELECTRONICS FAULT"}, ErrorCase{0xE0, "SENSOR NOT RESPONDING"},
                    // A code without a text repeats the hardware label.
                    ErrorCase{18, "Gendex CCD38"}));

TEST(Hardware, RefusedArmingLeavesItDisarmedWithoutPolling)
{
    Tavro tavro;
    tavro.Sim("ActivateStatus", 1);
    tavro.StartAndWait();
    ASSERT_TRUE(tavro.WaitForCalls("GVGActivate"));
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Acquisizione disabilitata");
    // No timer runs: two and a half seconds pass without a poll.
    EXPECT_FALSE(tavro.WaitForCalls("IsGVGImageGrabbed", 1, 2500));
}

TEST(Hardware, SettingsOfVixwinIniReachTheLibrary)
{
    Tavro tavro;
    WriteTextFile(ProfilePath("vixwin.ini"), "[GXDriver]\r\nIntegrationTime=700\r\nIRQ=70000\r\n"
                                             "MemBase=0XD8\r\nPortBase=0x328\r\n");
    tavro.StartAndWait();
    const auto args = tavro.Calls("InstallHandler").at(0).args;
    EXPECT_EQ(args.at(1), "700");
    EXPECT_EQ(args.at(2), std::to_string(70000 & 0xFFFF));
    EXPECT_EQ(args.at(3), "216");
    EXPECT_EQ(args.at(4), "808");
}

TEST(Hardware, GarbageInVixwinIniGivesTheDefaults)
{
    Tavro tavro;
    WriteTextFile(ProfilePath("vixwin.ini"), "[GXDriver]\r\nIntegrationTime=abc\r\nIRQ=\r\nMemBase=0x\r\n"
                                             "PortBase=-1\r\n[Acquire]\r\nDirection=zz\r\ngarbage line\r\n");
    tavro.StartAndWait();
    const auto args = tavro.Calls("InstallHandler").at(0).args;
    EXPECT_EQ(args.at(1), "500");
    EXPECT_EQ(args.at(2), "10");
    EXPECT_EQ(args.at(3), "0"); // "0x" without digits is the number 0
    EXPECT_EQ(args.at(4), "65535");
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

namespace {

std::string VersionBoxText(const Tavro &tavro)
{
    PostMessageA(tavro.Dialog(), WM_COMMAND, 103, 0);
    HWND box = tavro.WaitForMessageBox("Dll version");
    if (!box)
        return "<no box>";
    const std::string text = MessageBoxText(box);
    DismissMessageBox(box);
    WaitUntil([&] { return !tavro.MessageBoxOpen("Dll version"); });
    return text;
}

} // namespace

TEST(Hardware, VersionBoxShowsTheNumberInHexadecimal)
{
    Tavro tavro;
    tavro.Sim("Version", 0x0105);
    tavro.StartAndWait();
    EXPECT_EQ(VersionBoxText(tavro), "Gendex interface\nVix.dll versione n. 105");
    tavro.Sim("Version", 0x00A0);
    EXPECT_EQ(VersionBoxText(tavro), "Gendex interface\nVix.dll versione n. a0");
}

TEST(Hardware, TestAcquisitionAsksTheLibraryAndShowsNothing)
{
    Tavro tavro;
    tavro.StartAndWait();
    SendMessageA(tavro.Dialog(), WM_COMMAND, 102, 0);
    EXPECT_EQ(tavro.Calls("GVGNoXrayGrab").size(), 1u);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

TEST(Hardware, LibraryWithoutVersionAndTestGrabLeavesThoseCommandsWithoutEffect)
{
    Tavro tavro("standins/vix32-noextras/vix32.dll");
    tavro.StartAndWait();
    SendMessageA(tavro.Dialog(), WM_COMMAND, 103, 0); // would block while a box were open
    SendMessageA(tavro.Dialog(), WM_COMMAND, 102, 0);
    EXPECT_FALSE(tavro.MessageBoxOpen("Dll version"));
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
    EXPECT_TRUE(tavro.Running());
}
