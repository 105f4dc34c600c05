// The report as the practice's IT reads it: a window to read, scroll and copy it.
#ifndef TAVRO_VERIFICA_REPORT_WINDOW_H
#define TAVRO_VERIFICA_REPORT_WINDOW_H

#include <windows.h>

#include <string>

// Shows the report until the window is closed.
void ShowReportWindow(HINSTANCE instance, const std::string &report, int errors);

#endif
