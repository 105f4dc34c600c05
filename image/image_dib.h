// 8-bit grey-scale packed DIBs (header, 256-entry palette, bottom-up rows padded to 4 bytes)
// held in one global memory block and passed around by its handle.
#ifndef TAVRO_IMAGE_DIB_H
#define TAVRO_IMAGE_DIB_H

#include <windows.h>

// New image with grey palette (reserved bytes 0) and undefined pixels; none on failure.
HGLOBAL CreateImage(int width, int height);
// Exported for the receiving applications; returns none when the block was released.
extern "C" HGLOBAL WINAPI FreeImage(HGLOBAL image);
DWORD ColorCount(const BITMAPINFOHEADER *header);
DWORD PaletteBytes(const BITMAPINFOHEADER *header);
// Image none gives 0, 0, 8.
void GetImageDimensions(HGLOBAL image, int *width, int *height, int *bitsPerPixel);
// Address of stored row 0; the block stays locked until UnlockImage. None on failure.
BYTE *LockImageBits(HGLOBAL image);
void UnlockImage(HGLOBAL image);

#endif
