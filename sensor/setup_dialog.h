// The hardware setup dialog: the driver's four hardware values and three filters in vixwin.ini.
#ifndef TAVRO_SETUP_DIALOG_H
#define TAVRO_SETUP_DIALOG_H

#include <windows.h>

extern "C" INT_PTR CALLBACK SetupHardwareProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
