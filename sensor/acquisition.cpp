// The acquisition cycle: poll, fetch, turn, deliver, count, re-arm.
#include <cstring>

#include "delivery/deliver.h"
#include "image/dib_layout.h"
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

void WaitForTiffWriter()
{
    const DWORD start = GetTickCount();
    while (pIsGVGWriteTIFFBusy() == TIFF_BUSY && GetTickCount() - start < TIFF_WAIT_LIMIT_MS) {
    }
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
    if (g_pollBusy)
        return;
    g_pollBusy = 1;

    const WORD grabbed = pIsGVGImageGrabbed();
    if (grabbed == IMAGES_LEFT_OVER)
        MessageBoxA(nullptr, "Sono presenti immagini dalla precedente acquisizione",
                    "Controllare le immagini.", MB_OK);
    if (grabbed != 0) {
        Disarm();
        ShowStatus(IDS_ACQUIRED);
        GrabImage(0);
        Arm();
    }
    g_pollBusy = 0;
}

void SGendex::AcquireNow()
{
    Disarm();
    ShowStatus(IDS_ACQUIRED);
    GrabImage(0);
    Arm();
}

void SGendex::GrabImage(int)
{
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
        return;
    }
    WaitForTiffWriter();
    tiffPath[PATH_SIZE - 1] = '\0';
    if (tiffPath[0])
        DeleteFileA(tiffPath);
    RestoreHeader(grabbed, header);

    CorrectOrientation(grabbed);
    image = grabbed;
    const bool onClipboard = DeliverImage(this);
    ++imageCount;
    SetDlgItemInt(ownerWindow, IDC_IMAGE_COUNTER, imageCount, FALSE);
    if (!onClipboard)
        GlobalFree(image);
    image = nullptr;
}
