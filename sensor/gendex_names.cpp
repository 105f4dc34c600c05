#include "sensor/gendex_names.h"

#include "resources/resource.h"

const GendexEntryName GENDEX_ENTRIES[GENDEX_ENTRY_COUNT] = {
    {"InstallHandler", true},     {"GVGActivate", true},    {"IsGVGImageGrabbed", true},
    {"GetGVGDIBitmap", true},     {"RemoveHandler", true},  {"IsGVGWriteTIFFBusy", true},
    {"GetGVGVersion", false},     {"GVGInhibit", false},    {"SetGVGIntegrationT", false},
    {"GVGNoXrayGrab", false},     {"SetGVGConfiguration", true},
};

const GendexDriverSetting GENDEX_DRIVER_SETTINGS[GENDEX_DRIVER_SETTING_COUNT] = {
    {"IntegrationTime", 100, 900, 100, false, "500"},
    {"IRQ", 3, 15, 1, false, "10"},
    {"MemBase", 0xC0, 0xEF, 1, true, "0XD7"},
    {"PortBase", 0x200, 0x3F8, 8, true, "0X320"},
};

namespace {

struct StatusText {
    unsigned short status;
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

} // namespace

unsigned GendexHardwareLabel(unsigned short hardwareType)
{
    if (hardwareType == 54)
        return IDS_GENDEX_CCD38;
    if (hardwareType >= 56)
        return IDS_GENDEX_USB;
    return IDS_HARDWARE_FAILURE;
}

const char *GendexErrorText(unsigned short status)
{
    for (const StatusText &entry : ERROR_TEXTS)
        if (entry.status == status)
            return entry.text;
    return nullptr;
}
