#include "sensor/sensore.h"

#include "resources/resource.h"
#include "shell/globals.h"

Sensore::Sensore(int direction)
    : imageCount(0), columns(0), rows(0), image(nullptr), ownerWindow(nullptr),
      driverLibrary(nullptr), orientation(1), direction(direction), highResolution(0),
      autoWait(0)
{
}

Sensore::~Sensore()
{
    if (driverLibrary)
        FreeLibrary(driverLibrary);
}

void Sensore::Attach(HWND owner, HINSTANCE instance)
{
    ownerWindow = owner;
    g_instance = instance;
}

void Sensore::ShowNotImplemented()
{
    LoadStringA(g_instance, IDS_NOT_IMPLEMENTED, g_textBuffer, TEXT_BUFFER_SIZE);
    MessageBoxA(ownerWindow, g_textBuffer, "", MB_ICONINFORMATION);
}

void Sensore::ShowDriverVersion() { ShowNotImplemented(); }
void Sensore::TestAcquisition() { ShowNotImplemented(); }
void Sensore::HardwareSetup() { ShowNotImplemented(); }
void Sensore::AcquireNow() { ShowNotImplemented(); }
void Sensore::OnWindowsReady() {}
void Sensore::ToggleHighResolution() {}
