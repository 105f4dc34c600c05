// Records and steers the image and delivery code's calls of the platform: this test program's
// imports of the memory, clipboard, beep and message box functions are pointed at recorders.
#ifndef TAVRO_PLATFORM_HOOKS_H
#define TAVRO_PLATFORM_HOOKS_H

#include "tests/test_sensor.h"

#include <string>
#include <vector>

// What a block that GlobalAlloc does not clear holds when it is handed out.
const BYTE UNWRITTEN = 0xCD;

struct PlatformLog {
    int allocations;
    std::vector<HGLOBAL> freed;
    int beeps;
    std::vector<std::string> messages; // "caption|text"
    bool failAllocation;
    bool failLock;
    // The block last given to SetClipboardData, which the clipboard owns from then on: whether
    // it was movable, what it held, and how often the code locked, unlocked, sized or freed it after.
    HGLOBAL clipboardBlock;
    bool clipboardBlockMovable;
    std::vector<BYTE> clipboardBytes;
    int clipboardBlockTouches;
    // When set, the local time every caller of GetLocalTime is given: a clock set at will.
    bool clockSet;
    SYSTEMTIME clock;
    // Folders in which no file can be created for writing, as on a full disk; with
    // fullOnWrite, files are created there but refuse their bytes.
    std::vector<std::string> fullFolders;
    bool fullOnWrite;
    std::vector<HANDLE> refusingFiles;
    // The reason Windows is given to wait with ending the session, and for which window;
    // ShutdownBlockReasonCreate and Destroy as GetProcAddress hands them out.
    std::wstring shutdownReason;
    HWND shutdownReasonWindow;
};

extern PlatformLog g_log;

// Installs the recorders on first use and clears the log.
void ResetPlatformLog();

// A whole file, or nothing when it cannot be opened.
std::string ReadFileText(const std::string &path);

// The platform's lock count of a movable block.
inline UINT LockCount(HGLOBAL image)
{
    return GlobalFlags(image) & GMEM_LOCKCOUNT;
}

#endif
