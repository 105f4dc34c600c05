#include "sensor/sensore.h"

#include "image/dib_layout.h"

HGLOBAL Sensore::CreateAcquisitionImage()
{
    DWORD pixelBytes = PixelRowsSize(columns, rows);
    if (!pixelBytes)
        return nullptr;
    // Fixed, as the vendor's library has always been given: its handle is its address, so a
    // library that writes through the handle without locking it writes into the image.
    // Zeroed, so that palette and pixels are black until they are written.
    HGLOBAL image = GlobalAlloc(GPTR, PIXELS_OFFSET + pixelBytes);
    BYTE *block = LockBlock(image, PIXELS_OFFSET);
    if (!block) {
        if (image)
            GlobalFree(image);
        MessageBoxA(ownerWindow, "Errore Acquisizione di Memoria", "Global Alloc", MB_OK);
        return nullptr;
    }
    WriteImageHeader(block, columns, rows);
    GlobalUnlock(image);
    return image;
}

void Sensore::FillGreyPalette(HGLOBAL image)
{
    BYTE *block = LockBlock(image, PIXELS_OFFSET);
    if (!block)
        return;
    // Written at its usual place whatever the header says; reserved 1 is what the
    // receiving applications have always been given for an unturned image.
    RGBQUAD *palette = reinterpret_cast<RGBQUAD *>(block + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < PALETTE_ENTRIES; i++) {
        palette[i].rgbBlue = palette[i].rgbGreen = palette[i].rgbRed = BYTE(i);
        palette[i].rgbReserved = 1;
    }
    GlobalUnlock(image);
}
