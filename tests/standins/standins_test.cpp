// The simulated sensor library, which the end-to-end tests rely on, and its picture.
#include "sensor/vix32.h"
#include "standins/test_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

const char *const kEntryPoints[] = {
    "InstallHandler", "GVGActivate", "IsGVGImageGrabbed", "GetGVGDIBitmap",
    "RemoveHandler", "IsGVGWriteTIFFBusy", "GetGVGVersion", "GVGInhibit",
    "SetGVGIntegrationT", "GVGNoXrayGrab", "SetGVGConfiguration"};

std::string LibraryPath(const char *variant)
{
    return std::string(TAVRO_BINARY_DIR) + "\\standins\\" + variant + "vix32.dll";
}

bool FileExists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<unsigned char> ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// An empty 8-bit bitmap block as the program makes it, pixels and alignment bytes 0xAB.
HGLOBAL MakeImage(int width, int height, SIZE_T shortBy = 0, UINT flags = GPTR)
{
    const int stride = (width + 3) & ~3;
    HGLOBAL image = GlobalAlloc(flags, 1064 + stride * height - shortBy);
    auto *block = static_cast<unsigned char *>(GlobalLock(image));
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(block);
    *header = {40, width, height, 1, 8, BI_RGB, static_cast<DWORD>(stride * height), 0, 0, 256, 0};
    for (int i = 0; i < 256; ++i) std::memset(block + 40 + 4 * i, i, 4);
    std::memset(block + 1064, 0xAB, GlobalSize(image) - 1064);
    GlobalUnlock(image);
    return image;
}

std::vector<unsigned char> Bytes(HGLOBAL image)
{
    const auto *block = static_cast<const unsigned char *>(GlobalLock(image));
    std::vector<unsigned char> bytes(block, block + GlobalSize(image));
    GlobalUnlock(image);
    return bytes;
}

class VixSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        static int counter;
        folder_ = std::string(temp) + "vixsim-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        SetEnvironmentVariableA("VIXSIM_DIR", folder_.c_str());
        library_ = LoadLibraryA(LibraryPath("").c_str());
        ASSERT_NE(nullptr, library_);
        install_ = Entry<InstallHandlerFn>("InstallHandler");
        activate_ = Entry<GVGActivateFn>("GVGActivate");
        grabbed_ = Entry<IsGVGImageGrabbedFn>("IsGVGImageGrabbed");
        fetch_ = Entry<GetGVGDIBitmapFn>("GetGVGDIBitmap");
        busy_ = Entry<IsGVGWriteTIFFBusyFn>("IsGVGWriteTIFFBusy");
    }

    void TearDown() override
    {
        if (library_) FreeLibrary(library_);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do DeleteFileA((folder_ + "\\" + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder_.c_str());
        SetEnvironmentVariableA("VIXSIM_DIR", nullptr);
    }

    template <typename Fn> Fn Entry(const char *name)
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(library_, name)));
    }

    void Control(const char *text)
    {
        std::ofstream(folder_ + "\\vixsim.ini") << text;
    }

    // Journal lines without their time stamps, which must be milliseconds with 3 decimals.
    std::vector<std::string> Journal()
    {
        std::ifstream in(folder_ + "\\journal.txt");
        std::vector<std::string> lines;
        // The handle probe varies from run to run; NextHandles() reads it.
        static const std::regex stamped(R"(^\d+\.\d{3} (.*?)( nexthandle=\d+)?$)");
        std::smatch match;
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(std::regex_match(line, match, stamped)) << line;
            lines.push_back(match.size() > 1 ? match[1].str() : line);
        }
        return lines;
    }

    std::vector<unsigned long> NextHandles()
    {
        std::ifstream in(folder_ + "\\journal.txt");
        std::vector<unsigned long> values;
        for (std::string line; std::getline(in, line);)
            if (line.find(" nexthandle=") != std::string::npos)
                values.push_back(std::stoul(line.substr(line.find(" nexthandle=") + 12)));
        return values;
    }

    std::string folder_;
    HMODULE library_ = nullptr;
    InstallHandlerFn install_ = nullptr;
    GVGActivateFn activate_ = nullptr;
    IsGVGImageGrabbedFn grabbed_ = nullptr;
    GetGVGDIBitmapFn fetch_ = nullptr;
    IsGVGWriteTIFFBusyFn busy_ = nullptr;
};

