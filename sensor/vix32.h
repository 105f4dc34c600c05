// Entry points of the Gendex sensor library vix32.dll, looked up by name at run time.
// All are __stdcall and return a 16-bit status (0 = success) unless noted.
#ifndef TAVRO_VIX32_H
#define TAVRO_VIX32_H

#include <windows.h>

extern "C" {
typedef WORD (WINAPI *InstallHandlerFn)(HWND owner, LONG integrationTime, WORD irq,
                                        WORD memoryBase, WORD portBase, WORD *hardwareType,
                                        WORD *reservedA, WORD *reservedB);
typedef WORD (WINAPI *GVGActivateFn)(void);
// 0 nothing yet, 2 images left from a previous acquisition, other non-zero: image ready.
typedef WORD (WINAPI *IsGVGImageGrabbedFn)(void);
// Fills the DIB inside the block and writes the TIFF side file's path (256 bytes).
typedef WORD (WINAPI *GetGVGDIBitmapFn)(char *tiffPath, HGLOBAL image);
typedef WORD (WINAPI *RemoveHandlerFn)(HWND owner);
// 1 while the TIFF side file is still being written.
typedef WORD (WINAPI *IsGVGWriteTIFFBusyFn)(void);
typedef WORD (WINAPI *GetGVGVersionFn)(void);
typedef WORD (WINAPI *GVGInhibitFn)(void);
typedef WORD (WINAPI *SetGVGIntegrationTFn)(LONG integrationTime);
typedef WORD (WINAPI *GVGNoXrayGrabFn)(void);
typedef WORD (WINAPI *SetGVGConfigurationFn)(LONG logarithmic, LONG equalise, LONG despeckle);
}

#endif
