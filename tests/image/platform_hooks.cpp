#include "tests/image/platform_hooks.h"

#include <algorithm>
#include <cstring>

PlatformLog g_log;

namespace {

decltype(&GlobalAlloc) realGlobalAlloc;
decltype(&GlobalFree) realGlobalFree;
decltype(&GlobalLock) realGlobalLock;
decltype(&GlobalUnlock) realGlobalUnlock;
decltype(&GlobalSize) realGlobalSize;
decltype(&SetClipboardData) realSetClipboardData;

void NoteTouch(HGLOBAL block)
{
    g_log.clipboardBlockTouches += block && block == g_log.clipboardBlock;
}

HGLOBAL WINAPI RecordGlobalAlloc(UINT flags, SIZE_T size)
{
    if (g_log.failAllocation)
        return nullptr;
    HGLOBAL block = realGlobalAlloc(flags, size);
    if (block && !(flags & GMEM_ZEROINIT)) {
        memset(realGlobalLock(block), UNWRITTEN, size);
        GlobalUnlock(block);
    }
    g_log.allocations += block != nullptr;
    return block;
}

HGLOBAL WINAPI RecordGlobalFree(HGLOBAL block)
{
    NoteTouch(block);
    g_log.freed.push_back(block);
    return realGlobalFree(block);
}

LPVOID WINAPI RecordGlobalLock(HGLOBAL block)
{
    NoteTouch(block);
    return g_log.failLock ? nullptr : realGlobalLock(block);
}

BOOL WINAPI RecordGlobalUnlock(HGLOBAL block)
{
    NoteTouch(block);
    return realGlobalUnlock(block);
}

SIZE_T WINAPI RecordGlobalSize(HGLOBAL block)
{
    NoteTouch(block);
    return realGlobalSize(block);
}

HANDLE WINAPI RecordSetClipboardData(UINT format, HANDLE data)
{
    HGLOBAL block = static_cast<HGLOBAL>(data);
    const BYTE *bytes = static_cast<const BYTE *>(realGlobalLock(block));
    g_log.clipboardBlockMovable = bytes && bytes != static_cast<const void *>(block);
    g_log.clipboardBytes.assign(bytes, bytes + (bytes ? realGlobalSize(block) : 0));
    if (bytes)
        realGlobalUnlock(block);
    HANDLE placed = realSetClipboardData(format, data);
    g_log.clipboardBlock = placed ? block : nullptr;
    return placed;
}

decltype(&GetLocalTime) realGetLocalTime;

void WINAPI LocalTimeOfClock(LPSYSTEMTIME now)
{
    if (g_log.clockSet)
        *now = g_log.clock;
    else
        realGetLocalTime(now);
}

BOOL WINAPI RecordMessageBeep(UINT)
{
    g_log.beeps++;
    return TRUE;
}

int WINAPI RecordMessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    g_log.messages.push_back(std::string(caption) + "|" + text);
    return IDOK;
}

decltype(&CreateFileA) realCreateFileA;
decltype(&GetProcAddress) realGetProcAddress;

HANDLE WINAPI RecordCreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                DWORD disposition, DWORD flags, HANDLE model)
{
    for (const std::string &folder : g_log.fullFolders)
        if ((access & (GENERIC_WRITE | FILE_APPEND_DATA)) && lstrlenA(path) > static_cast<int>(folder.size()) &&
            std::string(path, folder.size()) == folder && path[folder.size()] == '\\') {
            if (g_log.fullOnWrite) {
                HANDLE file = realCreateFileA(path, access, share, security, disposition, flags, model);
                g_log.refusingFiles.push_back(file);
                return file;
            }
            SetLastError(ERROR_DISK_FULL);
            return INVALID_HANDLE_VALUE;
        }
    // A handle value of a refusing file, closed since, may come back for another file.
    HANDLE file = realCreateFileA(path, access, share, security, disposition, flags, model);
    g_log.refusingFiles.erase(std::remove(g_log.refusingFiles.begin(), g_log.refusingFiles.end(), file),
                              g_log.refusingFiles.end());
    return file;
}

decltype(&WriteFile) realWriteFile;

BOOL WINAPI RecordWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    for (HANDLE refusing : g_log.refusingFiles)
        if (file == refusing) {
            *written = 0;
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
    return realWriteFile(file, data, size, written, overlapped);
}

BOOL WINAPI RecordShutdownBlockReasonCreate(HWND window, LPCWSTR reason)
{
    g_log.shutdownReasonWindow = window;
    g_log.shutdownReason = reason;
    return TRUE;
}

BOOL WINAPI RecordShutdownBlockReasonDestroy(HWND window)
{
    if (window == g_log.shutdownReasonWindow) {
        g_log.shutdownReasonWindow = nullptr;
        g_log.shutdownReason.clear();
    }
    return TRUE;
}

FARPROC WINAPI RecordGetProcAddress(HMODULE module, LPCSTR name)
{
    if (!IS_INTRESOURCE(name) && !strcmp(name, "ShutdownBlockReasonCreate"))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(RecordShutdownBlockReasonCreate));
    if (!IS_INTRESOURCE(name) && !strcmp(name, "ShutdownBlockReasonDestroy"))
        return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(RecordShutdownBlockReasonDestroy));
    return realGetProcAddress(module, name);
}

// Points this program's import of dll!name at replacement; returns what it pointed at.
template <typename Function>
Function PatchImport(const char *dll, const char *name, Function replacement)
{
    BYTE *base = reinterpret_cast<BYTE *>(GetModuleHandleA(nullptr));
    IMAGE_NT_HEADERS *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<IMAGE_DOS_HEADER *>(base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR *d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports);
         d->Name; d++) {
        if (lstrcmpiA(reinterpret_cast<char *>(base + d->Name), dll))
            continue;
        IMAGE_THUNK_DATA *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) ||
                strcmp(reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData)->Name, name))
                continue;
            DWORD protection;
            VirtualProtect(slots, sizeof *slots, PAGE_READWRITE, &protection);
            Function previous = reinterpret_cast<Function>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<DWORD_PTR>(replacement);
            VirtualProtect(slots, sizeof *slots, protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

} // namespace

void ResetPlatformLog()
{
    if (!realGlobalAlloc) {
        realGlobalAlloc = PatchImport("kernel32.dll", "GlobalAlloc", RecordGlobalAlloc);
        realGlobalFree = PatchImport("kernel32.dll", "GlobalFree", RecordGlobalFree);
        realGlobalLock = PatchImport("kernel32.dll", "GlobalLock", RecordGlobalLock);
        realGlobalUnlock = PatchImport("kernel32.dll", "GlobalUnlock", RecordGlobalUnlock);
        realGlobalSize = PatchImport("kernel32.dll", "GlobalSize", RecordGlobalSize);
        realSetClipboardData = PatchImport("user32.dll", "SetClipboardData", RecordSetClipboardData);
        realGetLocalTime = PatchImport("kernel32.dll", "GetLocalTime", LocalTimeOfClock);
        realCreateFileA = PatchImport("kernel32.dll", "CreateFileA", RecordCreateFileA);
        realWriteFile = PatchImport("kernel32.dll", "WriteFile", RecordWriteFile);
        realGetProcAddress = PatchImport("kernel32.dll", "GetProcAddress", RecordGetProcAddress);
        PatchImport("user32.dll", "MessageBeep", RecordMessageBeep);
        PatchImport("user32.dll", "MessageBoxA", RecordMessageBoxA);
    }
    g_log = PlatformLog();
}

std::string ReadFileText(const std::string &path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    text.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
}
