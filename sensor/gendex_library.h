// The entry points of vix32.dll as bound by SGendex::Init. A pointer is none when the
// library does not export the function.
#ifndef TAVRO_GENDEX_LIBRARY_H
#define TAVRO_GENDEX_LIBRARY_H

#include "sensor/vix32.h"

extern InstallHandlerFn pInstallHandler;
extern GVGActivateFn pGVGActivate;
extern IsGVGImageGrabbedFn pIsGVGImageGrabbed;
extern GetGVGDIBitmapFn pGetGVGDIBitmap;
extern RemoveHandlerFn pRemoveHandler;
extern IsGVGWriteTIFFBusyFn pIsGVGWriteTIFFBusy;
extern GetGVGVersionFn pGetGVGVersion;
extern GVGInhibitFn pGVGInhibit;
extern SetGVGIntegrationTFn pSetGVGIntegrationT;
extern GVGNoXrayGrabFn pGVGNoXrayGrab;
extern SetGVGConfigurationFn pSetGVGConfiguration;

#endif
