// Images that no receiving application took are kept as .bmp files, so none is lost.
#ifndef TAVRO_UNDELIVERED_H
#define TAVRO_UNDELIVERED_H

#include <windows.h>

enum { SAVED_PATH_SIZE = MAX_PATH + 64 };

// Writes the image as tavro-<date>-<time>-<ms>-<counter>.bmp to "Tavro\Immagini non consegnate"
// in the user's local application data, made on demand, and its path to path
// (SAVED_PATH_SIZE bytes); tells the operator when it cannot.
bool SaveUndeliveredImage(HGLOBAL image, int counter, HWND owner, char *path);

#endif
