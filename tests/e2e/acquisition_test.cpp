// The road of one exposure: poll, fetch, turn, hand-over to both receivers, count, re-arm.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/e2e/exposures.h"

using namespace e2e;

namespace {

const int COLUMNS = 456;
const int ROWS = 684;

class Acquisition : public ExposureTest {
protected:
    void StartReceivers()
    {
        photoServer.reset(new StandIn("standins/fotoserver.exe", QuotedFolder(), "MORV_FOTO_SERVER"));
        imagingApp.reset(new StandIn("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd"));
    }
    std::unique_ptr<StandIn> photoServer, imagingApp;
};

struct TurnCase {
    int direction;
    int orientation;
};

std::ostream &operator<<(std::ostream &out, const TurnCase &c)
{
    return out << "direction " << c.direction << ", orientation " << c.orientation;
}

class DeliveredTurn : public Acquisition, public testing::WithParamInterface<TurnCase> {};

} // namespace

TEST_P(DeliveredTurn, BothReceiversGetThePictureTurnedAsChosen)
{
    const TurnCase turn = GetParam();
    WriteTextFile(ProfilePath("vixwin.ini"), "[Acquire]\r\nDirection=" + std::to_string(turn.direction) + "\r\n");
    StartReceivers();
    tavro.StartAndWait();
    tavro.Click(tavro.ControlCentre(499 + turn.orientation));
    ASSERT_TRUE(WaitUntil([&] { return ItemVisible(tavro.Dialog(), 599 + turn.orientation); }));
    Expose();
    ASSERT_TRUE(Counted(1));

    const int code = TurnCode(turn.direction, turn.orientation);
    const Picture expected = Turned(SimulatedPicture(COLUMNS, ROWS, 1), code);
    for (const SavedBitmap &bitmap : {Photo(1), Imaging(1)}) {
        ASSERT_TRUE(bitmap.valid);
        EXPECT_EQ(bitmap.picture.width, expected.width);
        EXPECT_EQ(bitmap.picture.height, expected.height);
        EXPECT_TRUE(bitmap.picture.pixels == expected.pixels);
        EXPECT_EQ(bitmap.header.biSize, 40u);
        EXPECT_EQ(bitmap.header.biBitCount, 8);
        EXPECT_EQ(bitmap.header.biSizeImage, DWORD(((expected.width + 3) & ~3) * expected.height));
        EXPECT_EQ(bitmap.header.biClrUsed, 256u);
        // The header the library scribbled on was put back.
        EXPECT_EQ(bitmap.header.biXPelsPerMeter, 0);
        EXPECT_EQ(bitmap.header.biClrImportant, 0u);
        // A turned image carries the palette of a new image, an unturned one the acquisition's.
        EXPECT_EQ(bitmap.palette.at(200).rgbRed, 200);
        EXPECT_EQ(bitmap.palette.at(200).rgbReserved, code == 1 ? 1 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Choices, DeliveredTurn,
                         testing::Values(TurnCase{1, 1}, TurnCase{1, 2}, TurnCase{1, 3}, TurnCase{1, 4},
                                         TurnCase{2, 1}, TurnCase{4, 1}, TurnCase{3, 3}, TurnCase{0, 1},
                                         TurnCase{5, 1}));

TEST_F(Acquisition, OneExposureFollowsTheLibrarysOrderAndRemovesTheSideFile)
{
    StartReceivers();
    tavro.StartAndWait();
    Expose();
    std::vector<std::string> order;
    for (const Call &call : tavro.Journal())
        if (order.empty() ? call.name == "SetGVGConfiguration" : order.back() != call.name)
            order.push_back(call.name);
    const std::vector<std::string> expected = {"SetGVGConfiguration", "GetGVGDIBitmap", "IsGVGWriteTIFFBusy",
                                               "GVGActivate"};
    ASSERT_GE(order.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 4), expected);
    EXPECT_EQ(tavro.Calls("SetGVGConfiguration").at(0).args, (std::vector<std::string>{"1", "1", "1"}));

    const std::string sideFile = tavro.Calls("GetGVGDIBitmap").at(0).results.at(1);
    EXPECT_NE(sideFile, "-");
    EXPECT_EQ(GetFileAttributesA(sideFile.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

TEST_F(Acquisition, FiltersComeFromVixwinIni)
{
    WriteTextFile(ProfilePath("vixwin.ini"), "[Filter]\r\nLog=0\r\nEqual=1\r\nDespeck=0\r\n");
    StartReceivers();
    tavro.StartAndWait();
    Expose();
    EXPECT_EQ(tavro.Calls("SetGVGConfiguration").at(0).args, (std::vector<std::string>{"0", "1", "0"}));
}

TEST_F(Acquisition, PhotoServerGetsItsThreeCommandsInOrderAndTheCopyCarriesTheWholeBlock)
{
    StartReceivers();
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(WaitUntil([&] { return Contains(PhotoRecord(), "saved"); }));
    const std::string photo = PhotoRecord();
    const size_t first = photo.find("command 24329 0"), second = photo.find("command 24330 0"),
                 third = photo.find("command 24315 0");
    ASSERT_NE(third, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);

    const std::string imaging = ImagingRecord();
    const size_t at = imaging.find("copydata 511 ");
    ASSERT_NE(at, std::string::npos);
    const unsigned long bytes = std::stoul(imaging.substr(at + 13));
    EXPECT_GE(bytes, 1064ul + 684ul * 456ul);
    const unsigned long owner = std::stoul(imaging.substr(imaging.find(' ', at + 13) + 1));
    EXPECT_EQ(owner, reinterpret_cast<UINT_PTR>(tavro.Dialog()));
}

TEST_F(Acquisition, ImagesLeftFromBeforeAreReportedThenGrabbedWithoutReentry)
{
    StartReceivers();
    tavro.StartAndWait();
    tavro.Sim("GrabbedCode", 2);
    tavro.Sim("Exposures", 1);
    HWND box = tavro.WaitForMessageBox("Controllare le immagini.");
    ASSERT_TRUE(box);
    EXPECT_EQ(MessageBoxText(box), "Sono presenti immagini dalla precedente acquisizione");
    // Ticks go on while the box is open but must not poll again.
    const size_t polls = tavro.Calls("IsGVGImageGrabbed").size();
    tavro.Sim("GrabbedCode", 1);
    tavro.Sim("Exposures", 2);
    EXPECT_FALSE(WaitUntil([&] { return tavro.Calls("IsGVGImageGrabbed").size() > polls; }, 2500));
    EXPECT_TRUE(tavro.Calls("GetGVGDIBitmap").empty());
    DismissMessageBox(box);
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Imaging(1).valid);
}

TEST_F(Acquisition, NothingReportedChangesNothing)
{
    StartReceivers();
    tavro.StartAndWait();
    ASSERT_TRUE(tavro.WaitForCalls("IsGVGImageGrabbed", 2));
    EXPECT_TRUE(tavro.Calls("GetGVGDIBitmap").empty());
    EXPECT_EQ(tavro.Calls("GVGActivate").size(), 1u);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
    EXPECT_EQ(ItemText(tavro.Dialog(), 104), "0");
}

struct FailedFetch {
    int status;
    const char *notice; // the library's text, or the number of a code without one
};

std::ostream &operator<<(std::ostream &out, const FailedFetch &c) { return out << "status " << c.status; }

class AFailedFetch : public Acquisition, public testing::WithParamInterface<FailedFetch> {};

TEST_P(AFailedFetch, IsShownUntilTheNextExposureNotCountedAndTheSensorIsArmedAgain)
{
    StartReceivers();
    tavro.StartAndWait();
    tavro.Sim("DibStatus", GetParam().status);
    Expose();
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), GetParam().notice);
    EXPECT_EQ(ItemText(tavro.Dialog(), 104), "0");
    const size_t polls = tavro.Calls("IsGVGImageGrabbed").size();
    EXPECT_TRUE(tavro.WaitForCalls("IsGVGImageGrabbed", polls + 2)) << "the timer polls on";
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), GetParam().notice);
    EXPECT_FALSE(Contains(ImagingRecord(), "copydata"));
    tavro.Sim("DibStatus", 0);
    Expose();
    EXPECT_TRUE(Counted(1));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

