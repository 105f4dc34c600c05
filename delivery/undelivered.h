// Images that no receiving application took are kept as .bmp files, so none is lost.
#ifndef TAVRO_UNDELIVERED_H
#define TAVRO_UNDELIVERED_H

#include <windows.h>

enum { SAVED_PATH_SIZE = MAX_PATH + 64 };

// Writes the image as tavro-<date>-<time>-<ms>-<counter>.bmp to "Tavro\Immagini non consegnate"
// in the user's local application data, made on demand, and its path to path
// (SAVED_PATH_SIZE bytes). A file that cannot be written there goes to the same folder under
// the temporary folder, and elsewhere says so. False when neither place takes it.
bool WriteUndeliveredImage(HGLOBAL image, int counter, char *path, bool *elsewhere);

// The same, and tells the operator when the image is not where it belongs or is lost.
bool SaveUndeliveredImage(HGLOBAL image, int counter, HWND owner, char *path);

#endif
