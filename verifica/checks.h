// The checks as Tavro would meet them: run as the operator runs Tavro, from its folder.
// Nothing is changed but the check's own report and a trial file that is removed again.
#ifndef TAVRO_VERIFICA_CHECKS_H
#define TAVRO_VERIFICA_CHECKS_H

#include <windows.h>

#include "verifica/verdict.h"

struct WindowsVersion {
    unsigned major, minor, build, servicePack;
};
// What Windows really is, also where it tells an old program it is older.
WindowsVersion QueryWindowsVersion();

// The library Windows would load for Tavro, read without loading it; *found: its path, empty
// when there is none; *loadable: its headers say a DLL of our width.
CheckLines CheckLibrary(std::string *found, bool *loadable);
// The library loaded, and the hardware opened through it when no Tavro holds it. This runs
// the vendor's code, which may stop or hang the check. owner: the window the library is given.
CheckLines CheckHardware(const std::string &found, bool loadable, HWND owner);
// tavro.ini and vixwin.ini: the copies in effect, their differences, their values.
CheckLines CheckSettings(const WindowsVersion &windows);
// The receiving applications and their rights.
CheckLines CheckReceivers(const WindowsVersion &windows);
// The undelivered-images folder, the exposure log's folder, the space and the waiting images.
CheckLines CheckDataFolders();
// The version and DEP.
CheckLines CheckWindows(const WindowsVersion &windows);

// The image size Tavro would use with this vixwin.ini, as columns and rows.
void ConfiguredImageSize(int *columns, int *rows);
// A file's bytes; empty when it cannot be read, or when it is larger than
// LARGEST_LIBRARY_BYTES (then *tooLarge).
std::string ReadWholeFile(const std::string &path, bool *tooLarge = nullptr);
// The folder of the running program, as Tavro's is the one beside it.
std::string ProgramFolder();
// The file vixwin.ini or tavro.ini as Windows gives it to this user.
std::string ProfileInEffect(const char *name, const WindowsVersion &windows);

#endif
