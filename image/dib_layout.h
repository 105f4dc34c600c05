// Layout and guards shared by the two creators of ImageDib blocks.
#ifndef TAVRO_DIB_LAYOUT_H
#define TAVRO_DIB_LAYOUT_H

#include <windows.h>

enum {
    PALETTE_ENTRIES = 256,
    // Header and palette; the pixel rows follow.
    PIXELS_OFFSET = sizeof(BITMAPINFOHEADER) + PALETTE_ENTRIES * sizeof(RGBQUAD),
};

// Bytes of a stored 8-bit row: the width raised to a multiple of 4.
inline DWORD RowStride(int width)
{
    return (static_cast<DWORD>(width) + 3) & ~3u;
}

// Bytes of the pixel rows of an 8-bit width x height image, or 0 when either side is not
// positive or the block would exceed the bound that keeps every size within 32 bits.
DWORD PixelRowsSize(int width, int height);

// Writes the header of an 8-bit bottom-up width x height image at the start of block.
void WriteImageHeader(BYTE *block, int width, int height);

// Locks image and returns its address when the block holds at least size bytes; otherwise
// leaves it unlocked and returns none.
BYTE *LockBlock(HGLOBAL image, SIZE_T size);

#endif
