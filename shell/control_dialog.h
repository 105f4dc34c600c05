// The control dialog: status, image counter, menu and the orientation cross.
#ifndef TAVRO_CONTROL_DIALOG_H
#define TAVRO_CONTROL_DIALOG_H

#include <windows.h>

extern "C" INT_PTR CALLBACK MainDlgBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Every menu check mark of the dialog is set here.
void SetMenuCheck(HWND dialog, UINT command, bool checked);

#endif
