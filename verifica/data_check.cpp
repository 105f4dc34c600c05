#include "verifica/checks.h"

#include "delivery/data_folder.h"
#include "delivery/undelivered.h"
#include "image/dib_layout.h"

namespace {

// Tried with a file of our own that is gone again when it is closed.
bool Writable(const std::string &folder)
{
    const std::string trial = folder + "\\verifica-prova.tmp";
    HANDLE file = CreateFileA(trial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool wrote = WriteFile(file, "T", 1, &written, nullptr) && written == 1;
    CloseHandle(file);
    return wrote;
}

// The folder where Tavro would write, and whether that is the temporary folder's fallback.
bool DataFolder(const char *subfolder, std::string *folder, bool *temporary)
{
    char usual[MAX_PATH], fallback[MAX_PATH];
    if (!MakeDataFolder(subfolder, usual))
        return false;
    *folder = usual;
    *temporary = MakeTemporaryDataFolder(subfolder, fallback) && lstrcmpiA(usual, fallback) == 0;
    return true;
}

CheckLine FolderCheck(const char *what, const char *subfolder)
{
    std::string folder;
    bool temporary = false;
    if (!DataFolder(subfolder, &folder, &temporary))
        return FolderLine(what, "%LOCALAPPDATA%\\Tavro", false, false);
    return FolderLine(what, folder, Writable(folder), temporary);
}

unsigned long long ImageFileBytes()
{
    int columns, rows;
    ConfiguredImageSize(&columns, &rows);
    DWORD pixels = PixelRowsSize(columns, rows);
    if (!pixels)
        pixels = PixelRowsSize(456, 684); // the size was reported already; count in usual images
    return sizeof(BITMAPFILEHEADER) + PIXELS_OFFSET + pixels;
}

std::string LocalDate(const FILETIME &utc)
{
    FILETIME local;
    SYSTEMTIME time;
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
    return text;
}

// Images in folder that wait to be imported: how many and the oldest one's time.
void CountWaiting(const std::string &folder, int *count, FILETIME *oldest)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\tavro-*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!*count || CompareFileTime(&found.ftLastWriteTime, oldest) < 0)
            *oldest = found.ftLastWriteTime;
        ++*count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

CheckLines CheckDataFolders()
{
    CheckLines lines = {FolderCheck("Immagini non consegnate", UNDELIVERED_FOLDER_NAME),
                        FolderCheck("Registro delle esposizioni", "")};
    std::string folder;
    bool temporary = false;
    if (!DataFolder(UNDELIVERED_FOLDER_NAME, &folder, &temporary))
        return lines;
    ULARGE_INTEGER available = {};
    if (GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr))
        lines.push_back(FreeSpaceLine(folder, available.QuadPart, ImageFileBytes()));
    // Also those that the full or closed folder sent to the temporary folder.
    int count = 0;
    FILETIME oldest = {};
    CountWaiting(folder, &count, &oldest);
    char fallback[MAX_PATH];
    if (!temporary && MakeTemporaryDataFolder(UNDELIVERED_FOLDER_NAME, fallback))
        CountWaiting(fallback, &count, &oldest);
    lines.push_back(WaitingImagesLine(count, count ? LocalDate(oldest) : ""));
    return lines;
}
