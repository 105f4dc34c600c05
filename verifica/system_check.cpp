#include "verifica/checks.h"

#include "resources/interfaces.h"

namespace {

// Functions newer than Windows XP SP3, or absent from early XP, looked up at run time.
template <typename Function> Function Lookup(const char *dll, const char *name)
{
    HMODULE module = GetModuleHandleA(dll);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name))) : nullptr;
}

const TOKEN_INFORMATION_CLASS TOKEN_ELEVATION_TYPE = static_cast<TOKEN_INFORMATION_CLASS>(18);  // Vista
const TOKEN_INFORMATION_CLASS TOKEN_INTEGRITY_LEVEL = static_cast<TOKEN_INFORMATION_CLASS>(25); // Vista
const DWORD ELEVATION_TYPE_FULL = 2;
const DWORD QUERY_LIMITED_INFORMATION = 0x1000;                                                   // Vista

struct MandatoryLabel {
    SID_AND_ATTRIBUTES label;
};

// The integrity level of a process: the last sub-authority of its token's mandatory label.
long IntegrityLevel(HANDLE process)
{
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process, TOKEN_QUERY, &token))
        return LEVEL_UNKNOWN;
    union {
        MandatoryLabel label;
        BYTE bytes[256];
    } buffer;
    DWORD length = 0;
    long level = LEVEL_UNKNOWN;
    if (GetTokenInformation(token, TOKEN_INTEGRITY_LEVEL, &buffer, sizeof buffer, &length) &&
        IsValidSid(buffer.label.label.Sid)) {
        const UCHAR count = *GetSidSubAuthorityCount(buffer.label.label.Sid);
        if (count)
            level = static_cast<long>(*GetSidSubAuthority(buffer.label.label.Sid, count - 1));
    }
    CloseHandle(token);
    return level;
}

// Elevated "as administrator" with UAC on; with UAC off an administrator's token is of the
// default type, and Tavro would then run with the same level as this check.
bool RunsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD type = 0, length = 0;
    const bool full = GetTokenInformation(token, TOKEN_ELEVATION_TYPE, &type, sizeof type, &length) &&
                      type == ELEVATION_TYPE_FULL;
    CloseHandle(token);
    return full;
}

long WindowLevel(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    const long level = IntegrityLevel(process);
    if (process)
        CloseHandle(process);
    return level;
}

// The shell starts Tavro from the Start menu, and Tavro inherits its level. Where no shell
// window is, the desktop's process stands in (under Windows that one cannot be read).
long ShellLevel()
{
    HWND shell = GetShellWindow();
    return WindowLevel(shell ? shell : GetDesktopWindow());
}

} // namespace

WindowsVersion QueryWindowsVersion()
{
    // GetVersionEx tells a program without a compatibility manifest that Windows 10 is 8.
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOEXW *);
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    const auto rtlGetVersion = Lookup<RtlGetVersionFn>("ntdll.dll", "RtlGetVersion");
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) {
        OSVERSIONINFOEXA old = {};
        old.dwOSVersionInfoSize = sizeof old;
        GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&old));
        info.dwMajorVersion = old.dwMajorVersion;
        info.dwMinorVersion = old.dwMinorVersion;
        info.dwBuildNumber = old.dwBuildNumber;
        info.wServicePackMajor = old.wServicePackMajor;
    }
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.wServicePackMajor};
}

CheckLines CheckReceivers(const WindowsVersion &windows)
{
    const bool vista = IsVistaOrLater(windows.major);
    const long ours = vista ? IntegrityLevel(GetCurrentProcess()) : LEVEL_UNKNOWN;
    const long tavro = vista ? NormalLevel(RunsElevated(), ours, ShellLevel()) : LEVEL_UNKNOWN;
    CheckLines lines = {OwnRightsLine(vista, ours, tavro)};
    for (const char *windowClass : {PHOTO_SERVER_CLASS, IMAGING_CLASS}) {
        HWND receiver = FindWindowA(windowClass, nullptr);
        lines.push_back(ReceiverLine(windowClass, receiver != nullptr));
        if (receiver)
            lines.push_back(RightsLine(windowClass, vista, tavro, vista ? WindowLevel(receiver) : LEVEL_UNKNOWN));
    }
    return lines;
}

CheckLines CheckWindows(const WindowsVersion &windows)
{
    typedef int(WINAPI * GetSystemDEPPolicyFn)(void);
    const auto depPolicy = Lookup<GetSystemDEPPolicyFn>("kernel32.dll", "GetSystemDEPPolicy");
    return {WindowsLine(windows.major, windows.minor, windows.build, windows.servicePack),
            DepLine(depPolicy ? depPolicy() : -1)};
}
