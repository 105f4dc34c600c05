// Simulated Gendex sensor library. What it answers is steered by the control file
// %VIXSIM_DIR%\vixsim.ini, read again on every call so a test can change it while the
// program runs; every call is journaled to %VIXSIM_DIR%\journal.txt.
#include "sensor/vix32.h"

#include "journal.h"
#include "test_picture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

const WORD kInvalidDibBuffer = 19;
const WORD kCannotWriteTiff = 42;
const SIZE_T kPixelOffset = 40 + 256 * 4;

struct Control {
    long hardwareType = 54, reservedA = 0, reservedB = 0;
    long installStatus = 0, activateStatus = 0, version = 0x0105;
    long exposures = 0, grabbedCode = 1, dibStatus = 0, tiffBusyCalls = 3;
    long width = 0, height = 0, writeHeader = 1;
    long faultInFetch = 0;       // the fetch writes through a null pointer, as a broken library may
    bool tiffFile = true;
};

HMODULE g_module;
HWND g_owner;                // owner given to the last InstallHandler
long g_exposuresReported;
long g_fetches;              // successful GetGVGDIBitmap calls
long g_busySinceFetch;       // busy answers given since the last fetch
int g_lastBusy = -1;         // last busy answer journaled in this fetch, -1 none yet

std::string Folder()
{
    char dir[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VIXSIM_DIR", dir, sizeof dir);
    return n > 0 && n < sizeof dir ? FullPath(dir) : ModuleFolder(g_module);
}

// Decimal, or hexadecimal with a 0x prefix (either case of x).
long ParseNumber(const char *text)
{
    while (*text == ' ' || *text == '\t') ++text;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return std::strtol(text + 2, nullptr, 16);
    return std::strtol(text, nullptr, 10);
}

std::string Trim(const std::string &s)
{
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Plain file reading: the profile functions may cache the file between calls.
Control ReadControl()
{
    Control c;
    struct Key { const char *name; long Control::*field; };
    static const Key keys[] = {
        {"HardwareType", &Control::hardwareType}, {"ReservedA", &Control::reservedA},
        {"ReservedB", &Control::reservedB}, {"InstallStatus", &Control::installStatus},
        {"ActivateStatus", &Control::activateStatus}, {"Version", &Control::version},
        {"Exposures", &Control::exposures}, {"GrabbedCode", &Control::grabbedCode},
        {"DibStatus", &Control::dibStatus}, {"TiffBusyCalls", &Control::tiffBusyCalls},
        {"Width", &Control::width}, {"Height", &Control::height},
        {"WriteHeader", &Control::writeHeader}, {"FaultInFetch", &Control::faultInFetch},
    };
    FILE *file = std::fopen(JoinPath(Folder(), "vixsim.ini").c_str(), "r");
    if (!file) return c;
    char line[512];
    while (std::fgets(line, sizeof line, file)) {
        const std::string text = Trim(line);
        const size_t equals = text.find('=');
        if (text.empty() || text[0] == '[' || text[0] == ';' || equals == std::string::npos) continue;
        const std::string name = Trim(text.substr(0, equals)), value = Trim(text.substr(equals + 1));
        if (lstrcmpiA(name.c_str(), "TiffPath") == 0) {
            c.tiffFile = lstrcmpiA(value.c_str(), "none") != 0;
            continue;
        }
        for (const Key &key : keys)
            if (lstrcmpiA(name.c_str(), key.name) == 0) c.*key.field = ParseNumber(value.c_str());
    }
    std::fclose(file);
    return c;
}

std::string JournalPath() { return JoinPath(Folder(), "journal.txt"); }

// 1/0 for menu items 9070, 9071, 11842 of the owner's menu, "---" without a menu.
std::string MenuChecks()
{
    HMENU menu = g_owner && IsWindow(g_owner) ? GetMenu(g_owner) : nullptr;
    if (!menu) return "---";
    std::string checks;
    for (UINT id : {9070u, 9071u, 11842u}) {
        const UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
        checks += state == static_cast<UINT>(-1) ? '-' : (state & MF_CHECKED) ? '1' : '0';
    }
    return checks;
}

// While a pop-up menu of the program is open (a poll from its modal loop), its items' screen
// rectangles, commands and whether they are greyed, so a test can click them as the
// operator would.
void JournalOpenMenu()
{
    HWND popup = FindWindowA("#32768", nullptr);
    DWORD process = 0;
    if (!popup || !IsWindowVisible(popup) || !GetWindowThreadProcessId(popup, &process) ||
        process != GetCurrentProcessId())
        return;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    std::string rects;
    for (int item = 0; menu && item < GetMenuItemCount(menu); ++item) {
        RECT r = {};
        GetMenuItemRect(nullptr, menu, item, &r);
        const UINT state = GetMenuState(menu, item, MF_BYPOSITION);
        char text[96];
        std::snprintf(text, sizeof text, " %ld,%ld,%ld,%ld,%u,%d", r.left, r.top, r.right, r.bottom,
                      GetMenuItemID(menu, item), (state & (MF_GRAYED | MF_DISABLED)) ? 1 : 0);
        rects += text;
    }
    Journal(JournalPath(), "OpenMenu =%s", rects.c_str());
}

// The value the process's next kernel handle gets. Handles are given out lowest free slot
// first, so the value grows only while handles leak: Wine does not count them.
unsigned long NextHandle()
{
    HANDLE probe = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &probe, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    CloseHandle(probe);
    return static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(probe));
}

// Width and height in the header at the start of the block, 0 when it has none.
void BlockSize(HGLOBAL image, long &width, long &height)
{
    width = height = 0;
    const auto *header = static_cast<const BITMAPINFOHEADER *>(GlobalLock(image));
    if (!header) return;
    if (GlobalSize(image) >= sizeof *header) width = header->biWidth, height = header->biHeight;
    GlobalUnlock(image);
}

void Put32(std::vector<unsigned char> &out, size_t at, unsigned long value)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// Baseline little-endian TIFF: one strip of 8-bit grey rows, top row first.
bool WriteTiff(const std::string &path, const unsigned char *rows, int width, int height, int stride)
{
    struct Tag { unsigned short id, type; unsigned long count, value; };
    const unsigned short kShort = 3, kLong = 4, kRational = 5;
    const size_t tagCount = 12, ifdSize = 2 + tagCount * 12 + 4;
    const size_t resolution = 8 + ifdSize, pixels = resolution + 8;
    const Tag tags[tagCount] = {
        {256, kLong, 1, static_cast<unsigned long>(width)},
        {257, kLong, 1, static_cast<unsigned long>(height)},
        {258, kShort, 1, 8},                  // bits per sample
        {259, kShort, 1, 1},                  // no compression
        {262, kShort, 1, 1},                  // black is zero
        {273, kLong, 1, pixels},              // strip offset
        {277, kShort, 1, 1},                  // samples per pixel
        {278, kLong, 1, static_cast<unsigned long>(height)},
        {279, kLong, 1, static_cast<unsigned long>(width) * height},
        {282, kRational, 1, resolution},      // 72/1 for both directions
        {283, kRational, 1, resolution},
        {296, kShort, 1, 2},                  // inches
    };
    std::vector<unsigned char> out(pixels + static_cast<size_t>(width) * height);
    out[0] = out[1] = 'I';
    out[2] = 42;
    Put32(out, 4, 8);
    out[8] = tagCount;
    for (size_t i = 0; i < tagCount; ++i) {
        const size_t at = 10 + i * 12;
        out[at] = tags[i].id & 0xFF, out[at + 1] = tags[i].id >> 8;
        out[at + 2] = static_cast<unsigned char>(tags[i].type);
        Put32(out, at + 4, tags[i].count);
        Put32(out, at + 8, tags[i].value);  // short values sit in the low bytes
    }
    Put32(out, resolution, 72);
    Put32(out, resolution + 4, 1);
    for (int y = 0; y < height; ++y)
        std::memcpy(&out[pixels + static_cast<size_t>(y) * width],
                    rows + static_cast<size_t>(height - 1 - y) * stride, width);

    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && ok;
}

// Draws into the block as a driver would; on success keeps a copy of the rows for the TIFF.
// Like a driver that does not lock what it is given, it writes through the handle: only a
// fixed block, whose handle is its address, is taken.
WORD FillBlock(const Control &c, HGLOBAL image, std::vector<unsigned char> &rows,
               int &width, int &height, int &stride)
{
    const void *locked = GlobalLock(image);
    if (!locked) return kInvalidDibBuffer;
    GlobalUnlock(image);
    if (locked != static_cast<const void *>(image)) return kInvalidDibBuffer;
    auto *block = reinterpret_cast<unsigned char *>(image);
    const SIZE_T size = GlobalSize(image);
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(block);
    const long w = size < sizeof *header ? 0 : c.width ? c.width : header->biWidth;
    const long h = size < sizeof *header ? 0 : c.height ? c.height : header->biHeight;
    const long long need = kPixelOffset + ((w + 3LL) & ~3LL) * h;
    if (w <= 0 || h <= 0 || static_cast<long long>(size) < need) return kInvalidDibBuffer;
    width = w, height = h, stride = (w + 3) & ~3;
    unsigned char *pixels = block + kPixelOffset;
    DrawTestPicture(pixels, width, height, stride, g_fetches + 1);
    if (c.writeHeader) {
        header->biXPelsPerMeter = 3937;
        header->biYPelsPerMeter = 3937;
        header->biClrImportant = 7;
    }
    if (c.tiffFile) rows.assign(pixels, pixels + static_cast<size_t>(stride) * height);
    return 0;
}

// An access violation inside this library, not an instruction the compiler chose to trap.
void Fault()
{
    volatile UINT_PTR nowhere = 0;
    *reinterpret_cast<volatile long *>(nowhere) = 0;
}

}  // namespace

