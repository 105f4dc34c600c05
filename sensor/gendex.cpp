#include "sensor/gendex.h"

#include "delivery/exposure_log.h"
#include "resources/resource.h"
#include "sensor/gendex_library.h"
#include "shell/globals.h"
#include "shell/profile.h"

InstallHandlerFn pInstallHandler;
GVGActivateFn pGVGActivate;
IsGVGImageGrabbedFn pIsGVGImageGrabbed;
GetGVGDIBitmapFn pGetGVGDIBitmap;
RemoveHandlerFn pRemoveHandler;
IsGVGWriteTIFFBusyFn pIsGVGWriteTIFFBusy;
GetGVGVersionFn pGetGVGVersion;
GVGInhibitFn pGVGInhibit;
SetGVGIntegrationTFn pSetGVGIntegrationT;
GVGNoXrayGrabFn pGVGNoXrayGrab;
SetGVGConfigurationFn pSetGVGConfiguration;

namespace {

const UINT POLL_TIMER = 0;
const UINT POLL_PERIOD_MS = 1000;
// Older hardware delivers a fixed image size whatever vixwin.ini says.
const WORD FIRST_SIZED_HARDWARE = 54;

struct EntryPoint {
    const char *name;
    FARPROC *slot;
    bool required; // the acquisition cannot work without it
};

// Looked up in this order. Inhibit and integration time are bound but never called.
const EntryPoint ENTRY_POINTS[] = {
    {"InstallHandler", reinterpret_cast<FARPROC *>(&pInstallHandler), true},
    {"GVGActivate", reinterpret_cast<FARPROC *>(&pGVGActivate), true},
    {"IsGVGImageGrabbed", reinterpret_cast<FARPROC *>(&pIsGVGImageGrabbed), true},
    {"GetGVGDIBitmap", reinterpret_cast<FARPROC *>(&pGetGVGDIBitmap), true},
    {"RemoveHandler", reinterpret_cast<FARPROC *>(&pRemoveHandler), true},
    {"IsGVGWriteTIFFBusy", reinterpret_cast<FARPROC *>(&pIsGVGWriteTIFFBusy), true},
    {"GetGVGVersion", reinterpret_cast<FARPROC *>(&pGetGVGVersion), false},
    {"GVGInhibit", reinterpret_cast<FARPROC *>(&pGVGInhibit), false},
    {"SetGVGIntegrationT", reinterpret_cast<FARPROC *>(&pSetGVGIntegrationT), false},
    {"GVGNoXrayGrab", reinterpret_cast<FARPROC *>(&pGVGNoXrayGrab), false},
    {"SetGVGConfiguration", reinterpret_cast<FARPROC *>(&pSetGVGConfiguration), true},
};

struct StatusText {
    WORD status;
    const char *text;
};

const StatusText ERROR_TEXTS[] = {
    {0x10, "ILLEGAL FUNCTION CALL"},       {0x11, "ILLEGAL INPUT PARAMETERS"},
    {0x13, "INVALID DIB BUFFER"},          {0x20, "DLL ALREADY IN USE"},
    {0x22, "INCORRECT WINDOWS VERSION"},   {0x28, "DEVICE DRIVER LOADING ERROR"},
    {0x29, "DEVICE DRIVER ERROR"},         {0x2A, "CANNOT WRITE TIFF FILE"},
    {0x2B, "CANNOT READ TIFF FILE"},       {0x30, "FG NOT RESPONDING"},
    {0x40, "FG FAULT"},                    {0x50, "FG RAM FAULT"},
    {0x51, "FG MEMORY NOT DETECTED"},      {0x70, "ANCILLARY ELECTRONICS FAULT"},
    {0xE0, "SENSOR NOT RESPONDING"},
};

UINT HardwareLabel(WORD hardwareType)
{
    if (hardwareType == 54)
        return IDS_GENDEX_CCD38;
    if (hardwareType >= 56)
        return IDS_GENDEX_USB;
    return IDS_HARDWARE_FAILURE;
}

const int VERSION_TEXT_SIZE = 48;

// "a.b.c.d" from the file's version resource, read without calling into the library.
void FileVersion(const char *path, char *text)
{
    lstrcpynA(text, "sconosciuta", VERSION_TEXT_SIZE);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    void *data = size ? GlobalAlloc(GPTR, size) : nullptr;
    if (!data)
        return;
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoA(path, 0, size, data) &&
        VerQueryValueA(data, "\\", reinterpret_cast<void **>(&info), &length) && info && length >= sizeof *info)
        wsprintfA(text, "%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
    GlobalFree(data);
}

void LogLibrary(HMODULE library)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(library, path, MAX_PATH);
    char version[VERSION_TEXT_SIZE];
    FileVersion(path, version);
    LogLine("Avvio: libreria %s, versione %s", path, version);
}

} // namespace

