// The hardware setup dialog: what it shows, what it writes to vixwin.ini, and the reopening.
#include <gtest/gtest.h>

#include "tests/data_folders.h"
#include "tests/e2e/harness.h"

using namespace e2e;

namespace {

const char CAPTION[] = "Impostazioni Hardware";

std::string ExposureLog()
{
    return ReadTextFile(ExposureLogPath());
}

// Wine's A form returns one character across processes: read the lists as wide text.
std::string Entry(HWND list, int index)
{
    wchar_t text[64] = L"";
    SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    char narrow[64];
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

std::vector<std::string> Entries(HWND list)
{
    std::vector<std::string> entries;
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        entries.push_back(Entry(list, i));
    return entries;
}

std::string Selected(HWND dialog, int id)
{
    HWND list = GetDlgItem(dialog, id);
    const int selected = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    return selected == CB_ERR ? "<none>" : Entry(list, selected);
}

std::string Ticks(HWND dialog)
{
    std::string ticks;
    for (int id = 105; id <= 107; ++id)
        ticks += SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED ? '1' : '0';
    return ticks;
}

std::vector<std::string> Expected(int first, int last, int step, const char *format)
{
    std::vector<std::string> entries;
    for (int value = first; value <= last; value += step) {
        char text[16];
        wsprintfA(text, format, value);
        entries.push_back(text);
    }
    return entries;
}

class SetupDialog : public testing::Test {
protected:
    HWND Open()
    {
        tavro.StartAndWait();
        PostMessageA(tavro.Dialog(), WM_COMMAND, 100, 0);
        HWND dialog = tavro.WaitForMessageBox(CAPTION);
        EXPECT_TRUE(dialog) << "the setup dialog did not open";
        return dialog;
    }
    // The hardware was closed for the dialog and has been opened again.
    bool Reopened() const
    {
        return tavro.WaitForCalls("InstallHandler", 2) && tavro.Calls("RemoveHandler").size() == 1;
    }
    std::string Vixwin() const { return ReadTextFile(ProfilePath("vixwin.ini")); }
    Tavro tavro;
};

} // namespace

TEST_F(SetupDialog, OffersEveryEntryInAscendingOrder)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Entries(GetDlgItem(dialog, 101)), Expected(100, 900, 100, "%i"));
    EXPECT_EQ(Entries(GetDlgItem(dialog, 102)), Expected(3, 15, 1, "%i"));
    EXPECT_EQ(Entries(GetDlgItem(dialog, 103)), Expected(0xC0, 0xEF, 1, "0X%X"));
    EXPECT_EQ(Entries(GetDlgItem(dialog, 104)), Expected(0x200, 0x3F8, 8, "0X%X"));
    EXPECT_EQ(Entries(GetDlgItem(dialog, 103)).back(), "0XEF");
    EXPECT_EQ(Entries(GetDlgItem(dialog, 104)).size(), 64u);
    EXPECT_EQ(Entries(GetDlgItem(dialog, 104)).back(), "0X3F8");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(SetupDialog, WithoutSettingsShowsAndWritesTheDefaults)
{
    const size_t logged = ExposureLog().size();
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Selected(dialog, 101), "500");
    EXPECT_EQ(Selected(dialog, 102), "10");
    EXPECT_EQ(Selected(dialog, 103), "0XD7");
    EXPECT_EQ(Selected(dialog, 104), "0X320");
    EXPECT_EQ(Ticks(dialog), "111");

    PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(Reopened());
    EXPECT_EQ(Vixwin(), "[GXDriver]\r\nIntegrationTime=500\r\nIRQ=10\r\nMemBase=0XD7\r\nPortBase=0X320\r\n"
                        "[Filter]\r\nEqual=1\r\nLog=1\r\nDespeck=1\r\n");
    const auto args = tavro.Calls("InstallHandler").at(1).args;
    EXPECT_EQ(args.at(3), "215");
    EXPECT_EQ(args.at(4), "800");
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
    EXPECT_NE(ExposureLog().find("Impostazioni hardware scritte in vixwin.ini: IntegrationTime=500 IRQ=10 "
                                 "MemBase=0XD7 PortBase=0X320 Equal=1 Log=1 Despeck=1",
                                 logged),
              std::string::npos);
}

