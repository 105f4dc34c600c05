#include "delivery/undelivered.h"

#include "delivery/data_folder.h"
#include "image/image_dib.h"

namespace {

const char FOLDER_NAME[] = "Immagini non consegnate";
const int NAME_ATTEMPTS = 10;

// The bytes of the packed bitmap: header, palette and rows, never more than the block holds.
DWORD BitmapBytes(const BITMAPINFOHEADER *header, SIZE_T blockSize)
{
    const unsigned long long exact = static_cast<unsigned long long>(header->biSize) +
                                     PaletteBytes(header) + header->biSizeImage;
    return static_cast<DWORD>(exact <= blockSize ? exact : blockSize);
}

bool WriteBitmapFile(const char *path, const BITMAPINFOHEADER *header, SIZE_T blockSize)
{
    if (blockSize < sizeof(BITMAPINFOHEADER))
        return false;
    const DWORD bytes = BitmapBytes(header, blockSize);
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfSize = sizeof fileHeader + bytes;
    fileHeader.bfOffBits = sizeof fileHeader + header->biSize + PaletteBytes(header);

    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written1 = 0, written2 = 0;
    const bool ok = WriteFile(file, &fileHeader, sizeof fileHeader, &written1, nullptr) &&
                    WriteFile(file, header, bytes, &written2, nullptr) &&
                    written1 == sizeof fileHeader && written2 == bytes;
    CloseHandle(file);
    if (!ok)
        DeleteFileA(path);
    return ok;
}

// A name already taken (a clock set back, two runs at the same millisecond) gets a suffix:
// an existing file is never overwritten and the image is still kept.
bool WriteNewBitmapFile(char *path, const BITMAPINFOHEADER *header, SIZE_T blockSize)
{
    const int stem = lstrlenA(path);
    for (int attempt = 1; attempt <= NAME_ATTEMPTS; ++attempt) {
        wsprintfA(path + stem, attempt == 1 ? ".bmp" : "-%d.bmp", attempt);
        if (WriteBitmapFile(path, header, blockSize))
            return true;
        if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

} // namespace

bool SaveUndeliveredImage(HGLOBAL image, int counter, HWND owner, char *path)
{
    bool saved = false;
    if (MakeDataFolder(FOLDER_NAME, path)) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        wsprintfA(path + lstrlenA(path), "\\tavro-%04u%02u%02u-%02u%02u%02u-%03u-%04d", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, counter);
        if (const auto *header = static_cast<const BITMAPINFOHEADER *>(GlobalLock(image))) {
            saved = WriteNewBitmapFile(path, header, GlobalSize(image));
            GlobalUnlock(image);
        }
    }
    if (!saved) {
        path[0] = '\0';
        MessageBoxA(owner, "Nessun programma ha ricevuto l'immagine e non e' stato possibile salvarla.",
                    "Immagine non consegnata", MB_ICONERROR);
    }
    return saved;
}
