#include "delivery/deliver.h"

#include <windows.h>

#include <cstring>

#include "delivery/undelivered.h"
#include "sensor/sensore.h"

namespace {

const char PHOTO_SERVER_CLASS[] = "MORV_FOTO_SERVER";
const char IMAGING_CLASS[] = "TQuenstalWnd";
const WORD PHOTO_SERVER_COMMANDS[] = {24329, 24330, 24315};
const ULONG_PTR COPY_DATA_IMAGE = 511;

// A receiver that does not answer in this time is given up for this image.
const UINT RECEIVER_TIMEOUT_MS = 4000;
const int CLIPBOARD_ATTEMPTS = 10;
const DWORD CLIPBOARD_RETRY_MS = 50;

bool SendToReceiver(HWND receiver, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(receiver, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                               RECEIVER_TIMEOUT_MS, &result) != 0;
}

// Another program may hold the clipboard open for a moment.
bool OpenClipboardPatiently(HWND owner)
{
    for (int attempt = 0; attempt < CLIPBOARD_ATTEMPTS; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        Sleep(CLIPBOARD_RETRY_MS);
    }
    return false;
}

bool PlaceOnClipboard(HWND owner, HGLOBAL image)
{
    if (!OpenClipboardPatiently(owner))
        return false;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_DIB, image) != nullptr;
    CloseClipboard();
    return placed;
}

// The photo server may empty the clipboard while it handles its commands, which frees
// the block the clipboard owned: whatever is read after the hand-over must be our own copy.
HGLOBAL CopyBlock(HGLOBAL image, SIZE_T size)
{
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void *target = copy ? GlobalLock(copy) : nullptr;
    const void *source = target ? GlobalLock(image) : nullptr;
    if (source) {
        memcpy(target, source, size);
        GlobalUnlock(image);
    }
    if (target)
        GlobalUnlock(copy);
    if (!source && copy) {
        GlobalFree(copy);
        return nullptr;
    }
    return copy;
}

bool SendCommands(HWND server)
{
    for (WORD command : PHOTO_SERVER_COMMANDS)
        if (!SendToReceiver(server, WM_COMMAND, command, 0))
            return false; // the rest would wait on the same stuck receiver
    return true;
}

bool SendCopyData(HWND receiver, HWND owner, HGLOBAL image, SIZE_T size)
{
    void *bits = GlobalLock(image);
    if (!bits)
        return false;
    COPYDATASTRUCT record = {};
    record.dwData = COPY_DATA_IMAGE;
    record.cbData = static_cast<DWORD>(size);
    record.lpData = bits;
    const bool sent = SendToReceiver(receiver, WM_COPYDATA, reinterpret_cast<WPARAM>(owner),
                                     reinterpret_cast<LPARAM>(&record));
    GlobalUnlock(image);
    return sent;
}

} // namespace

bool DeliverImage(Sensore *sensor)
{
    HGLOBAL image = sensor->image;
    const HWND owner = sensor->ownerWindow;
    const SIZE_T size = GlobalSize(image);
    bool delivered = false;
    bool onClipboard = false;
    HGLOBAL kept = image; // the block we may still read after the clipboard hand-over

    if (HWND server = FindWindowA(PHOTO_SERVER_CLASS, nullptr)) {
        HGLOBAL copy = CopyBlock(image, size);
        if (copy && PlaceOnClipboard(owner, image)) {
            onClipboard = true;
            kept = copy;
        } else if (copy) {
            GlobalFree(copy);
        }
        delivered = SendCommands(server) && onClipboard;
    }
    if (HWND imaging = FindWindowA(IMAGING_CLASS, nullptr))
        delivered = SendCopyData(imaging, owner, kept, size) || delivered;
    if (!delivered)
        SaveUndeliveredImage(kept, sensor->imageCount + 1, owner);
    if (kept != image)
        GlobalFree(kept);
    return onClipboard;
}
