// The hand-over on real memory blocks and a real clipboard, with both receivers played by
// windows of this program: what the delivery code does with each block is recorded.
#include "delivery/deliver.h"
#include "tests/data_folders.h"
#include "tests/image/platform_hooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
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

int UndeliveredCount()
{
    int count = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((UndeliveredFolder(false) + "\\*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

struct FullDisk {
    bool usualFull, temporaryFull;
    bool onWrite;      // the file is made, its bytes refused

    bool saved;
    const char *box;   // how the box begins, "" for none
};

const char ELSEWHERE_BOX[] = "Immagine non consegnata|Nessun programma ha ricevuto l'immagine e non e' stato "
                            "possibile salvarla nella cartella";
const char LOST_BOX[] = "Immagine non consegnata|Nessun programma ha ricevuto l'immagine e non e' stato "
                        "possibile salvarla.";

std::string DiskName(const testing::TestParamInfo<FullDisk> &info)
{
    const std::string full = info.param.temporaryFull ? "BothFull" : info.param.usualFull ? "UsualFull" : "Usual";
    return full + (info.param.onWrite ? "OnWrite" : "");
}

class UndeliveredSave : public Delivering, public testing::WithParamInterface<FullDisk> {};

// A file the undelivered-images folder cannot take goes to the temporary folder, and the
// operator is told where; only when that fails too is the image lost.
TEST_P(UndeliveredSave, FallsBackToTheTemporaryFolderAndSaysWhere)
{
    const FullDisk disk = GetParam();
    if (disk.usualFull)
        g_log.fullFolders.push_back(UndeliveredFolder(false));
    if (disk.temporaryFull)
        g_log.fullFolders.push_back(UndeliveredFolder(true));
    g_log.fullOnWrite = disk.onWrite;
    const int kept = UndeliveredCount();
    const Delivery delivery = DeliverImage(&sensor);
    g_log.fullFolders.clear();
    EXPECT_EQ(UndeliveredCount(), kept + (disk.saved && !disk.usualFull)) << "no broken file is left behind";

    EXPECT_FALSE(delivery.delivered);
    ASSERT_EQ(delivery.saved, disk.saved);
    ASSERT_EQ(g_log.messages.size(), disk.box[0] ? 1u : 0u);
    if (disk.box[0]) {
        EXPECT_EQ(g_log.messages[0].find(disk.box), 0u) << g_log.messages[0];
    }
    if (!disk.saved) {
        EXPECT_STREQ(delivery.savedPath, "");
        return;
    }
    const std::string path = delivery.savedPath;
    EXPECT_EQ(path.find(UndeliveredFolder(disk.usualFull) + "\\tavro-"), 0u) << path;
    if (disk.box[0]) {
        EXPECT_NE(g_log.messages[0].find(path), std::string::npos) << "the box names the file";
    }
    const std::string file = ReadFileText(path);
    DeleteFileA(path.c_str());
    EXPECT_EQ(file.substr(std::min(file.size(), sizeof(BITMAPFILEHEADER))), std::string(bytes.begin(), bytes.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Disks, UndeliveredSave,
    testing::Values(FullDisk{false, false, false, true, ""},
                    FullDisk{true, false, false, true, ELSEWHERE_BOX}, FullDisk{true, false, true, true, ELSEWHERE_BOX},
                    FullDisk{true, true, false, false, LOST_BOX}, FullDisk{true, true, true, false, LOST_BOX}),
    DiskName);

// A receiver on a thread of its own that hangs past the hand-over's time-out, and meanwhile
// Windows ends the session: the owner window is told, as the main window would be.
const UINT END_SESSION = WM_APP;
std::wstring g_reasonAtSessionEnd;

LRESULT CALLBACK HangingImagingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return DefWindowProcA(window, message, wParam, lParam);
    SendMessageA(reinterpret_cast<HWND>(wParam), END_SESSION, 0, 0);
    Sleep(4500);
    return TRUE;
}

LRESULT CALLBACK EndingOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != END_SESSION)
        return DefWindowProcA(window, message, wParam, lParam);
    g_reasonAtSessionEnd = g_log.shutdownReason;
    SaveImagesInHand();
    return 0;
}

DWORD WINAPI RunHangingImaging(void *ready)
{
    OpenWindow("TQuenstalWnd", HangingImagingProc);
    SetEvent(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

// Windows is told why to wait while an image is in hand, and no longer after; the image in
// hand when the session ends is saved then, and not again when the hand-over goes on.
TEST_F(Delivering, TheSessionsEndSavesTheImageInHandOnce)
{
    SetWindowLongPtrA(sensor.ownerWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EndingOwnerProc));
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, RunHangingImaging, ready, 0, &threadId);
    ASSERT_EQ(WaitForSingleObject(ready, 5000), WAIT_OBJECT_0);
    const int kept = UndeliveredCount();
    const Delivery delivery = DeliverImage(&sensor);
    const int added = UndeliveredCount() - kept;
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(ready);

    EXPECT_EQ(g_reasonAtSessionEnd, L"Consegna di una radiografia in corso");
    EXPECT_TRUE(g_log.shutdownReason.empty());
    EXPECT_FALSE(delivery.delivered);
    ASSERT_TRUE(delivery.saved);
    EXPECT_EQ(added, 1);
    EXPECT_TRUE(g_log.messages.empty());
    const std::string path = delivery.savedPath;
    const std::string file = ReadFileText(path);
    DeleteFileA(path.c_str());
    EXPECT_EQ(file.substr(std::min(file.size(), sizeof(BITMAPFILEHEADER))), std::string(bytes.begin(), bytes.end()));
}

} // namespace
