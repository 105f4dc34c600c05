// Five hundred exposures in a row with both receivers running: every image arrives whole at
// both, and the program's memory and handles stay flat.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include "tests/e2e/harness.h"
#include "tests/e2e/pictures.h"

using namespace e2e;

namespace {

const int EXPOSURES = 500;
const int SETTLED = 50; // by then every cache and lazy allocation has been made
const int COLUMNS = 456;
const int ROWS = 684;

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

} // namespace

TEST(Soak, FiveHundredExposuresArriveWholeAndLeakNothing)
{
    Tavro tavro;
    const std::string folder = "\"" + tavro.Folder() + "\"";
    StandIn photo("standins/fotoserver.exe", folder, "MORV_FOTO_SERVER");
    StandIn imaging("standins/quenstal.exe", folder, "TQuenstalWnd");
    tavro.Sim("TiffBusyCalls", 1);
    tavro.StartAndWait();
    tavro.Click(tavro.ControlCentre(501)); // every image is turned: a new block each time
    ASSERT_TRUE(WaitUntil([&] { return ItemVisible(tavro.Dialog(), 601); }));

    Footprint settled = {};
    for (int n = 1; n <= EXPOSURES; ++n) {
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
    EXPECT_EQ(ItemText(tavro.Dialog(), 104), std::to_string(EXPOSURES));

    const Footprint last = Measure(tavro);
    // One leaked image would be 312 KB per exposure, 140 MB over the run.
    EXPECT_LT(last.privateBytes, settled.privateBytes + 2 * 1024 * 1024)
        << settled.privateBytes << " -> " << last.privateBytes;
    EXPECT_EQ(last.nextHandle, settled.nextHandle);
    EXPECT_GT(settled.privateBytes, 0u);
}
