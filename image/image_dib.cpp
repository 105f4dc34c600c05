#include "image/image_dib.h"

#include "image/dib_layout.h"

namespace {

// No sensor comes near this; larger sizes come from broken settings.
const ULONGLONG MAX_BLOCK_SIZE = 256 << 20;

// Whether a block of blockSize bytes holds, after offset bytes, the pixel rows its header declares.
bool HoldsPixelRows(const BITMAPINFOHEADER *header, ULONGLONG offset, SIZE_T blockSize)
{
    if (header->biWidth < 0)
        return false;
    ULONGLONG bits = ULONGLONG(header->biPlanes) * header->biBitCount * header->biWidth;
    ULONGLONG rowBytes = (bits + 31) / 32 * 4;
    ULONGLONG rows = header->biHeight < 0 ? -LONGLONG(header->biHeight) : header->biHeight;
    // Tested in two steps so that the product cannot overflow.
    return rowBytes <= blockSize && offset + rowBytes * rows <= blockSize;
}

} // namespace

DWORD PixelRowsSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    ULONGLONG size = ULONGLONG(RowStride(width)) * height;
    return size + PIXELS_OFFSET + 1 <= MAX_BLOCK_SIZE ? DWORD(size) : 0;
}

void WriteImageHeader(BYTE *block, int width, int height)
{
    BITMAPINFOHEADER *header = reinterpret_cast<BITMAPINFOHEADER *>(block);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 8;
    header->biCompression = BI_RGB;
    header->biSizeImage = RowStride(width) * height;
    header->biXPelsPerMeter = 0;
    header->biYPelsPerMeter = 0;
    header->biClrUsed = PALETTE_ENTRIES;
    header->biClrImportant = 0;
}

BYTE *LockBlock(HGLOBAL image, SIZE_T size)
{
    if (!image)
        return nullptr;
    BYTE *block = static_cast<BYTE *>(GlobalLock(image));
    if (block && GlobalSize(image) < size) {
        GlobalUnlock(image);
        return nullptr;
    }
    return block;
}

HGLOBAL CreateImage(int width, int height)
{
    DWORD pixelBytes = PixelRowsSize(width, height);
    if (!pixelBytes)
        return nullptr;
    // One spare byte beyond the pixels, as the receiving applications have always had it.
    HGLOBAL image = GlobalAlloc(GMEM_MOVEABLE, PIXELS_OFFSET + pixelBytes + 1);
    BYTE *block = LockBlock(image, PIXELS_OFFSET);
    if (!block) {
        if (image)
            GlobalFree(image);
        return nullptr;
    }
    WriteImageHeader(block, width, height);
    RGBQUAD *palette = reinterpret_cast<RGBQUAD *>(block + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < PALETTE_ENTRIES; i++) {
        palette[i].rgbBlue = palette[i].rgbGreen = palette[i].rgbRed = BYTE(i);
        palette[i].rgbReserved = 0;
    }
    GlobalUnlock(image);
    return image;
}

extern "C" HGLOBAL WINAPI FreeImage(HGLOBAL image)
{
    return GlobalFree(image);
}

DWORD ColorCount(const BITMAPINFOHEADER *header)
{
    if (header->biClrUsed)
        return header->biClrUsed;
    switch (header->biBitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

DWORD PaletteBytes(const BITMAPINFOHEADER *header)
{
    return ColorCount(header) * sizeof(RGBQUAD);
}

void GetImageDimensions(HGLOBAL image, int *width, int *height, int *bitsPerPixel)
{
    const BYTE *block = LockBlock(image, sizeof(BITMAPINFOHEADER));
    if (!block) {
        *width = 0;
        *height = 0;
        *bitsPerPixel = 8;
        return;
    }
    const BITMAPINFOHEADER *header = reinterpret_cast<const BITMAPINFOHEADER *>(block);
    *width = header->biWidth;
    *height = header->biHeight;
    *bitsPerPixel = header->biPlanes * header->biBitCount;
    GlobalUnlock(image);
}

BYTE *LockImageBits(HGLOBAL image)
{
    BYTE *block = LockBlock(image, sizeof(BITMAPINFOHEADER));
    if (!block)
        return nullptr;
    const BITMAPINFOHEADER *header = reinterpret_cast<const BITMAPINFOHEADER *>(block);
    ULONGLONG offset = header->biSize + ULONGLONG(ColorCount(header)) * sizeof(RGBQUAD);
    // A header that promises more than the block holds must not hand out an address.
    if (!HoldsPixelRows(header, offset, GlobalSize(image))) {
        GlobalUnlock(image);
        return nullptr;
    }
    return block + offset;
}

void UnlockImage(HGLOBAL image)
{
    if (image)
        GlobalUnlock(image);
}