TEST_F(SetupDialog, StoredTextSelectsTheFirstEntryBeginningWithIt)
{
    WriteTextFile(ProfilePath("vixwin.ini"), "[GXDriver]\r\nIntegrationTime=5\r\nIRQ=1\r\nMemBase=0xd7\r\n"
                                             "[Filter]\r\nLog=0\r\n");
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Selected(dialog, 101), "500");
    EXPECT_EQ(Selected(dialog, 102), "10");
    EXPECT_EQ(Selected(dialog, 103), "0XD7");
    EXPECT_EQ(Ticks(dialog), "011");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Reopened());
    EXPECT_EQ(IniValue("vixwin.ini", "GXDriver", "MemBase"), "0XD7");
    EXPECT_EQ(IniValue("vixwin.ini", "GXDriver", "IntegrationTime"), "500");
    EXPECT_EQ(IniValue("vixwin.ini", "Filter", "Log"), "0");
}

TEST_F(SetupDialog, EmptyValuesCountAsMissing)
{
    WriteTextFile(ProfilePath("vixwin.ini"), "[GXDriver]\r\nIntegrationTime=\r\nMemBase=\r\n[Filter]\r\nLog=\r\n");
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Selected(dialog, 101), "500");
    EXPECT_EQ(Selected(dialog, 103), "0XD7");
    EXPECT_EQ(Ticks(dialog), "111");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Reopened());
    EXPECT_EQ(IniValue("vixwin.ini", "GXDriver", "IntegrationTime"), "500");
}

TEST_F(SetupDialog, AValueMatchingNoEntryIsWrittenBackAsItWas)
{
    WriteTextFile(ProfilePath("vixwin.ini"), "[GXDriver]\r\nPortBase=0x999\r\nIRQ=twelve\r\n");
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Selected(dialog, 104), "<none>");
    EXPECT_EQ(Selected(dialog, 102), "<none>");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Reopened());
    EXPECT_EQ(IniValue("vixwin.ini", "GXDriver", "PortBase"), "0x999");
    EXPECT_EQ(IniValue("vixwin.ini", "GXDriver", "IRQ"), "twelve");
    EXPECT_EQ(IniValue("vixwin.ini", "GXDriver", "IntegrationTime"), "500");
}

class SetupDialogCancel : public SetupDialog, public testing::WithParamInterface<int> {};

TEST_P(SetupDialogCancel, WritesNothingButReopensTheHardware)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    SendMessageW(GetDlgItem(dialog, 101), CB_SETCURSEL, 0, 0);
    SendMessageW(GetDlgItem(dialog, 105), BM_SETCHECK, BST_UNCHECKED, 0);
    switch (GetParam()) {
    case 0:
        PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        break;
    case 1:
        PostMessageA(GetDlgItem(dialog, 101), WM_KEYDOWN, VK_ESCAPE, 1);
        break;
    case 2:
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    ASSERT_TRUE(Reopened());
    EXPECT_EQ(GetFileAttributesA(ProfilePath("vixwin.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

// Annulla, the Escape key and the close box.
INSTANTIATE_TEST_SUITE_P(Ways, SetupDialogCancel, testing::Values(0, 1, 2));

TEST_F(SetupDialog, WhileOpenOnlyTriggerMessagesReachTheSensor)
{
    HWND dialog = Open();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowEnabled(tavro.Dialog()));
    const size_t activations = tavro.Calls("GVGActivate").size();
    PostMessageA(GetDlgItem(dialog, 101), WM_KEYDOWN, VK_F5, 1);
    PostMessageA(tavro.Main(), WM_USER, 0, 0); // handled after the key
    ASSERT_TRUE(tavro.WaitForCalls("IsGVGImageGrabbed"));
    EXPECT_TRUE(tavro.Calls("GetGVGDIBitmap").empty());
    EXPECT_EQ(tavro.Calls("GVGActivate").size(), activations);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Reopened());
}

// A vixwin.ini that cannot be written (here a folder of that name): "OK" fails silently and
// the hardware is reopened with the defaults the unreadable file gives.
TEST_F(SetupDialog, AnUnwritableFileFailsSilentlyAndTheHardwareIsReopened)
{
    const std::string file = ProfilePath("vixwin.ini");
    ASSERT_TRUE(CreateDirectoryA(file.c_str(), nullptr));
    HWND dialog = Open();
    if (dialog) {
        EXPECT_EQ(Selected(dialog, 103), "0XD7");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(Reopened());
        const auto args = tavro.Calls("InstallHandler").back().args;
        EXPECT_EQ(args.at(3), "215");
        EXPECT_EQ(args.at(4), "800");
        EXPECT_TRUE(tavro.Running());
    }
    RemoveDirectoryA(file.c_str());
}
