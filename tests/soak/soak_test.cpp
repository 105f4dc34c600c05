// Exposures in a row with both receivers running: every image arrives whole at both, and the
// program's memory and handles stay flat. Five hundred in every run; TAVRO_SOAK_EXPOSURES asks
// for more (docs/benchmarks.md has the long run).
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/pictures.h"

using namespace e2e;

namespace {

const int EXPOSURES = 500;
const int SETTLED = 100; // by then every cache and lazy allocation has been made
const int COLUMNS = 456;
const int ROWS = 684;
// One leaked image is 312 KB; the tolerance is well below a few of them.
const SIZE_T MEMORY_TOLERANCE = 2 * 1024 * 1024;

struct Footprint {
    SIZE_T privateBytes;
    unsigned long nextHandle; // grows only while handles leak
};

Footprint Measure(const Tavro &tavro)
{
    Footprint footprint = {};
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, tavro.ProcessId());
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    footprint.privateBytes = counters.PagefileUsage;
    CloseHandle(process);
    // Wine counts no handles; the simulated library, inside the program, probes them.
    const std::string probe = tavro.Calls("IsGVGImageGrabbed").back().results.at(2);
    footprint.nextHandle = std::stoul(probe.substr(probe.find('=') + 1));
    return footprint;
}

void ExpectFlat(const Footprint &settled, const Footprint &last)
{
    EXPECT_LT(last.privateBytes, settled.privateBytes + MEMORY_TOLERANCE)
        << settled.privateBytes << " -> " << last.privateBytes;
    EXPECT_EQ(last.nextHandle, settled.nextHandle);
    EXPECT_GT(settled.privateBytes, 0u);
    std::printf("private bytes %lu -> %lu, next handle %lu -> %lu\n",
                static_cast<unsigned long>(settled.privateBytes), static_cast<unsigned long>(last.privateBytes),
                settled.nextHandle, last.nextHandle);
}

int Exposures()
{
    const char *asked = std::getenv("TAVRO_SOAK_EXPOSURES");
    const int n = asked ? std::atoi(asked) : 0;
    return n > SETTLED ? n : EXPOSURES;
}

Picture ReceivedPicture(const std::string &file)
{
    const SavedBitmap bitmap = ReadSavedBitmap(file);
    DeleteFileA(file.c_str());
    return bitmap.valid ? bitmap.picture : Picture();
}

} // namespace

TEST(Soak, ExposuresArriveWholeAndLeakNothing)
{
    Tavro tavro;
    const std::string folder = "\"" + tavro.Folder() + "\"";
    StandIn photo("standins/fotoserver.exe", folder, "MORV_FOTO_SERVER");
    StandIn imaging("standins/quenstal.exe", folder, "TQuenstalWnd");
    tavro.Sim("TiffBusyCalls", 1);
    tavro.StartAndWait();
    tavro.Click(tavro.ControlCentre(501)); // every image is turned: a new block each time
    ASSERT_TRUE(WaitUntil([&] { return ItemVisible(tavro.Dialog(), 601); }));

    const int exposures = Exposures();
    const DWORD start = GetTickCount();
    Footprint settled = {};
    for (int n = 1; n <= exposures; ++n) {
        tavro.Sim("Exposures", n);
        SendMessageA(tavro.Main(), WM_USER, 0, 0); // returns once the image is handed over
        const std::string photoFile = tavro.Folder() + "\\foto-" + std::to_string(n) + ".bmp";
        const std::string imagingFile = tavro.Folder() + "\\quenstal-" + std::to_string(n) + ".bmp";
        const SavedBitmap received = ReadSavedBitmap(imagingFile);
        ASSERT_TRUE(received.valid) << "image " << n;
        ASSERT_TRUE(received.picture.pixels == Turned(SimulatedPicture(COLUMNS, ROWS, n), 2).pixels) << n;
        const SavedBitmap taken = ReadSavedBitmap(photoFile);
        ASSERT_TRUE(taken.valid && taken.picture.pixels == received.picture.pixels) << "image " << n;
        DeleteFileA(photoFile.c_str());
        DeleteFileA(imagingFile.c_str());
        if (n == SETTLED)
            settled = Measure(tavro);
    }
    EXPECT_EQ(ItemText(tavro.Dialog(), 104), std::to_string(exposures));
    std::printf("%d exposures in %lu s\n", exposures, (GetTickCount() - start) / 1000);
    ExpectFlat(settled, Measure(tavro));
}

// F5, and during its hand-over a trigger message with an exposure waiting: the nested grab
// delivers its own image, and each grab releases exactly the block it made.
TEST(Soak, GrabsNestedInTheHandOverOfF5DeliverBothImagesAndLeakNothing)
{
    const int REPEATS = 20, MEASURED_FROM = 5;
    Tavro tavro;
    const std::string folder = "\"" + tavro.Folder() + "\"";
    StandIn photo("standins/fotoserver.exe", folder + " --trigger", "MORV_FOTO_SERVER");
    StandIn imaging("standins/quenstal.exe", folder, "TQuenstalWnd");
    tavro.Sim("TiffBusyCalls", 1);
    tavro.StartAndWait();

    Footprint settled = {};
    for (int n = 1; n <= REPEATS; ++n) {
        // Right after a tick, so the timer cannot take the exposure before the trigger does.
        const size_t polls = tavro.Calls("IsGVGImageGrabbed").size();
        ASSERT_TRUE(tavro.WaitForCalls("IsGVGImageGrabbed", polls + 1));
        tavro.Sim("Exposures", n);
        PostMessageA(GetDlgItem(tavro.Dialog(), 101), WM_KEYDOWN, VK_F5, 1);
        ASSERT_TRUE(WaitUntil([&] { return ItemText(tavro.Dialog(), 104) == std::to_string(2 * n); }));
        if (n == MEASURED_FROM)
            settled = Measure(tavro);
    }
    ASSERT_TRUE(tavro.WaitForCalls("GVGActivate", 1 + 2 * REPEATS));

    // Fetch, reported exposure, fetch: the second grab ran inside the first one's hand-over.
    std::string order;
    for (const Call &call : tavro.Journal()) {
        if (call.name == "GetGVGDIBitmap")
            order += 'F';
        else if (call.name == "IsGVGImageGrabbed" && call.results.at(0) != "0")
            order += 'R';
    }
    std::string expected;
    for (int n = 1; n <= REPEATS; ++n)
        expected += "FRF";
    EXPECT_EQ(order, expected);

    // Fetch k draws picture k; both receivers hold each picture once.
    std::vector<Picture> drawn;
    for (int fetch = 1; fetch <= 2 * REPEATS; ++fetch)
        drawn.push_back(SimulatedPicture(COLUMNS, ROWS, fetch));
    for (const char *receiver : {"foto", "quenstal"}) {
        std::set<int> pictures;
        for (int k = 1; k <= 2 * REPEATS; ++k) {
            const Picture picture =
                ReceivedPicture(tavro.Folder() + "\\" + receiver + "-" + std::to_string(k) + ".bmp");
            for (int fetch = 1; fetch <= 2 * REPEATS; ++fetch)
                if (picture.pixels == drawn[fetch - 1].pixels)
                    pictures.insert(fetch);
        }
        EXPECT_EQ(pictures.size(), size_t(2 * REPEATS)) << receiver;
    }
    ExpectFlat(settled, Measure(tavro));
}
