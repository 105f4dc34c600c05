// Process-wide state of the program. One thread uses all of it.
#ifndef TAVRO_GLOBALS_H
#define TAVRO_GLOBALS_H

#include <windows.h>

class Sensore;

enum { TEXT_BUFFER_SIZE = 256 };

extern Sensore *g_sensor;
extern HINSTANCE g_instance;
extern HWND g_mainWindow;
extern HWND g_controlDialog;
extern UINT g_deleteResourceMessage;
extern int g_viewerEnabled;
extern char g_appName[10];
// Every string-table text, number and message passes through here before it is shown.
extern char g_textBuffer[TEXT_BUFFER_SIZE];

#endif
