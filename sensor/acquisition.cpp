// The acquisition cycle: poll, fetch, turn, deliver, count, re-arm.
#include <cstdarg>
#include <cstring>

#include "delivery/deliver.h"
#include "delivery/exposure_log.h"
#include "image/dib_layout.h"
#include "image/image_dib.h"
#include "image/orientation.h"
#include "resources/interfaces.h"
#include "resources/resource.h"
#include "sensor/gendex.h"
#include "sensor/gendex_library.h"
#include "shell/globals.h"
#include "shell/profile.h"

namespace {

// Guards the poll against re-entry from the nested loops of message boxes and hand-overs.
WORD g_pollBusy;

const WORD IMAGES_LEFT_OVER = 2;
const WORD TIFF_BUSY = 1;
// The library gets this long to finish its side file; the image is ours either way.
const DWORD TIFF_WAIT_LIMIT_MS = 10000;
const int PATH_SIZE = 256;

bool CopyHeader(HGLOBAL image, BITMAPINFOHEADER *header)
{
    const void *block = GlobalLock(image);
    if (!block)
        return false;
    memcpy(header, block, sizeof *header);
    GlobalUnlock(image);
    return true;
}

// The library may scribble over the header it was given.
void RestoreHeader(HGLOBAL image, const BITMAPINFOHEADER &header)
{
    if (void *block = GlobalLock(image)) {
        memcpy(block, &header, sizeof header);
        GlobalUnlock(image);
    }
}

// False when the wait was given up.
bool WaitForTiffWriter()
{
    const DWORD start = GetTickCount();
    while (pIsGVGWriteTIFFBusy() == TIFF_BUSY) {
        if (GetTickCount() - start >= TIFF_WAIT_LIMIT_MS)
            return false;
    }
    return true;
}

// A size that no block can hold comes from vixwin.ini: the operator must hear of it, or
// every exposure would silently stay in the library.
void ReportUnusableSize(HWND owner, int columns, int rows)
{
    wsprintfA(g_textBuffer, "Dimensione immagine non valida: %d x %d.\n\n"
                            "Controllare IMAGECOLUMNS e IMAGEROWS in vixwin.ini.", columns, rows);
    MessageBoxA(owner, g_textBuffer, "Acquisizione", MB_ICONERROR);
}

void SetFilters()
{
    pSetGVGConfiguration(ReadProfileInt("Filter", "Log", 1, VIXWIN_INI),
                         ReadProfileInt("Filter", "Equal", 1, VIXWIN_INI),
                         ReadProfileInt("Filter", "Despeck", 1, VIXWIN_INI));
}

} // namespace

void SGendex::Poll(WPARAM, LPARAM)
{
    if (grabbing)
        pollDeferred = true;
    if (g_pollBusy || grabbing || Leaving())
        return;
    g_pollBusy = 1;

    const WORD grabbed = pIsGVGImageGrabbed();
    // Owned by the dialog, so it stands in front of it and of every ordinary window, and the
    // dialog's menu and buttons wait: no image is fetched until it is answered.
    if (grabbed == IMAGES_LEFT_OVER)
        MessageBoxA(ownerWindow, "Sono presenti immagini dalla precedente acquisizione",
                    "Controllare le immagini.", MB_OK);
    // The program may have been closed while the box was open: the library keeps the images.
    if (grabbed != 0 && !Leaving())
        GrabAndRearm();
    g_pollBusy = 0;
}

void SGendex::AcquireNow()
{
    if (!grabbing)
        GrabAndRearm();
}

void SGendex::GrabAndRearm()
{
    Disarm();
    ShowStatus(IDS_ACQUIRED);
    grabbing = true;
    GrabImage(0);
    grabbing = false;
    // Closed under the grab, by leaving during one of its boxes: nothing more to the library.
    if (Leaving())
        return;
    Arm();
    if (pollDeferred) {
        pollDeferred = false;
        PostMessageA(ownerWindow, WM_TAVRO_TRIGGER, 0, 0);
    }
    if (grabNotice[0] && status == 0)
        SetDlgItemTextA(ownerWindow, IDC_STATUS_LINE, grabNotice);
}

// Tells the operator at once, on the status line, and keeps the text for after the re-arm.
void SGendex::Notify(UINT beep, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(grabNotice, format, arguments);
    va_end(arguments);
    MessageBeep(beep);
    SetDlgItemTextA(ownerWindow, IDC_STATUS_LINE, grabNotice);
}

void SGendex::GrabImage(int)
{
    grabNotice[0] = '\0';
    HGLOBAL grabbed = CreateAcquisitionImage();
    if (!grabbed) {
        if (columns != 0 && rows != 0 && !PixelRowsSize(columns, rows))
            ReportUnusableSize(ownerWindow, columns, rows);
        return;
    }
    BITMAPINFOHEADER header;
    if (!CopyHeader(grabbed, &header)) {
        GlobalFree(grabbed);
        return;
    }
    FillGreyPalette(grabbed);
    SetFilters();

    // Cleared, so a library that names no side file makes us delete nothing.
    char tiffPath[PATH_SIZE] = "";
    status = pGetGVGDIBitmap(tiffPath, grabbed);
    if (status != 0) {
        GlobalFree(grabbed);
        const char *text = GendexErrorText(status);
        LogLine("Lettura dell'immagine non riuscita: stato %u (%s)", status, text ? text : "sconosciuto");
        if (text)
            Notify(MB_ICONHAND, "%s", text);
        else
            Notify(MB_ICONHAND, "Errore %u", status);
        return;
    }
    if (!WaitForTiffWriter())
        LogLine("File TIFF della libreria ancora in scrittura dopo %u s: attesa interrotta",
                TIFF_WAIT_LIMIT_MS / 1000);
    tiffPath[PATH_SIZE - 1] = '\0';
    if (tiffPath[0])
        DeleteFileA(tiffPath);
    RestoreHeader(grabbed, header);

    // A turn that could not be made leaves the same block, delivered as it came.
    const HGLOBAL unturned = grabbed;
    CorrectOrientation(grabbed);
    const int degrees = TurnDegrees(direction, orientation);
    const char *turn = degrees == 0 || grabbed != unturned ? "" : " non riuscita, consegnata com'era";
    image = grabbed;
    const Delivery delivery = DeliverImage(this);
    image = nullptr;
    ++imageCount;
    SetDlgItemInt(ownerWindow, IDC_IMAGE_COUNTER, imageCount, FALSE);

    int width, height, bitsPerPixel;
    GetImageDimensions(grabbed, &width, &height, &bitsPerPixel);
    // Ours alone, whatever a grab nested in the hand-over did: the clipboard has its own copy.
    GlobalFree(grabbed);
    LogLine("Esposizione %d: %d x %d, rotazione %d gradi%s; %s", imageCount, width, height, degrees, turn,
            delivery.receivers);
    if (delivery.saved) {
        LogLine("Esposizione %d non consegnata: salvata in %s", imageCount, delivery.savedPath);
        Notify(MB_ICONEXCLAMATION, "Non consegnata: salvata");
    } else if (!delivery.delivered) {
        LogLine("Esposizione %d non consegnata e non salvata", imageCount);
        Notify(MB_ICONHAND, "Non consegnata: non salvata");
    }
}
