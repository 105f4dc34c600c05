// Images that no receiving application took are kept as .bmp files, so none is lost.
#ifndef TAVRO_UNDELIVERED_H
#define TAVRO_UNDELIVERED_H

#include <windows.h>

// Writes the image as tavro-<date>-<time>-<ms>-<counter>.bmp to "Tavro\Immagini non consegnate"
// in the user's local application data, made on demand; tells the operator when it cannot.
bool SaveUndeliveredImage(HGLOBAL image, int counter, HWND owner);

#endif