extern "C" {

WORD WINAPI InstallHandler(HWND owner, LONG integrationTime, WORD irq, WORD memBase, WORD portBase,
                           WORD *hardwareType, WORD *reservedA, WORD *reservedB)
{
    const Control c = ReadControl();
    g_owner = owner;
    if (hardwareType) *hardwareType = static_cast<WORD>(c.hardwareType);
    if (reservedA) *reservedA = static_cast<WORD>(c.reservedA);
    if (reservedB) *reservedB = static_cast<WORD>(c.reservedB);
    const WORD status = static_cast<WORD>(c.installStatus);
    Journal(JournalPath(), "InstallHandler %lu %ld %u %u %u = %u %u %u %u",
            static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(owner)), integrationTime, irq,
            memBase, portBase, status, static_cast<WORD>(c.hardwareType),
            static_cast<WORD>(c.reservedA), static_cast<WORD>(c.reservedB));
    return status;
}

WORD WINAPI GVGActivate()
{
    const WORD status = static_cast<WORD>(ReadControl().activateStatus);
    Journal(JournalPath(), "GVGActivate = %u", status);
    return status;
}

WORD WINAPI IsGVGImageGrabbed()
{
    const Control c = ReadControl();
    WORD result = 0;
    if (c.exposures > g_exposuresReported) {
        ++g_exposuresReported;
        result = static_cast<WORD>(c.grabbedCode);
    }
    Journal(JournalPath(), "IsGVGImageGrabbed = %u checks=%s nexthandle=%lu", result, MenuChecks().c_str(),
            NextHandle());
    JournalOpenMenu();
    return result;
}

