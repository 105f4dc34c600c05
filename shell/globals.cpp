#include "shell/globals.h"

#include "resources/interfaces.h"

Sensore *g_sensor;
HINSTANCE g_instance;
HWND g_mainWindow;
HWND g_controlDialog;
// Registered before the main function runs, as the photo server expects it to be known.
UINT g_deleteResourceMessage = RegisterWindowMessageA(LEAVING_NOTICE_MESSAGE);
int g_viewerEnabled;
char g_appName[10];
char g_textBuffer[TEXT_BUFFER_SIZE];
