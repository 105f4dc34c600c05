// Where the program keeps what it writes, found here independently of its own code: "Tavro"
// in the user's local application data, or under the temporary folder where that cannot be made.
#ifndef TAVRO_TESTS_DATA_FOLDERS_H
#define TAVRO_TESTS_DATA_FOLDERS_H

#include <windows.h>

#include <shlobj.h>

#include <string>

inline std::string DataFolder(bool temporary = false)
{
    char base[MAX_PATH];
    if (temporary)
        GetTempPathA(MAX_PATH, base);
    else
        SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base);
    std::string folder = base;
    if (folder.back() != '\\')
        folder += '\\';
    return folder + "Tavro";
}

inline std::string UndeliveredFolder(bool temporary = false)
{
    return DataFolder(temporary) + "\\Immagini non consegnate";
}

inline std::string ExposureLogPath(bool temporary = false)
{
    return DataFolder(temporary) + "\\esposizioni.log";
}

#endif