WORD WINAPI GetGVGDIBitmap(char *tiffPath, HGLOBAL image)
{
    const Control c = ReadControl();
    if (c.faultInFetch) {
        Journal(JournalPath(), "GetGVGDIBitmap fault");
        Fault();
    }
    WORD status = static_cast<WORD>(c.dibStatus);
    std::string path;
    long blockWidth, blockHeight;
    BlockSize(image, blockWidth, blockHeight);
    if (status == 0) {
        std::vector<unsigned char> rows;
        int width = 0, height = 0, stride = 0;
        status = FillBlock(c, image, rows, width, height, stride);
        if (status == 0) {
            ++g_fetches;
            g_busySinceFetch = 0;
            g_lastBusy = -1;
        }
        if (status == 0 && c.tiffFile) {
            char name[32];
            std::snprintf(name, sizeof name, "vixsim-%ld.tif", g_fetches);
            path = JoinPath(Folder(), name);
            if (WriteTiff(path, rows.data(), width, height, stride)) {
                if (tiffPath) lstrcpynA(tiffPath, path.c_str(), 256);
            } else {
                path.clear();
                status = kCannotWriteTiff;
            }
        }
    }
    Journal(JournalPath(), "GetGVGDIBitmap %lu %ld %ld = %u %s",
            static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(image)), blockWidth, blockHeight, status,
            path.empty() ? "-" : path.c_str());
    return status;
}

