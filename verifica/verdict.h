// What the readiness check concludes from what it found: one line per check, OK, ATTENZIONE
// or ERRORE, each with its fix. No Windows here: every verdict, including those Wine cannot
// produce (integrity levels, Windows XP, DEP), is decided from plain values and unit-tested.
#ifndef TAVRO_VERIFICA_VERDICT_H
#define TAVRO_VERIFICA_VERDICT_H

#include <map>
#include <string>
#include <vector>

enum class Outcome { Ok, Warning, Error };

struct CheckLine {
    Outcome outcome;
    std::string text;
};

typedef std::vector<CheckLine> CheckLines;

// "OK          text", "ATTENZIONE  text", "ERRORE      text".
std::string FormatLine(const CheckLine &line);
int CountOf(const CheckLines &lines, Outcome outcome);

// --- The library ---

enum { MACHINE_I386 = 0x14C, MACHINE_AMD64 = 0x8664 };

// What the file's headers say, read without loading it.
struct PeFacts {
    bool portableExecutable = false; // the headers and export table could be read
    bool tooLarge = false;           // not read: far larger than any sensor library
    unsigned machine = 0;
    bool dll = false;
    std::vector<std::string> exports;
};
PeFacts ReadPeFacts(const std::vector<unsigned char> &file);
// Files larger than this are not read whole.
const unsigned long long LARGEST_LIBRARY_BYTES = 64ull << 20;

// Where it is, its version, its width and its entry points, as Tavro of the width
// ourMachine would load them.
CheckLines LibraryLines(const std::string &path, const std::string &version, const PeFacts &facts,
                        unsigned ourMachine);
CheckLine NoLibraryLine();
// The demonstration's library, recognised by its product name.
CheckLine SimulatedLibraryLine(const std::string &productName);
// Windows refused to load the file found: its error and the system's text for it.
CheckLine LoadFailureLine(const std::string &path, unsigned long error, const std::string &systemText);
// Windows loaded another file than the one the search found.
CheckLine OtherFileLoadedLine(const std::string &found, const std::string &loaded);

// --- The hardware ---

// label: the text Tavro shows for the hardware type.
CheckLine HardwareLine(unsigned short status, unsigned short hardwareType, const std::string &label);
CheckLine TavroRunningLine();
// The hardware could not be tried, for the reason given (the library's own line says more).
CheckLine HardwareNotTriedLine(const std::string &reason);
// Stands in the report saved before the library is loaded: it stays there only when the
// vendor's library stopped or hung the check while it opened the sensor.
CheckLine HardwareInterruptedLine();

// --- The settings files ---

// Keys as [section] key, lower case, mapped to their value; later duplicates are ignored as
// the profile reader ignores them.
typedef std::map<std::string, std::string> ProfileValues;
ProfileValues ParseProfile(const std::string &text);

// Whether this user's VirtualStore copy is read instead of the Windows folder's: only from
// Windows Vista on, and only for a process that UAC virtualizes (32-bit, no execution level,
// not elevated).
bool StoreCopyInEffect(bool vista, bool virtualized, bool storeExists);
// Which copy Windows gives this user.
CheckLine FileInEffectLine(const char *name, bool storeInEffect, const std::string &windowsPath, bool windowsExists,
                           const std::string &storePath, bool storeExists);
// Each key whose value differs between the Windows folder's copy and the VirtualStore copy
// that is in effect. Numbers are compared as Tavro reads them ("0xd7" is "215").
CheckLines DifferingKeyLines(const char *name, const std::string &windowsFolder, const ProfileValues &windows,
                             const ProfileValues &store);
// vixwin.ini values out of the setup dialog's ranges, or that are no number.
CheckLines RangeLines(const ProfileValues &vixwin);
// The image size of vixwin.ini; fits: a block of that size can be made.
CheckLine ImageSizeLine(int columns, int rows, bool fits);

// --- The receiving applications ---

const long LEVEL_UNKNOWN = -1, LEVEL_MEDIUM = 0x2000, LEVEL_HIGH = 0x3000;

CheckLine ReceiverLine(const char *windowClass, bool running);
// The integrity level (mandatory label RID) Tavro gets when the operator starts it: this
// check's own, unless the check runs elevated ("come amministratore", a full token with UAC
// on); then the level of the shell that starts Tavro, or medium where that cannot be read.
long NormalLevel(bool elevated, long ours, long shell);
// A running receiver's level against the one Tavro gets.
CheckLine RightsLine(const char *windowClass, bool vista, long tavro, long theirs);
// This check run with more rights than Tavro gets: what it sees is not the operator's.
CheckLine OwnRightsLine(bool vista, long ours, long tavro);

// --- The undelivered-images folder and the exposure log ---

// exists: the folder is there; when not, writable says whether it can be made (Tavro makes
// it when it first needs it).
CheckLine FolderLine(const char *what, const std::string &folder, bool exists, bool writable,
                     bool inTemporaryFolder);
CheckLine FreeSpaceLine(const std::string &folder, unsigned long long freeBytes, unsigned long long imageBytes);
// oldest: the date of the oldest waiting image.
CheckLine WaitingImagesLine(int count, const std::string &oldest);

// --- Windows ---

CheckLine WindowsLine(unsigned major, unsigned minor, unsigned build, unsigned servicePack);
bool IsVistaOrLater(unsigned major);
// GetSystemDEPPolicy's answer, or -1 where Windows has no such function.
CheckLine DepLine(int policy);

#endif
