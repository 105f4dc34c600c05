#include "verifica/checks.h"

#include <shlobj.h>

#include "image/dib_layout.h"
#include "shell/profile.h"
#include "shell/profile_text.h"

namespace {

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string WindowsFolder()
{
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string WindowsCopy(const char *name) { return WindowsFolder() + "\\" + name; }

// Whether UAC virtualizes this process's file writes, and so its reads of the Windows folder.
// Windows XP knows no such token information and has no VirtualStore: false there.
bool Virtualized()
{
    const TOKEN_INFORMATION_CLASS VIRTUALIZATION_ENABLED = static_cast<TOKEN_INFORMATION_CLASS>(24); // Vista
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD enabled = 0, length = 0;
    const bool virtualized = GetTokenInformation(token, VIRTUALIZATION_ENABLED, &enabled, sizeof enabled, &length) &&
                             length == sizeof enabled && enabled;
    CloseHandle(token);
    return virtualized;
}

// The check runs as Tavro would: the same width, no manifest, the same user.
bool StoreInEffect(const WindowsVersion &windows, const std::string &storeCopy)
{
    return StoreCopyInEffect(IsVistaOrLater(windows.major), Virtualized(), !storeCopy.empty() && Exists(storeCopy));
}

// Where UAC file virtualization puts this user's copy: the Windows folder's path, without
// its drive, under %LOCALAPPDATA%\VirtualStore.
std::string VirtualStoreCopy(const char *name)
{
    char base[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base)))
        return "";
    const std::string windowsCopy = WindowsCopy(name);
    return std::string(base) + "\\VirtualStore" + windowsCopy.substr(windowsCopy.find('\\'));
}

ProfileValues ReadProfile(const std::string &path) { return ParseProfile(ReadWholeFile(path)); }

int ValueOf(const ProfileValues &values, const char *key, int defaultValue)
{
    const auto found = values.find(key);
    return found == values.end() ? defaultValue : ParseProfileInt(found->second.c_str(), defaultValue);
}

CheckLines CheckFile(const char *name, const WindowsVersion &windows)
{
    const std::string windowsCopy = WindowsCopy(name), storeCopy = VirtualStoreCopy(name);
    const bool inWindows = Exists(windowsCopy), inStore = !storeCopy.empty() && Exists(storeCopy);
    const bool storeInEffect = StoreInEffect(windows, storeCopy);
    CheckLines lines = {FileInEffectLine(name, storeInEffect, windowsCopy, inWindows, storeCopy, inStore)};
    if (storeInEffect && inWindows)
        for (const CheckLine &line :
             DifferingKeyLines(name, WindowsFolder(), ReadProfile(windowsCopy), ReadProfile(storeCopy)))
            lines.push_back(line);
    return lines;
}

} // namespace

std::string ReadWholeFile(const std::string &path, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        size = 0;
    else if (high || size > LARGEST_LIBRARY_BYTES) {
        if (tooLarge)
            *tooLarge = true;
        size = 0;
    }
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file, &bytes[0], size, &read, nullptr))
        read = 0;
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

std::string ProfileInEffect(const char *name, const WindowsVersion &windows)
{
    const std::string storeCopy = VirtualStoreCopy(name);
    if (StoreInEffect(windows, storeCopy))
        return storeCopy;
    return WindowsCopy(name);
}

void ConfiguredImageSize(int *columns, int *rows)
{
    const ProfileValues vixwin = ReadProfile(ProfileInEffect(VIXWIN_INI, QueryWindowsVersion()));
    *columns = ValueOf(vixwin, "[dimension] imagecolumns", 456);
    *rows = ValueOf(vixwin, "[dimension] imagerows", 684);
}

CheckLines CheckSettings(const WindowsVersion &windows)
{
    CheckLines lines = CheckFile(TAVRO_INI, windows);
    for (const CheckLine &line : CheckFile(VIXWIN_INI, windows))
        lines.push_back(line);
    for (const CheckLine &line : RangeLines(ReadProfile(ProfileInEffect(VIXWIN_INI, windows))))
        lines.push_back(line);
    int columns, rows;
    ConfiguredImageSize(&columns, &rows);
    lines.push_back(ImageSizeLine(columns, rows, PixelRowsSize(columns, rows) != 0));
    return lines;
}
