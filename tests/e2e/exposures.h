// A run of tavro.exe whose stand-in receivers keep their records and images in its folder,
// with exposures reported one at a time.
#ifndef TAVRO_E2E_EXPOSURES_H
#define TAVRO_E2E_EXPOSURES_H

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/harness.h"
#include "tests/e2e/pictures.h"

namespace e2e {

inline bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

class ExposureTest : public testing::Test {
protected:
    // The folder as a stand-in's command-line argument.
    std::string QuotedFolder() const { return "\"" + tavro.Folder() + "\""; }
    std::string PhotoRecord() const { return ReadTextFile(tavro.Folder() + "\\fotoserver.txt"); }
    std::string ImagingRecord() const { return ReadTextFile(tavro.Folder() + "\\quenstal.txt"); }
    SavedBitmap Photo(int n) const { return Received("foto", n); }
    SavedBitmap Imaging(int n) const { return Received("quenstal", n); }

    // Reports one more exposure and waits until it was fetched and the sensor armed again;
    // a receiver that hangs or a TIFF writer that never ends may take a while.
    void Expose(int code = 1)
    {
        const size_t fetches = tavro.Calls("GetGVGDIBitmap").size();
        const size_t activations = tavro.Calls("GVGActivate").size();
        tavro.Sim("GrabbedCode", code);
        tavro.Sim("Exposures", ++exposures);
        SendMessageA(tavro.Main(), WM_USER, 0, 0);
        ASSERT_TRUE(tavro.WaitForCalls("GetGVGDIBitmap", fetches + 1, 30000));
        ASSERT_TRUE(tavro.WaitForCalls("GVGActivate", activations + 1, 30000));
    }
    bool Counted(int n) const
    {
        return WaitUntil([&] { return ItemText(tavro.Dialog(), 104) == std::to_string(n); });
    }

    Tavro tavro;
    int exposures = 0;

private:
    SavedBitmap Received(const char *receiver, int n) const
    {
        return ReadSavedBitmap(tavro.Folder() + "\\" + receiver + "-" + std::to_string(n) + ".bmp");
    }
};

} // namespace e2e

#endif
