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

// Where each entry point of GENDEX_ENTRIES is kept, in the same order.
FARPROC *const ENTRY_SLOTS[GENDEX_ENTRY_COUNT] = {
    reinterpret_cast<FARPROC *>(&pInstallHandler),     reinterpret_cast<FARPROC *>(&pGVGActivate),
    reinterpret_cast<FARPROC *>(&pIsGVGImageGrabbed),  reinterpret_cast<FARPROC *>(&pGetGVGDIBitmap),
    reinterpret_cast<FARPROC *>(&pRemoveHandler),      reinterpret_cast<FARPROC *>(&pIsGVGWriteTIFFBusy),
    reinterpret_cast<FARPROC *>(&pGetGVGVersion),      reinterpret_cast<FARPROC *>(&pGVGInhibit),
    reinterpret_cast<FARPROC *>(&pSetGVGIntegrationT), reinterpret_cast<FARPROC *>(&pGVGNoXrayGrab),
    reinterpret_cast<FARPROC *>(&pSetGVGConfiguration),
};

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
    for (int i = 0; i < GENDEX_ENTRY_COUNT; ++i) {
        const GendexEntryName &entry = GENDEX_ENTRIES[i];
        *ENTRY_SLOTS[i] = GetProcAddress(driverLibrary, entry.name);
        if (!*ENTRY_SLOTS[i] && entry.required) {
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

    LoadStringA(g_instance, GendexHardwareLabel(hardwareType), g_textBuffer, TEXT_BUFFER_SIZE);
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
