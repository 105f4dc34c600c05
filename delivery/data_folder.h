// The program's own folder for what it writes: "Tavro" in the user's local application data.
#ifndef TAVRO_DATA_FOLDER_H
#define TAVRO_DATA_FOLDER_H

#include <windows.h>

// The undelivered images' folder's name under the data folder, "Immagini non consegnate".
extern const char UNDELIVERED_FOLDER_NAME[];

// Writes to folder (MAX_PATH bytes) the data folder's subfolder (none: the data folder
// itself), made on demand; under the temporary folder when the user's cannot be made.
// False when neither can.
bool MakeDataFolder(const char *subfolder, char *folder);
// The same under the temporary folder, where a file that cannot be written in the data
// folder (a full disk, rights taken away) may still be written.
bool MakeTemporaryDataFolder(const char *subfolder, char *folder);
// The paths of the two, made or not, for a look that must leave them as they are. False
// when the path cannot be had or would not fit.
bool DataFolderPath(const char *subfolder, char *folder);
bool TemporaryDataFolderPath(const char *subfolder, char *folder);

#endif
