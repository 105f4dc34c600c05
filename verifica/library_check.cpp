#include "verifica/checks.h"

#include "resources/interfaces.h"
#include "sensor/gendex_names.h"
#include "sensor/vix32.h"
#include "shell/profile.h"

namespace {

const char LIBRARY[] = "vix32.dll";

bool IsFile(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The PATH's folders, however long it is; none when it is unset.
std::vector<std::string> PathFolders()
{
    std::vector<std::string> folders;
    const DWORD size = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (!size)
        return folders;
    std::string path(size, '\0');
    const DWORD length = GetEnvironmentVariableA("PATH", &path[0], size);
    path.resize(length < size ? length : 0); // grown in between: searched without it
    for (std::string rest = path; !rest.empty();) {
        const size_t end = rest.find(';');
        folders.push_back(rest.substr(0, end));
        rest = end == std::string::npos ? "" : rest.substr(end + 1);
    }
    return folders;
}

// The places LoadLibrary searches, in its order with safe DLL search mode (Windows' default
// from XP SP2): Tavro's folder, the system folders, the Windows folder, the current
// folder, the PATH. Also a file of the wrong width is found, which LoadLibrary would reject.
std::string FindLibrary()
{
    std::vector<std::string> folders = {ProgramFolder()};
    char folder[MAX_PATH];
    if (GetSystemDirectoryA(folder, MAX_PATH))
        folders.push_back(folder);
    if (GetWindowsDirectoryA(folder, MAX_PATH)) {
        folders.push_back(std::string(folder) + "\\System");
        folders.push_back(folder);
    }
    if (GetCurrentDirectoryA(MAX_PATH, folder))
        folders.push_back(folder);
    for (const std::string &folder : PathFolders())
        folders.push_back(folder);
    for (std::string candidate : folders) {
        if (candidate.empty())
            continue;
        if (candidate.back() != '\\')
            candidate += '\\';
        if (IsFile(candidate + LIBRARY))
            return candidate + LIBRARY;
    }
    return "";
}

// The file version and product name of the version resource, read without loading the file.
void ReadVersion(const std::string &path, std::string *version, std::string *productName)
{
    *version = "sconosciuta";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> data(size);
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()))
        return;
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void **>(&info), &length) && info &&
        length >= sizeof *info)
        *version = std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) +
                   "." + std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
                   std::to_string(LOWORD(info->dwFileVersionLS));
    WORD *translation = nullptr;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation),
                        &length) || length < 4)
        return;
    char key[64];
    wsprintfA(key, "\\StringFileInfo\\%04x%04x\\ProductName", translation[0], translation[1]);
    char *name = nullptr;
    if (VerQueryValueA(data.data(), key, reinterpret_cast<void **>(&name), &length) && name)
        *productName = name;
}

unsigned OurMachine() { return sizeof(void *) == 8 ? MACHINE_AMD64 : MACHINE_I386; }

// Takes Tavro's instance mutex as a Tavro would, so that a Tavro started while the check
// holds the sensor ends by itself. Null with *running when a Tavro holds it already; one that
// cannot be opened belongs to a Tavro run with other rights (elevated).
HANDLE HoldInstance(bool *running)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, TAVRO_INSTANCE_MUTEX);
    const DWORD error = GetLastError();
    *running = mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
    if (mutex && *running) {
        CloseHandle(mutex);
        mutex = nullptr;
    }
    return mutex;
}

std::string SystemText(DWORD error)
{
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' ' ||
                                message.back() == '.'))
        message.pop_back();
    return message;
}

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return length && length < MAX_PATH ? path : "";
}

// The label Tavro shows for the type, from the string table of the tavro.exe beside us.
std::string HardwareLabelText(WORD hardwareType)
{
    const std::string program = ProgramFolder() + "\\tavro.exe";
    HMODULE tavro = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[64] = "";
    if (tavro) {
        LoadStringA(tavro, GendexHardwareLabel(hardwareType), text, sizeof text);
        FreeLibrary(tavro);
    }
    return text[0] ? text : "modello";
}

// Opens the hardware with the settings Tavro would pass, then closes it.
CheckLine OpenAndClose(HMODULE library, HWND owner)
{
    const auto install =
        reinterpret_cast<InstallHandlerFn>(reinterpret_cast<void *>(GetProcAddress(library, "InstallHandler")));
    const auto remove =
        reinterpret_cast<RemoveHandlerFn>(reinterpret_cast<void *>(GetProcAddress(library, "RemoveHandler")));
    if (!install || !remove)
        return HardwareNotTriedLine("la libreria non ha InstallHandler e RemoveHandler");
    const LONG integrationTime = ReadProfileInt("GXDriver", "IntegrationTime", 500, VIXWIN_INI);
    const WORD irq = static_cast<WORD>(ReadProfileInt("GXDriver", "IRQ", 10, VIXWIN_INI));
    const WORD memoryBase = static_cast<WORD>(ReadProfileInt("GXDriver", "MemBase", 0xD7, VIXWIN_INI));
    const WORD portBase = static_cast<WORD>(ReadProfileInt("GXDriver", "PortBase", 0x320, VIXWIN_INI));
    WORD hardwareType = 0, reservedA = 0, reservedB = 0;
    const WORD status = install(owner, integrationTime, irq, memoryBase, portBase, &hardwareType, &reservedA,
                                &reservedB);
    // A failed opening leaves the hardware closed, as in Tavro.
    if (status == 0)
        remove(owner);
    return HardwareLine(status, hardwareType, HardwareLabelText(hardwareType));
}

} // namespace

std::string ProgramFolder()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program = path;
    return program.substr(0, program.find_last_of('\\'));
}

CheckLines CheckLibrary(std::string *found, bool *loadable)
{
    *loadable = false;
    *found = FindLibrary();
    if (found->empty())
        return {NoLibraryLine()};
    std::string version, productName;
    ReadVersion(*found, &version, &productName);
    bool tooLarge = false;
    const std::string bytes = ReadWholeFile(*found, &tooLarge);
    PeFacts facts = ReadPeFacts(std::vector<unsigned char>(bytes.begin(), bytes.end()));
    facts.tooLarge = tooLarge;
    *loadable = !tooLarge && facts.portableExecutable && facts.dll && facts.machine == OurMachine();
    CheckLines lines = LibraryLines(*found, version, facts, OurMachine());
    lines.push_back(SimulatedLibraryLine(productName));
    return lines;
}

CheckLines CheckHardware(const std::string &found, bool loadable, HWND owner)
{
    if (found.empty())
        return {HardwareNotTriedLine("manca la libreria")};
    bool running = false;
    HANDLE instance = HoldInstance(&running);
    if (running)
        return {TavroRunningLine()};
    CheckLines lines;
    HMODULE library = LoadLibraryA(LIBRARY);
    if (!library) {
        const DWORD error = GetLastError();
        // A file of the other width or a damaged one is explained by its own line already.
        if (loadable)
            lines.push_back(LoadFailureLine(found, error, SystemText(error)));
        lines.push_back(HardwareNotTriedLine("Windows non carica la libreria, errore " + std::to_string(error)));
    } else {
        const std::string loaded = ModulePath(library);
        if (!loaded.empty() && lstrcmpiA(loaded.c_str(), found.c_str()) != 0)
            lines.push_back(OtherFileLoadedLine(found, loaded));
        lines.push_back(OpenAndClose(library, owner));
        FreeLibrary(library);
    }
    if (instance)
        CloseHandle(instance);
    return lines;
}