TEST_F(VixSim, DefaultsWithoutControlFile)
{
    WORD type = 0, a = 9, b = 9;
    EXPECT_EQ(0, install_(nullptr, 500, 10, 215, 800, &type, &a, &b));
    EXPECT_EQ(54, type);
    EXPECT_EQ(0, a);
    EXPECT_EQ(0, b);
    EXPECT_EQ(0, activate_());
    EXPECT_EQ(0x0105, Entry<GetGVGVersionFn>("GetGVGVersion")());
    EXPECT_EQ(0, grabbed_());
    const std::vector<std::string> expected = {
        "InstallHandler 0 500 10 215 800 = 0 54 0 0", "GVGActivate = 0", "GetGVGVersion = 261",
        "IsGVGImageGrabbed = 0 checks=---"};
    EXPECT_EQ(expected, Journal());
}

TEST_F(VixSim, ControlFileValuesAndJournalOfEveryCall)
{
    Control("[Sim]\n; comment\nHardwareType=0x38\nReservedA=7\nReservedB = 65535\nInstallStatus=18\n"
            "ActivateStatus=41\nVersion=0xA0\n");
    WORD type = 0, a = 0, b = 0;
    EXPECT_EQ(18, install_(reinterpret_cast<HWND>(1234), -3, 70000 & 0xFFFF, 0xD7, 0x320, &type, &a, &b));
    EXPECT_EQ(56, type);
    EXPECT_EQ(7, a);
    EXPECT_EQ(65535, b);
    EXPECT_EQ(18, install_(nullptr, 1, 2, 3, 4, nullptr, nullptr, nullptr));  // outputs may be null
    EXPECT_EQ(41, activate_());
    EXPECT_EQ(0xA0, Entry<GetGVGVersionFn>("GetGVGVersion")());
    EXPECT_EQ(0, Entry<RemoveHandlerFn>("RemoveHandler")(reinterpret_cast<HWND>(1234)));
    EXPECT_EQ(0, Entry<GVGNoXrayGrabFn>("GVGNoXrayGrab")());
    EXPECT_EQ(0, Entry<SetGVGConfigurationFn>("SetGVGConfiguration")(1, 0, -1));
    EXPECT_EQ(0, Entry<GVGInhibitFn>("GVGInhibit")());
    EXPECT_EQ(0, Entry<SetGVGIntegrationTFn>("SetGVGIntegrationT")(-5));
    const std::vector<std::string> expected = {
        "InstallHandler 1234 -3 4464 215 800 = 18 56 7 65535",
        "InstallHandler 0 1 2 3 4 = 18 56 7 65535",
        "GVGActivate = 41",
        "GetGVGVersion = 160",
        "RemoveHandler 1234 = 0",
        "GVGNoXrayGrab = 0",
        "SetGVGConfiguration 1 0 -1 = 0",
        "GVGInhibit = 0",
        "SetGVGIntegrationT -5 = 0"};
    EXPECT_EQ(expected, Journal());
}

TEST_F(VixSim, ReportsEachNewExposureOnce)
{
    Control("Exposures=2\nGrabbedCode=2\n");
    EXPECT_EQ(2, grabbed_());
    EXPECT_EQ(2, grabbed_());
    EXPECT_EQ(0, grabbed_());
    Control("Exposures=3\n");
    EXPECT_EQ(1, grabbed_());
    EXPECT_EQ(0, grabbed_());
    EXPECT_EQ("IsGVGImageGrabbed = 2 checks=---", Journal().front());
}

TEST_F(VixSim, HandleProbeGrowsOnlyWithLeakedHandles)
{
    grabbed_();
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    grabbed_();
    CloseHandle(event);
    grabbed_();
    const std::vector<unsigned long> probes = NextHandles();
    ASSERT_EQ(3u, probes.size());
    EXPECT_GT(probes[1], probes[0]);
    EXPECT_EQ(probes[2], probes[0]);
}

