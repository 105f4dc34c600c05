#include "delivery/data_folder.h"

#include <shlobj.h>

const char UNDELIVERED_FOLDER_NAME[] = "Immagini non consegnate";

namespace {

const char PROGRAM_FOLDER[] = "Tavro";

bool IsFolder(const char *path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// base\Tavro\subfolder; false when it would not fit.
bool PathUnder(const char *base, const char *subfolder, char *folder)
{
    if (!base[0] || lstrlenA(base) + lstrlenA(PROGRAM_FOLDER) + lstrlenA(subfolder) + 3 > MAX_PATH)
        return false;
    const int last = lstrlenA(base) - 1;
    wsprintfA(folder, base[last] == '\\' ? "%s%s" : "%s\\%s", base, PROGRAM_FOLDER);
    if (subfolder[0])
        wsprintfA(folder + lstrlenA(folder), "\\%s", subfolder);
    return true;
}

// The same, each level made when missing.
bool MakeUnder(const char *base, const char *subfolder, char *folder)
{
    char top[MAX_PATH];
    if (!PathUnder(base, subfolder, folder) || !PathUnder(base, "", top))
        return false;
    CreateDirectoryA(top, nullptr);
    if (subfolder[0])
        CreateDirectoryA(folder, nullptr);
    return IsFolder(folder);
}

bool TemporaryBase(char *base)
{
    const DWORD length = GetTempPathA(MAX_PATH, base);
    return length > 0 && length < MAX_PATH;
}

} // namespace

bool MakeDataFolder(const char *subfolder, char *folder)
{
    char base[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, base)) &&
        MakeUnder(base, subfolder ? subfolder : "", folder))
        return true;
    return MakeTemporaryDataFolder(subfolder, folder);
}

bool MakeTemporaryDataFolder(const char *subfolder, char *folder)
{
    char base[MAX_PATH];
    return TemporaryBase(base) && MakeUnder(base, subfolder ? subfolder : "", folder);
}

bool DataFolderPath(const char *subfolder, char *folder)
{
    char base[MAX_PATH];
    return SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base)) &&
           PathUnder(base, subfolder ? subfolder : "", folder);
}

bool TemporaryDataFolderPath(const char *subfolder, char *folder)
{
    char base[MAX_PATH];
    return TemporaryBase(base) && PathUnder(base, subfolder ? subfolder : "", folder);
}
