#include "delivery/undelivered.h"

#include "delivery/data_folder.h"
#include "image/image_dib.h"

namespace {

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

// The image as folder\name, name without its extension.
bool WriteInto(const char *folder, const char *name, HGLOBAL image, char *path)
{
    wsprintfA(path, "%s\\%s", folder, name);
    const auto *header = static_cast<const BITMAPINFOHEADER *>(GlobalLock(image));
    if (!header)
        return false;
    const bool written = WriteNewBitmapFile(path, header, GlobalSize(image));
    GlobalUnlock(image);
    return written;
}

} // namespace

bool WriteUndeliveredImage(HGLOBAL image, int counter, char *path, bool *elsewhere)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[64];
    wsprintfA(name, "tavro-%04u%02u%02u-%02u%02u%02u-%03u-%04d", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond, now.wMilliseconds, counter);
    *elsewhere = false;
    char folder[MAX_PATH], fallback[MAX_PATH];
    // MakeDataFolder itself falls back to the temporary folder when the usual one cannot be made.
    if (MakeDataFolder(UNDELIVERED_FOLDER_NAME, folder)) {
        if (WriteInto(folder, name, image, path))
            return true;
        // A folder that exists may still refuse the file: a full disk, rights a policy took away.
        if (MakeTemporaryDataFolder(UNDELIVERED_FOLDER_NAME, fallback) && lstrcmpiA(folder, fallback) != 0 &&
            WriteInto(fallback, name, image, path)) {
            *elsewhere = true;
            return true;
        }
    }
    path[0] = '\0';
    return false;
}

bool SaveUndeliveredImage(HGLOBAL image, int counter, HWND owner, char *path)
{
    bool elsewhere;
    if (!WriteUndeliveredImage(image, counter, path, &elsewhere)) {
        MessageBoxA(owner, "Nessun programma ha ricevuto l'immagine e non e' stato possibile salvarla.",
                    "Immagine non consegnata", MB_ICONERROR);
        return false;
    }
    // Not where the operator would look for it: say where it is.
    if (elsewhere) {
        char text[SAVED_PATH_SIZE + 160];
        wsprintfA(text, "Nessun programma ha ricevuto l'immagine e non e' stato possibile salvarla nella "
                        "cartella delle immagini non consegnate. E' stata salvata in:\n\n%s", path);
        MessageBoxA(owner, text, "Immagine non consegnata", MB_ICONWARNING);
    }
    return true;
}
