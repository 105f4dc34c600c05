// The hand-over on real memory blocks and a real clipboard, with both receivers played by
// windows of this program: what the delivery code does with each block is recorded.
#include "delivery/deliver.h"
#include "tests/image/platform_hooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

const UINT TAKE_IMAGE_COMMAND = 24315;

struct Receivers {
    std::vector<UINT> commands;    // what the photo server was told
    bool emptyClipboard = false;   // the photo server empties it at its first command
    std::vector<BYTE> copyData;    // what the imaging application was sent
};

Receivers g_receivers;

LRESULT CALLBACK PhotoServerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return DefWindowProcA(window, message, wParam, lParam);
    if (g_receivers.commands.empty() && g_receivers.emptyClipboard && OpenClipboard(window)) {
        EmptyClipboard(); // frees the block the clipboard owned
        CloseClipboard();
    }
    g_receivers.commands.push_back(LOWORD(wParam));
    return 0;
}

LRESULT CALLBACK ImagingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcA(window, message, wParam, lParam);
    const auto *record = reinterpret_cast<const COPYDATASTRUCT *>(lParam);
    const BYTE *data = static_cast<const BYTE *>(record->lpData);
    g_receivers.copyData.assign(data, data + record->cbData);
    return TRUE;
}

HWND OpenWindow(const char *className, WNDPROC procedure)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, className, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

class Delivering : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_receivers = Receivers();
        sensor.ownerWindow = OpenWindow("TavroTestOwner", DefWindowProcA);
        // A fixed block, as the grab makes it, with a pattern in every byte after the header.
        image = GlobalAlloc(GPTR, 1064 + 8 * 3);
        BYTE *block = static_cast<BYTE *>(GlobalLock(image));
        const BITMAPINFOHEADER header = {40, 5, 3, 1, 8, BI_RGB, 24, 0, 0, 256, 0};
        memcpy(block, &header, sizeof header);
        for (SIZE_T i = sizeof header; i < GlobalSize(image); ++i)
            block[i] = static_cast<BYTE>(i * 7);
        bytes.assign(block, block + GlobalSize(image));
        GlobalUnlock(image);
        sensor.image = image;
        ResetPlatformLog();
    }
    void TearDown() override
    {
        for (HWND window : windows)
            DestroyWindow(window);
        DestroyWindow(sensor.ownerWindow);
        GlobalFree(image);
    }
    void StartReceiver(const char *className, WNDPROC procedure)
    {
        windows.push_back(OpenWindow(className, procedure));
    }
    std::vector<BYTE> ImageBytes() const
    {
        const BYTE *block = static_cast<const BYTE *>(GlobalLock(image));
        std::vector<BYTE> now(block, block + GlobalSize(image));
        GlobalUnlock(image);
        return now;
    }

    TestSensor sensor;
    HGLOBAL image = nullptr;
    std::vector<BYTE> bytes;
    std::vector<HWND> windows;
};

class ClipboardOwnership : public Delivering, public testing::WithParamInterface<bool> {};

// Under Wine a block the clipboard freed stays readable, so only the calls can tell.
TEST_P(ClipboardOwnership, NothingTouchesTheClipboardsBlockAndTheImageStaysTheCallers)
{
    g_receivers.emptyClipboard = GetParam();
    StartReceiver("MORV_FOTO_SERVER", PhotoServerProc);
    StartReceiver("TQuenstalWnd", ImagingProc);
    const Delivery delivery = DeliverImage(&sensor);

    EXPECT_TRUE(delivery.delivered);
    EXPECT_FALSE(delivery.saved);
    ASSERT_TRUE(g_log.clipboardBlock);
    EXPECT_EQ(0, g_log.clipboardBlockTouches);
    EXPECT_TRUE(g_log.clipboardBlockMovable);
    EXPECT_TRUE(g_log.clipboardBytes == bytes);
    EXPECT_EQ(g_receivers.commands, (std::vector<UINT>{24329, 24330, TAKE_IMAGE_COMMAND}));
    EXPECT_TRUE(g_receivers.copyData == bytes);
    for (HGLOBAL freed : g_log.freed)
        EXPECT_NE(freed, image);
    EXPECT_TRUE(ImageBytes() == bytes);
    EXPECT_STREQ(delivery.receivers, "MORV_FOTO_SERVER: presa; TQuenstalWnd: presa");
}

INSTANTIATE_TEST_SUITE_P(PhotoServers, ClipboardOwnership, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool> &info) {
                             return info.param ? "EmptiesTheClipboard" : "KeepsTheClipboard";
                         });

TEST_F(Delivering, WithoutTheClipboardsCopyThePhotoServerIsNotToldAndTheImageIsSaved)
{
    StartReceiver("MORV_FOTO_SERVER", PhotoServerProc);
    g_log.failAllocation = true;
    const Delivery delivery = DeliverImage(&sensor);
    g_log.failAllocation = false;

    EXPECT_TRUE(g_receivers.commands.empty());
    EXPECT_FALSE(g_log.clipboardBlock);
    EXPECT_FALSE(delivery.delivered);
    ASSERT_TRUE(delivery.saved);
    HANDLE file = CreateFileA(delivery.savedPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << delivery.savedPath;
    std::vector<BYTE> saved(sizeof(BITMAPFILEHEADER) + bytes.size() + 1);
    DWORD read = 0;
    ReadFile(file, saved.data(), static_cast<DWORD>(saved.size()), &read, nullptr);
    CloseHandle(file);
    DeleteFileA(delivery.savedPath);
    ASSERT_EQ(read, sizeof(BITMAPFILEHEADER) + bytes.size());
    EXPECT_TRUE(std::vector<BYTE>(saved.begin() + sizeof(BITMAPFILEHEADER), saved.begin() + read) == bytes);
    EXPECT_TRUE(g_log.messages.empty());
    EXPECT_STREQ(delivery.receivers,
                 "MORV_FOTO_SERVER: memoria insufficiente, non avvisata; TQuenstalWnd: non in esecuzione");
}

} // namespace