const char *GendexErrorText(WORD status)
{
    for (const StatusText &entry : ERROR_TEXTS)
        if (entry.status == status)
            return entry.text;
    return nullptr;
}

SGendex::SGendex()
    : Sensore(ReadProfileInt("Acquire", "Direction", 1, VIXWIN_INI)), status(0), hardwareType(0),
      reservedA(0), reservedB(0), grabbing(false), pollDeferred(false), grabNotice()
{
    Init();
}

void SGendex::Init()
{
    driverLibrary = LoadLibraryA("vix32.dll");
    if (reinterpret_cast<UINT_PTR>(driverLibrary) < 32) {
        MessageBoxA(nullptr, "LoadLibrary failed!", "Vix32.dll", MB_ICONERROR);
        driverLibrary = nullptr;
        return;
    }
    LogLibrary(driverLibrary);
    if (!BindEntryPoints()) {
        FreeLibrary(driverLibrary);
        driverLibrary = nullptr;
    }
}

// A library without a function the acquisition calls is as useless as no library:
// never call through a pointer that was not found.
bool SGendex::BindEntryPoints()
{
    for (const EntryPoint &entry : ENTRY_POINTS) {
        *entry.slot = GetProcAddress(driverLibrary, entry.name);
        if (!*entry.slot && entry.required) {
            wsprintfA(g_textBuffer, "Funzione %s non trovata in vix32.dll", entry.name);
            MessageBoxA(nullptr, g_textBuffer, "Vix32.dll", MB_ICONERROR);
            return false;
        }
    }
    return true;
}

void SGendex::ShowStatus(UINT stringId)
{
    LoadStringA(g_instance, stringId, g_textBuffer, TEXT_BUFFER_SIZE);
    SetDlgItemTextA(ownerWindow, IDC_STATUS_LINE, g_textBuffer);
}

void SGendex::OpenHardware()
{
    const LONG integrationTime = ReadProfileInt("GXDriver", "IntegrationTime", 500, VIXWIN_INI);
    const WORD irq = static_cast<WORD>(ReadProfileInt("GXDriver", "IRQ", 10, VIXWIN_INI));
    const WORD memoryBase = static_cast<WORD>(ReadProfileInt("GXDriver", "MemBase", 0xD7, VIXWIN_INI));
    const WORD portBase = static_cast<WORD>(ReadProfileInt("GXDriver", "PortBase", 0x320, VIXWIN_INI));

    status = pInstallHandler(ownerWindow, integrationTime, irq, memoryBase, portBase, &hardwareType,
                             &reservedA, &reservedB);

    LoadStringA(g_instance, HardwareLabel(hardwareType), g_textBuffer, TEXT_BUFFER_SIZE);
    SetDlgItemTextA(ownerWindow, IDC_HARDWARE_LABEL, g_textBuffer);
    const char *error = GendexErrorText(status);
    LogLine("Apertura dell'hardware: %s, stato %u%s%s%s", g_textBuffer, status, error ? " (" : "",
            error ? error : "", error ? ")" : "");
    if (status == 0) {
        Arm();
        return;
    }
    // An unknown code leaves the label in the buffer: the status line then repeats it.
    if (error)
        lstrcpynA(g_textBuffer, error, TEXT_BUFFER_SIZE);
    SetDlgItemTextA(ownerWindow, IDC_STATUS_LINE, g_textBuffer);
}

void SGendex::CloseHardware()
{
    Disarm();
    pRemoveHandler(ownerWindow);
}

void SGendex::Arm()
{
    status = pGVGActivate();
    if (status != 0) {
        ShowStatus(IDS_DISARMED);
        return;
    }
    if (hardwareType < FIRST_SIZED_HARDWARE) {
        columns = 288;
        rows = 384;
    } else {
        columns = ReadProfileInt("Dimension", "IMAGECOLUMNS", 456, VIXWIN_INI);
        rows = ReadProfileInt("Dimension", "IMAGEROWS", 684, VIXWIN_INI);
    }
    SetTimer(ownerWindow, POLL_TIMER, POLL_PERIOD_MS, nullptr);
    ShowStatus(IDS_WAITING_XRAY);
}

void SGendex::Disarm()
{
    KillTimer(ownerWindow, POLL_TIMER);
    ShowStatus(IDS_DISARMED);
}

void SGendex::ShowDriverVersion()
{
    if (!pGetGVGVersion)
        return;
    status = pGetGVGVersion();
    wsprintfA(g_textBuffer, "Gendex interface\nVix.dll versione n. %x", status);
    MessageBoxA(ownerWindow, g_textBuffer, "Dll version", MB_ICONINFORMATION);
}

void SGendex::TestAcquisition()
{
    if (pGVGNoXrayGrab)
        pGVGNoXrayGrab();
}
