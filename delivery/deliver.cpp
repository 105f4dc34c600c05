#include "delivery/deliver.h"

#include <windows.h>

#include <cstring>

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

enum Outcome { TAKEN, NOT_RUNNING, TIMED_OUT, REFUSED, CLIPBOARD_BUSY, NO_COPY };

struct Receipt {
    Outcome outcome;
    DWORD error; // of a refusal
};

Receipt SendToReceiver(HWND receiver, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result;
    SetLastError(0);
    if (SendMessageTimeoutA(receiver, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            RECEIVER_TIMEOUT_MS, &result))
        return Receipt{TAKEN, 0};
    // A hung receiver is given up at once, without an error of its own.
    const DWORD error = GetLastError();
    if (error == 0 || error == ERROR_TIMEOUT)
        return Receipt{TIMED_OUT, 0};
    return Receipt{REFUSED, error}; // ERROR_ACCESS_DENIED: it runs with higher rights
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

// On success the clipboard owns the block, and may free it whenever another program empties it.
bool PlaceOnClipboard(HWND owner, HGLOBAL block)
{
    if (!OpenClipboardPatiently(owner))
        return false;
    EmptyClipboard();
    const bool placed = SetClipboardData(CF_DIB, block) != nullptr;
    CloseClipboard();
    return placed;
}

// Movable, as the clipboard's contract asks; the same size and bytes as the image.
HGLOBAL CopyBlock(HGLOBAL image)
{
    const SIZE_T size = GlobalSize(image);
    HGLOBAL copy = size ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
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

Receipt SendCommands(HWND server)
{
    for (WORD command : PHOTO_SERVER_COMMANDS) {
        const Receipt receipt = SendToReceiver(server, WM_COMMAND, command, 0);
        if (receipt.outcome != TAKEN)
            return receipt; // the rest would wait on the same stuck receiver
    }
    return Receipt{TAKEN, 0};
}

// The photo server is never told to take an image that is not on the clipboard: it would
// take whatever is there, perhaps another patient's.
Receipt HandToPhotoServer(HWND owner, HGLOBAL image)
{
    HWND server = FindWindowA(PHOTO_SERVER_CLASS, nullptr);
    if (!server)
        return Receipt{NOT_RUNNING, 0};
    HGLOBAL copy = CopyBlock(image);
    if (!copy)
        return Receipt{NO_COPY, 0};
    if (!PlaceOnClipboard(owner, copy)) {
        GlobalFree(copy);
        return Receipt{CLIPBOARD_BUSY, 0};
    }
    return SendCommands(server);
}

Receipt HandToImagingApplication(HWND owner, HGLOBAL image)
{
    HWND receiver = FindWindowA(IMAGING_CLASS, nullptr);
    if (!receiver)
        return Receipt{NOT_RUNNING, 0};
    void *bits = GlobalLock(image);
    if (!bits)
        return Receipt{NO_COPY, 0};
    COPYDATASTRUCT record = {};
    record.dwData = COPY_DATA_IMAGE;
    record.cbData = static_cast<DWORD>(GlobalSize(image));
    record.lpData = bits;
    const Receipt receipt = SendToReceiver(receiver, WM_COPYDATA, reinterpret_cast<WPARAM>(owner),
                                           reinterpret_cast<LPARAM>(&record));
    GlobalUnlock(image);
    return receipt;
}

// "<class>: <what happened>", appended to text.
void Describe(char *text, const char *receiverClass, const Receipt &receipt)
{
    static const char *const OUTCOMES[] = {
        "presa", "non in esecuzione", "nessuna risposta entro 4 s", "rifiutata, errore %lu",
        "appunti occupati, non avvisata", "memoria insufficiente, non avvisata",
    };
    char *end = text + lstrlenA(text);
    end += wsprintfA(end, "%s%s: ", end != text ? "; " : "", receiverClass);
    wsprintfA(end, OUTCOMES[receipt.outcome], receipt.error);
}

} // namespace

Delivery DeliverImage(Sensore *sensor)
{
    // Read once: a grab nested in a hand-over below sets the field to its own image.
    HGLOBAL image = sensor->image;
    const HWND owner = sensor->ownerWindow;
    const int counter = sensor->imageCount + 1;
    Delivery delivery = {};

    const Receipt photo = HandToPhotoServer(owner, image);
    const Receipt imaging = HandToImagingApplication(owner, image);
    delivery.delivered = photo.outcome == TAKEN || imaging.outcome == TAKEN;
    if (!delivery.delivered)
        delivery.saved = SaveUndeliveredImage(image, counter, owner, delivery.savedPath);
    Describe(delivery.receivers, PHOTO_SERVER_CLASS, photo);
    Describe(delivery.receivers, IMAGING_CLASS, imaging);
    return delivery;
}
