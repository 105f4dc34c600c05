// Saving a packed 8-bit DIB (header, palette, rows) as a .bmp file, as the receiving
// stand-ins do with what they are handed.
#ifndef TAVRO_STANDINS_DIBFILE_H
#define TAVRO_STANDINS_DIBFILE_H

#include <windows.h>

// Writes the file header and the bytes as given; returns the file size, 0 on failure.
inline DWORD SaveDibAsBmp(const char *path, const void *dib, DWORD size)
{
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfSize = sizeof file + size;
    file.bfOffBits = sizeof file;
    if (size >= sizeof(BITMAPINFOHEADER)) {
        const auto *info = static_cast<const BITMAPINFOHEADER *>(dib);
        DWORD colours = info->biClrUsed;
        if (colours == 0 && info->biBitCount <= 8) colours = 1u << info->biBitCount;
        file.bfOffBits += info->biSize + colours * sizeof(RGBQUAD);
    }

    HANDLE out = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 0;
    DWORD a = 0, b = 0;
    const bool ok = WriteFile(out, &file, sizeof file, &a, nullptr) &&
                    WriteFile(out, dib, size, &b, nullptr) && a + b == file.bfSize;
    CloseHandle(out);
    return ok ? file.bfSize : 0;
}

#endif