INSTANTIATE_TEST_SUITE_P(Statuses, AFailedFetch,
                         testing::Values(FailedFetch{0x2A, "CANNOT WRITE TIFF FILE"},
                                         FailedFetch{0x13, "INVALID DIB BUFFER"}, FailedFetch{18, "Errore 18"}));

TEST_F(Acquisition, CounterCountsEveryImage)
{
    StartReceivers();
    tavro.StartAndWait();
    for (int n = 1; n <= 3; ++n) {
        Expose();
        EXPECT_TRUE(Counted(n));
        EXPECT_TRUE(Imaging(n).picture.pixels == SimulatedPicture(COLUMNS, ROWS, n).pixels);
    }
}

TEST_F(Acquisition, F5GrabsWithoutAReportEvenWithTheFocusOnAButton)
{
    StartReceivers();
    tavro.StartAndWait();
    PostMessageA(GetDlgItem(tavro.Dialog(), 101), WM_KEYDOWN, VK_F5, 1);
    ASSERT_TRUE(Counted(1));
    for (const Call &poll : tavro.Calls("IsGVGImageGrabbed"))
        EXPECT_EQ(poll.results.at(0), "0"); // nothing was reported: the grab came from the key
    EXPECT_TRUE(Imaging(1).valid);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

// Pillow decodes what both receivers saved and what X11 programs read from the clipboard.
TEST_F(Acquisition, IndependentDecodersSeeTheSameTurnedPicture)
{
    StartReceivers();
    tavro.StartAndWait();
    tavro.Click(tavro.ControlCentre(503));
    ASSERT_TRUE(WaitUntil([&] { return ItemVisible(tavro.Dialog(), 603); }));
    Expose();
    ASSERT_TRUE(Counted(1));
    if (UnixPath(tavro.Folder()).empty())
        GTEST_SKIP() << "needs Wine's Unix side";
    ASSERT_TRUE(RunUnix(tavro.Folder(),
                        "xclip -selection clipboard -t image/bmp -o > clipboard.bmp\n"
                        "/usr/bin/python3 " TAVRO_SOURCE_DIR "/tests/e2e/decode_bmp.py "
                        "foto-1.bmp quenstal-1.bmp clipboard.bmp > decoded.txt 2>&1",
                        WAIT_MS));

    // Pillow gives the top row first; the expected picture is stored bottom row first.
    const Picture expected = Turned(SimulatedPicture(COLUMNS, ROWS, 1), 4);
    std::string topDown;
    for (int row = expected.height - 1; row >= 0; --row)
        topDown.append(reinterpret_cast<const char *>(&expected.pixels[size_t(row) * expected.width]),
                       expected.width);
    for (const char *file : {"foto-1.bmp", "quenstal-1.bmp", "clipboard.bmp"})
        EXPECT_TRUE(ReadTextFile(tavro.Folder() + "\\" + file + ".raw") == topDown)
            << file << ": " << ReadTextFile(tavro.Folder() + "\\decoded.txt");
}
