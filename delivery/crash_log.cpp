#include "delivery/crash_log.h"

#include <windows.h>

#include "delivery/exposure_log.h"

namespace {

// The faulting code may hold the heap's or the loader's lock: the filter allocates nothing,
// asks the loader nothing and opens no file.
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter;

// The module's own name from its export directory, read straight from its mapped headers.
bool ModuleName(const BYTE *base, SIZE_T regionSize, char *name, int size)
{
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    if (regionSize < 4096 || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
        dos->e_lfanew > 4096 - static_cast<LONG>(sizeof(IMAGE_NT_HEADERS)))
        return false;
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT)
        return false;
    const DWORD imageSize = nt->OptionalHeader.SizeOfImage;
    const DWORD exports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
    if (!exports || exports >= imageSize || imageSize - exports < sizeof(IMAGE_EXPORT_DIRECTORY))
        return false;
    const DWORD text = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + exports)->Name;
    int length = 0;
    for (; length < size - 1 && text && text + length < imageSize; ++length) {
        const char c = static_cast<char>(base[text + length]);
        if (c < ' ' || c > '~')
            break;
        name[length] = c;
    }
    name[length] = '\0';
    return length > 0;
}

// "vix32.dll+0x1A2B", or the bare address outside any module that names itself.
void DescribeAddress(const void *address, char *text)
{
    MEMORY_BASIC_INFORMATION region;
    char name[64];
    if (VirtualQuery(address, &region, sizeof region) && region.Type == MEM_IMAGE && region.AllocationBase) {
        const auto *base = static_cast<const BYTE *>(region.AllocationBase);
        MEMORY_BASIC_INFORMATION headers;
        if (VirtualQuery(base, &headers, sizeof headers) && headers.State == MEM_COMMIT &&
            !(headers.Protect & (PAGE_NOACCESS | PAGE_GUARD)) && ModuleName(base, headers.RegionSize, name, sizeof name)) {
            wsprintfA(text, "%s+0x%lX", name, static_cast<unsigned long>(static_cast<const BYTE *>(address) - base));
            return;
        }
    }
    // wsprintf knows no pointers and no 64-bit numbers.
    const unsigned long long value = reinterpret_cast<ULONG_PTR>(address);
    if (value >> 32)
        wsprintfA(text, "0x%lX%08lX", static_cast<unsigned long>(value >> 32), static_cast<unsigned long>(value));
    else
        wsprintfA(text, "0x%08lX", static_cast<unsigned long>(value));
}

LONG WINAPI LogCrash(EXCEPTION_POINTERS *exception)
{
    const EXCEPTION_RECORD *record = exception->ExceptionRecord;
    char where[96], line[200];
    DescribeAddress(record->ExceptionAddress, where);
    int length = StampLine(line);
    length += wsprintfA(line + length, "Arresto imprevisto: eccezione 0x%08lX in %s\r\n",
                        static_cast<unsigned long>(record->ExceptionCode), where);
    WriteLastLine(line, length);
    return g_previousFilter ? g_previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// 64-bit Windows 7 and later swallow, by default, an exception raised in a window procedure
// that the system called back from the kernel (a message sent by another program): the
// program would go on with the library broken, and nothing would be logged.
void StopSwallowingCallbackExceptions()
{
    typedef BOOL(WINAPI * GetPolicyFn)(DWORD *);
    typedef BOOL(WINAPI * SetPolicyFn)(DWORD);
    const DWORD CALLBACK_FILTER_ENABLED = 0x1;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto get = reinterpret_cast<GetPolicyFn>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    const auto set = reinterpret_cast<SetPolicyFn>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    DWORD flags;
    if (get && set && get(&flags))
        set(flags & ~CALLBACK_FILTER_ENABLED);
}

} // namespace

void LogCrashes()
{
    KeepLogOpenForLastLine();
    StopSwallowingCallbackExceptions();
    g_previousFilter = SetUnhandledExceptionFilter(LogCrash);
}