TEST_F(VixSim, JournalsTheOwnersMenuChecks)
{
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_STRING | MF_CHECKED, 9070, "a");
    AppendMenuA(menu, MF_STRING, 9071, "b");
    AppendMenuA(menu, MF_STRING | MF_CHECKED, 11842, "c");
    HWND owner = CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, menu,
                               nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    install_(owner, 500, 10, 215, 800, nullptr, nullptr, nullptr);
    grabbed_();
    DestroyWindow(owner);
    grabbed_();
    const std::vector<std::string> lines = Journal();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("IsGVGImageGrabbed = 0 checks=101", lines[1]);
    EXPECT_EQ("IsGVGImageGrabbed = 0 checks=---", lines[2]);
}

TEST_F(VixSim, FetchWritesPictureScribblesHeaderAndWritesTiff)
{
    const int w = 37, h = 23, stride = 40;
    HGLOBAL image = MakeImage(w, h);
    const std::vector<unsigned char> before = Bytes(image);
    char path[256] = {};
    ASSERT_EQ(0, fetch_(path, image));
    const std::vector<unsigned char> after = Bytes(image);

    std::vector<unsigned char> expected(before);
    DrawTestPicture(expected.data() + 1064, w, h, stride, 1);
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(expected.data());
    header->biXPelsPerMeter = header->biYPelsPerMeter = 3937;
    header->biClrImportant = 7;
    EXPECT_TRUE(expected == after) << "pixels, header or palette differ";

    const std::string tiff = folder_ + "\\vixsim-1.tif";
    EXPECT_STREQ(tiff.c_str(), path);
    const std::vector<unsigned char> file = ReadBytes(tiff);
    ASSERT_EQ(8u + 150 + 8 + w * h, file.size());
    EXPECT_EQ(0, std::memcmp(file.data(), "II*\0", 4));
    // Top row first: the last stored row of the DIB.
    EXPECT_EQ(0, std::memcmp(&file[166], &after[1064 + (h - 1) * stride], w));

    ASSERT_EQ(0, fetch_(path, image));
    EXPECT_FALSE(Bytes(image) == after) << "the sequence mark must change";
    EXPECT_STREQ((folder_ + "\\vixsim-2.tif").c_str(), path);

    char handle[32];
    std::snprintf(handle, sizeof handle, "%lu", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(image)));
    EXPECT_EQ("GetGVGDIBitmap " + std::string(handle) + " " + std::to_string(w) + " " + std::to_string(h) +
                  " = 0 " + tiff,
              Journal().front());
    GlobalFree(image);
}

TEST_F(VixSim, FetchRefusesTooSmallOrMovableBlockAndHonoursDibStatus)
{
    HGLOBAL small = MakeImage(37, 23, 1);
    const std::vector<unsigned char> before = Bytes(small);
    char path[256] = "untouched";
    EXPECT_EQ(19, fetch_(path, small));
    EXPECT_TRUE(before == Bytes(small));
    HGLOBAL movable = MakeImage(37, 23, 0, GHND);
    const std::vector<unsigned char> unwritten = Bytes(movable);
    EXPECT_EQ(19, fetch_(path, movable));
    EXPECT_TRUE(unwritten == Bytes(movable));

    HGLOBAL image = MakeImage(37, 23);
    const std::vector<unsigned char> clean = Bytes(image);
    Control("DibStatus=42\n");
    EXPECT_EQ(42, fetch_(path, image));
    EXPECT_TRUE(clean == Bytes(image));
    EXPECT_STREQ("untouched", path);
    EXPECT_FALSE(FileExists(folder_ + "\\vixsim-1.tif"));

    const std::vector<std::string> lines = Journal();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(" = 19 -", lines[0].substr(lines[0].find(" = ")));
    EXPECT_EQ(" = 19 -", lines[1].substr(lines[1].find(" = ")));
    EXPECT_EQ(" = 42 -", lines[2].substr(lines[2].find(" = ")));
    GlobalFree(small);
    GlobalFree(movable);
    GlobalFree(image);
}

