#include "delivery/undelivered.h"

#include <shlobj.h>

#include "image/image_dib.h"

namespace {

const char FOLDER_NAME[] = "Tavro\\Immagini non consegnate";

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

// The folder, made on demand; false when it cannot be.
bool GetUndeliveredFolder(char *folder, DWORD size)
{
    char base[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, base)) &&
        !GetTempPathA(MAX_PATH, base))
        return false;
    if (lstrlenA(base) + 1 + lstrlenA(FOLDER_NAME) + 1 > static_cast<int>(size))
        return false;
    wsprintfA(folder, "%s\\Tavro", base);
    CreateDirectoryA(folder, nullptr);
    wsprintfA(folder, "%s\\%s", base, FOLDER_NAME);
    CreateDirectoryA(folder, nullptr);
    return GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool SaveUndeliveredImage(HGLOBAL image, int counter, HWND owner)
{
    char path[MAX_PATH + 64];
    bool saved = false;
    if (GetUndeliveredFolder(path, MAX_PATH)) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        wsprintfA(path + lstrlenA(path), "\\tavro-%04u%02u%02u-%02u%02u%02u-%03u-%04d.bmp", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, counter);
        if (const auto *header = static_cast<const BITMAPINFOHEADER *>(GlobalLock(image))) {
            saved = WriteBitmapFile(path, header, GlobalSize(image));
            GlobalUnlock(image);
        }
    }
    if (!saved)
        MessageBoxA(owner, "Nessun programma ha ricevuto l'immagine e non e' stato possibile salvarla.",
                    "Immagine non consegnata", MB_ICONERROR);
    return saved;
}
