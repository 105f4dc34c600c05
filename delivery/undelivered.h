// Images that no receiving application took are kept as .bmp files, so none is lost.
#ifndef TAVRO_UNDELIVERED_H
#define TAVRO_UNDELIVERED_H

#include <windows.h>

// The folder, created on demand: "Tavro\Immagini non consegnate" in the user's local
// application data. False when it cannot be made.
bool GetUndeliveredFolder(char *folder, DWORD size);
// Writes the image as tavro-<date>-<time>-<counter>.bmp there; tells the operator when it cannot.
bool SaveUndeliveredImage(HGLOBAL image, int counter, HWND owner);

#endif
