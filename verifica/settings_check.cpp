#include "verifica/checks.h"

#include <shlobj.h>

#include "image/dib_layout.h"
#include "shell/profile.h"
#include "shell/profile_text.h"

namespace {

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string WindowsCopy(const char *name)
{
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\" + name;
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
    const bool vista = IsVistaOrLater(windows.major);
    const std::string windowsCopy = WindowsCopy(name), storeCopy = VirtualStoreCopy(name);
    const bool inWindows = Exists(windowsCopy), inStore = !storeCopy.empty() && Exists(storeCopy);
    CheckLines lines = {FileInEffectLine(name, vista, windowsCopy, inWindows, storeCopy, inStore)};
    if (vista && inWindows && inStore)
        for (const CheckLine &line : DifferingKeyLines(name, ReadProfile(windowsCopy), ReadProfile(storeCopy)))
            lines.push_back(line);
    return lines;
}

} // namespace

std::string ReadWholeFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    const DWORD size = GetFileSize(file, nullptr);
    std::string bytes(size == INVALID_FILE_SIZE ? 0 : size, '\0');
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
    if (IsVistaOrLater(windows.major) && !storeCopy.empty() && Exists(storeCopy))
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
