#include "verifica/checks.h"

#include "delivery/data_folder.h"
#include "image/dib_layout.h"

namespace {

bool IsFolder(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Tried with a file of our own, of a name no other file has, removed again at once.
bool Writable(const std::string &folder)
{
    char name[64];
    wsprintfA(name, "\\verifica-prova-%lu-%lu.tmp", GetCurrentProcessId(), GetTickCount());
    const std::string trial = folder + name;
    HANDLE file = CreateFileA(trial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool wrote = WriteFile(file, "T", 1, &written, nullptr) && written == 1;
    CloseHandle(file);
    DeleteFileA(trial.c_str());
    return wrote;
}

// A folder where Tavro would write, looked at as it is: nothing is made to look at it.
struct Place {
    std::string folder;
    std::string nearest; // the folder itself, or the nearest existing one above it
    bool exists = false;
    bool writable = false; // the folder can be written, or made where it is missing
    bool temporary = false;
};

Place Look(const std::string &folder)
{
    Place place;
    place.folder = place.nearest = folder;
    place.exists = IsFolder(folder);
    // A missing folder is made by Tavro when it needs it: it can be when the nearest existing
    // level above it can be written, and no file is in the way.
    while (!IsFolder(place.nearest)) {
        const size_t cut = place.nearest.find_last_of('\\');
        if (GetFileAttributesA(place.nearest.c_str()) != INVALID_FILE_ATTRIBUTES || cut == std::string::npos)
            return place;
        place.nearest.resize(cut);
    }
    place.writable = Writable(place.nearest);
    return place;
}

// As Tavro chooses: the folder in the user's local application data when it is there or can
// be made, else the one under the temporary folder.
Place Locate(const char *subfolder)
{
    char path[MAX_PATH];
    if (DataFolderPath(subfolder, path)) {
        const Place usual = Look(path);
        if (usual.exists || usual.writable)
            return usual;
    }
    if (TemporaryDataFolderPath(subfolder, path)) {
        Place fallback = Look(path);
        fallback.temporary = true;
        return fallback;
    }
    Place none;
    none.folder = "%LOCALAPPDATA%\\Tavro";
    return none;
}

CheckLine FolderCheck(const char *what, const Place &place)
{
    return FolderLine(what, place.folder, place.exists, place.writable, place.temporary);
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
    const Place undelivered = Locate(UNDELIVERED_FOLDER_NAME);
    CheckLines lines = {FolderCheck("Immagini non consegnate", undelivered),
                        FolderCheck("Registro delle esposizioni", Locate(""))};
    ULARGE_INTEGER available = {};
    if (IsFolder(undelivered.nearest) &&
        GetDiskFreeSpaceExA(undelivered.nearest.c_str(), &available, nullptr, nullptr))
        lines.push_back(FreeSpaceLine(undelivered.folder, available.QuadPart, ImageFileBytes()));
    // Also those that the full or closed folder sent to the temporary folder.
    int count = 0;
    FILETIME oldest = {};
    CountWaiting(undelivered.folder, &count, &oldest);
    char fallback[MAX_PATH];
    if (!undelivered.temporary && TemporaryDataFolderPath(UNDELIVERED_FOLDER_NAME, fallback))
        CountWaiting(fallback, &count, &oldest);
    lines.push_back(WaitingImagesLine(count, count ? LocalDate(oldest) : ""));
    return lines;
}
