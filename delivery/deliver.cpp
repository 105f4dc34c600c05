#include "delivery/deliver.h"

#include <windows.h>

#include <cstring>

#include "delivery/exposure_log.h"
#include "resources/interfaces.h"
#include "sensor/sensore.h"

namespace {

const WORD PHOTO_SERVER_COMMANDS[] = {PHOTO_SERVER_COMMAND_1, PHOTO_SERVER_COMMAND_2, PHOTO_SERVER_TAKE_IMAGE};

// A receiver that does not answer in this time is given up for this image.
const UINT RECEIVER_TIMEOUT_MS = 4000;
const int CLIPBOARD_ATTEMPTS = 10;
const DWORD CLIPBOARD_RETRY_MS = 50;

enum Outcome { TAKEN, NOT_RUNNING, TIMED_OUT, REFUSED, CLIPBOARD_BUSY, NO_COPY };

// An image being handed over. Windows may end the session while a receiver keeps it waiting,
// and a grab run from inside the wait hands over its own image, so each record links to the
// hand-over it interrupted.
struct HandOver {
    HGLOBAL image;
    int counter;
    bool taken;                       // by a receiver
    bool saved;                       // at the session's end
    char savedPath[SAVED_PATH_SIZE];
    HandOver *interrupted;
};

HandOver *g_handOvers;

// Shown by Windows Vista and later when the session ends during a hand-over; Windows XP
// has no such functions.
const wchar_t SHUTDOWN_REASON[] = L"Consegna di una radiografia in corso";

template <typename Function>
Function User32Function(const char *name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

void ExplainShutdownBlock(HWND owner)
{
    typedef BOOL(WINAPI * CreateFn)(HWND, LPCWSTR);
    if (const auto create = User32Function<CreateFn>("ShutdownBlockReasonCreate"))
        create(GetAncestor(owner, GA_ROOTOWNER), SHUTDOWN_REASON);
}

void EndShutdownBlock(HWND owner)
{
    typedef BOOL(WINAPI * DestroyFn)(HWND);
    if (const auto destroy = User32Function<DestroyFn>("ShutdownBlockReasonDestroy"))
        destroy(GetAncestor(owner, GA_ROOTOWNER));
}

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
    HandOver handOver = {};
    handOver.image = sensor->image;
    handOver.counter = sensor->imageCount + 1;
    handOver.interrupted = g_handOvers;
    const HWND owner = sensor->ownerWindow;
    if (!g_handOvers)
        ExplainShutdownBlock(owner);
    g_handOvers = &handOver;
    Delivery delivery = {};

    const Receipt photo = HandToPhotoServer(owner, handOver.image);
    handOver.taken = photo.outcome == TAKEN;
    const Receipt imaging = HandToImagingApplication(owner, handOver.image);
    delivery.delivered = handOver.taken || imaging.outcome == TAKEN;
    // No receiver has it any more: from here the image is this hand-over's to save, once, and
    // a session's end during the box that may follow finds nothing in hand.
    g_handOvers = handOver.interrupted;
    // Saved already when the session ended while the receivers kept it waiting.
    if (!delivery.delivered && handOver.saved) {
        delivery.saved = true;
        lstrcpynA(delivery.savedPath, handOver.savedPath, sizeof delivery.savedPath);
    } else if (!delivery.delivered) {
        delivery.saved = SaveUndeliveredImage(handOver.image, handOver.counter, owner, delivery.savedPath);
    }
    Describe(delivery.receivers, PHOTO_SERVER_CLASS, photo);
    Describe(delivery.receivers, IMAGING_CLASS, imaging);
    if (!g_handOvers)
        EndShutdownBlock(owner);
    return delivery;
}

void SaveImagesInHand()
{
    for (HandOver *handOver = g_handOvers; handOver; handOver = handOver->interrupted) {
        if (handOver->taken || handOver->saved)
            continue;
        bool elsewhere;
        handOver->saved = WriteUndeliveredImage(handOver->image, handOver->counter, handOver->savedPath, &elsewhere);
        if (handOver->saved)
            LogLine("Esposizione %d non consegnata alla fine della sessione di Windows: salvata in %s",
                    handOver->counter, handOver->savedPath);
        else
            LogLine("Esposizione %d non consegnata alla fine della sessione di Windows e non salvata",
                    handOver->counter);
    }
}