TEST_F(VixSim, TiffPathNoneLeavesPathBufferAlone)
{
    Control("TiffPath=none\nWriteHeader=0\n");
    HGLOBAL image = MakeImage(8, 4);
    std::vector<unsigned char> expected = Bytes(image);
    DrawTestPicture(expected.data() + 1064, 8, 4, 8, 1);
    char path[256];
    std::memset(path, 'Q', sizeof path);
    EXPECT_EQ(0, fetch_(path, image));
    EXPECT_TRUE(expected == Bytes(image));
    for (char c : path) ASSERT_EQ('Q', c);
    EXPECT_FALSE(FileExists(folder_ + "\\vixsim-1.tif"));
    EXPECT_EQ(" = 0 -", Journal().front().substr(Journal().front().find(" = ")));
    GlobalFree(image);
}

TEST_F(VixSim, TiffWriterBusyForConfiguredCallsJournalingOnlyChanges)
{
    Control("TiffBusyCalls=2\n");
    HGLOBAL image = MakeImage(8, 4);
    char path[256];
    EXPECT_EQ(0, busy_());
    ASSERT_EQ(0, fetch_(path, image));
    EXPECT_EQ(1, busy_());
    EXPECT_EQ(1, busy_());
    EXPECT_EQ(0, busy_());
    EXPECT_EQ(0, busy_());

    Control("TiffBusyCalls=-1\n");
    ASSERT_EQ(0, fetch_(path, image));
    for (int i = 0; i < 50; ++i) ASSERT_EQ(1, busy_());
    Control("TiffBusyCalls=0\n");  // releases a writer busy for ever
    EXPECT_EQ(0, busy_());

    std::vector<std::string> busyLines;
    for (const std::string &line : Journal())
        if (line.rfind("IsGVGWriteTIFFBusy", 0) == 0) busyLines.push_back(line);
    const std::vector<std::string> expected = {
        "IsGVGWriteTIFFBusy = 0", "IsGVGWriteTIFFBusy = 1", "IsGVGWriteTIFFBusy = 0",
        "IsGVGWriteTIFFBusy = 1", "IsGVGWriteTIFFBusy = 0"};
    EXPECT_EQ(expected, busyLines);
    GlobalFree(image);
}

TEST(VixSimVariants, LackExactlyTheirEntryPoints)
{
    const struct { const char *folder; std::vector<std::string> missing; } variants[] = {
        {"", {}},
        {"vix32-nograb\\", {"GetGVGDIBitmap"}},
        {"vix32-noextras\\", {"GetGVGVersion", "GVGNoXrayGrab"}}};
    for (const auto &variant : variants) {
        HMODULE library = LoadLibraryA(LibraryPath(variant.folder).c_str());
        ASSERT_NE(nullptr, library) << variant.folder;
        std::vector<std::string> missing;
        for (const char *name : kEntryPoints)
            if (!GetProcAddress(library, name)) missing.push_back(name);
        EXPECT_EQ(variant.missing, missing) << variant.folder;
        FreeLibrary(library);
    }
}

// Stored bottom-up: (x, y) as displayed is byte (h - 1 - y) * stride + x.
std::vector<unsigned char> Displayed(int size, unsigned sequence)
{
    std::vector<unsigned char> rows(size * size);
    DrawTestPicture(rows.data(), size, size, size, sequence);
    std::vector<unsigned char> shown(rows.size());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) shown[y * size + x] = rows[(size - 1 - y) * size + x];
    return shown;
}

TEST(TestPicture, DistinguishesEveryRotationAndFlipAndSequence)
{
    const int n = 64;
    const std::vector<unsigned char> picture = Displayed(n, 1);
    EXPECT_NE(std::count(picture.begin(), picture.end(), picture[0]), n * n);
    EXPECT_EQ(255, picture[6 * n + 3]) << "orientation mark near the top-left corner";
    for (int t = 1; t < 8; ++t) {  // the seven other symmetries of the square
        std::vector<unsigned char> turned(picture.size());
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                int u = t & 1 ? n - 1 - x : x, v = y;
                if (t & 2) v = n - 1 - v;
                if (t & 4) std::swap(u, v);
                turned[y * n + x] = picture[v * n + u];
            }
        EXPECT_NE(picture, turned) << "symmetry " << t;
    }
    EXPECT_NE(picture, Displayed(n, 2));
}

}  // namespace