WORD WINAPI RemoveHandler(HWND owner)
{
    Journal(JournalPath(), "RemoveHandler %lu = 0",
            static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(owner)));
    return 0;
}

// Busy for TiffBusyCalls calls after each fetch (-1: for ever). Only changes of the
// answer are journaled, so a program waiting on a busy writer does not flood the journal.
WORD WINAPI IsGVGWriteTIFFBusy()
{
    const long calls = ReadControl().tiffBusyCalls;
    const WORD result = g_fetches > 0 && (calls < 0 || g_busySinceFetch < calls) ? 1 : 0;
    g_busySinceFetch += result;
    if (result != g_lastBusy) Journal(JournalPath(), "IsGVGWriteTIFFBusy = %u", result);
    g_lastBusy = result;
    return result;
}

WORD WINAPI GetGVGVersion()
{
    const WORD version = static_cast<WORD>(ReadControl().version);
    Journal(JournalPath(), "GetGVGVersion = %u", version);
    return version;
}

WORD WINAPI GVGInhibit()
{
    Journal(JournalPath(), "GVGInhibit = 0");
    return 0;
}

WORD WINAPI SetGVGIntegrationT(LONG integrationTime)
{
    Journal(JournalPath(), "SetGVGIntegrationT %ld = 0", integrationTime);
    return 0;
}

WORD WINAPI GVGNoXrayGrab()
{
    Journal(JournalPath(), "GVGNoXrayGrab = 0");
    return 0;
}

WORD WINAPI SetGVGConfiguration(LONG logarithmic, LONG equalise, LONG despeckle)
{
    Journal(JournalPath(), "SetGVGConfiguration %ld %ld %ld = 0", logarithmic, equalise, despeckle);
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

}  // extern "C"

// The exports must match the signatures the program looks up.
static_assert(std::is_same<decltype(&InstallHandler), InstallHandlerFn>::value, "InstallHandler");
static_assert(std::is_same<decltype(&GVGActivate), GVGActivateFn>::value, "GVGActivate");
static_assert(std::is_same<decltype(&IsGVGImageGrabbed), IsGVGImageGrabbedFn>::value, "IsGVGImageGrabbed");
static_assert(std::is_same<decltype(&GetGVGDIBitmap), GetGVGDIBitmapFn>::value, "GetGVGDIBitmap");
static_assert(std::is_same<decltype(&RemoveHandler), RemoveHandlerFn>::value, "RemoveHandler");
static_assert(std::is_same<decltype(&IsGVGWriteTIFFBusy), IsGVGWriteTIFFBusyFn>::value, "IsGVGWriteTIFFBusy");
static_assert(std::is_same<decltype(&GetGVGVersion), GetGVGVersionFn>::value, "GetGVGVersion");
static_assert(std::is_same<decltype(&GVGInhibit), GVGInhibitFn>::value, "GVGInhibit");
static_assert(std::is_same<decltype(&SetGVGIntegrationT), SetGVGIntegrationTFn>::value, "SetGVGIntegrationT");
static_assert(std::is_same<decltype(&GVGNoXrayGrab), GVGNoXrayGrabFn>::value, "GVGNoXrayGrab");
static_assert(std::is_same<decltype(&SetGVGConfiguration), SetGVGConfigurationFn>::value, "SetGVGConfiguration");
