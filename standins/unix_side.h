// Reaching the Unix side of Wine from a Windows program: Unix paths and shell commands.
// Used by the tests and the demonstration for X11 tools (screenshots, the clipboard).
#ifndef TAVRO_STANDINS_UNIX_SIDE_H
#define TAVRO_STANDINS_UNIX_SIDE_H

#include <windows.h>

#include <fstream>
#include <string>

// The Unix path of a Windows path, or empty when not running under Wine.
inline std::string UnixPath(const std::string &windowsPath)
{
    typedef char *(CDECL * UnixFileNameFn)(const WCHAR *);
    const auto unixFileName = reinterpret_cast<UnixFileNameFn>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName)
        return "";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char *path = unixFileName(wide);
    const std::string result = path ? path : "";
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

// Runs shell commands in the Unix form of folder and waits until they end. False when not
// under Wine or when they did not end in time.
inline bool RunUnix(const std::string &folder, const std::string &commands, DWORD timeoutMs)
{
    const std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty())
        return false;
    const std::string done = folder + "\\unix.done";
    DeleteFileA(done.c_str());
    std::ofstream(folder + "\\unix.sh", std::ios::binary | std::ios::trunc)
        << "cd '" << unixFolder << "'\n" << commands << "\ntouch unix.done\n";
    // Wine starts a Unix program but cannot wait for it: the marker file tells when it ended.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Wine splits the command line by Windows rules: double quotes, not single ones.
    std::string commandLine = "/bin/sh \"" + unixFolder + "/unix.sh\"";
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(10))
        if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    return false;
}

#endif
