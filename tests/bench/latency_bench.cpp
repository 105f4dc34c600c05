// Exposure-to-delivery latency: from the library reporting an image to the receivers holding
// it, read from the journals' shared clock. A benchmark, run by scripts/bench-report.sh, or by
// hand in a Wine session of scripts/wine-session.sh:
//   "$TAVRO_WINE" build/tests/bench/latency_bench.exe
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/e2e/harness.h"

using namespace e2e;

namespace {

const int EXPOSURES = 41;

// Times of the lines of a stand-in's record that contain the word, in order.
std::vector<double> Times(const std::string &record, const std::string &word)
{
    std::vector<double> times;
    size_t start = 0;
    while (start < record.size()) {
        const size_t end = record.find('\n', start);
        const std::string line = record.substr(start, end - start);
        if (line.find(word) != std::string::npos)
            times.push_back(std::stod(line));
        start = end == std::string::npos ? record.size() : end + 1;
    }
    return times;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

void Measure(int columns, int rows, bool imaging)
{
    Tavro tavro;
    const std::string folder = "\"" + tavro.Folder() + "\"";
    StandIn photo("standins/fotoserver.exe", folder, "MORV_FOTO_SERVER");
    std::unique_ptr<StandIn> imagingApp;
    if (imaging)
        imagingApp.reset(new StandIn("standins/quenstal.exe", folder, "TQuenstalWnd"));
    WriteTextFile(ProfilePath("vixwin.ini"), "[Dimension]\r\nIMAGECOLUMNS=" + std::to_string(columns) +
                                                 "\r\nIMAGEROWS=" + std::to_string(rows) + "\r\n");
    // No side file: the simulated TIFF writing is not the program's time.
    tavro.Sim("TiffPath", "none");
    tavro.Sim("TiffBusyCalls", 0);
    tavro.StartAndWait();
    tavro.Click(tavro.ControlCentre(501));
    for (int n = 1; n <= EXPOSURES; ++n) {
        tavro.Sim("Exposures", n);
        SendMessageA(tavro.Main(), WM_USER, 0, 0);
    }
    std::vector<double> reported;
    for (const Call &poll : tavro.Calls("IsGVGImageGrabbed"))
        if (poll.results.at(0) != "0")
            reported.push_back(poll.time);
    const auto saved = Times(ReadTextFile(tavro.Folder() + "\\fotoserver.txt"), " saved ");
    const auto copied = Times(ReadTextFile(tavro.Folder() + "\\quenstal.txt"), " copydata ");
    ASSERT_EQ(reported.size(), size_t(EXPOSURES));
    ASSERT_EQ(saved.size(), size_t(EXPOSURES));
    std::vector<double> latencies;
    for (int n = 1; n < EXPOSURES; ++n) // the first grab warms the caches up
        latencies.push_back(std::max(saved[n], imaging ? copied.at(n) : 0.0) - reported[n]);
    printf("%d x %d, turned a quarter, %s: median %.1f ms, best %.1f ms, worst %.1f ms\n", columns, rows,
           imaging ? "both receivers" : "photo server only", Median(latencies),
           *std::min_element(latencies.begin(), latencies.end()),
           *std::max_element(latencies.begin(), latencies.end()));
}

} // namespace

TEST(Latency, SensorImage) { Measure(456, 684, true); }

// Wine refuses copy-data messages beyond about 2 MB, so only the photo server takes these.
TEST(Latency, LargeSensorImage) { Measure(1500, 2000, false); }
