// Receivers and libraries that misbehave: the image still arrives somewhere, and the
// program neither crashes nor hangs.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <set>

#include "tests/e2e/exposures.h"

using namespace e2e;

namespace {

const int COLUMNS = 456;
const int ROWS = 684;

std::string UndeliveredFolder()
{
    char base[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base);
    return std::string(base) + "\\Tavro\\Immagini non consegnate";
}

std::set<std::string> UndeliveredFiles()
{
    std::set<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((UndeliveredFolder() + "\\*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do
        files.insert(UndeliveredFolder() + "\\" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

class Faults : public ExposureTest {
protected:
    void SetUp() override { before = UndeliveredFiles(); }
    std::vector<std::string> NewUndelivered() const
    {
        std::vector<std::string> added;
        for (const std::string &file : UndeliveredFiles())
            if (!before.count(file))
                added.push_back(file);
        return added;
    }
    std::set<std::string> before;
};

} // namespace

TEST_F(Faults, WithoutReceiversTheImageIsKeptOnDiskAndTheOperatorToldUntilTheNextExposure)
{
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    const auto kept = NewUndelivered();
    ASSERT_EQ(kept.size(), 1u);
    const SavedBitmap bitmap = ReadSavedBitmap(kept[0]);
    ASSERT_TRUE(bitmap.valid);
    EXPECT_TRUE(bitmap.picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    DeleteFileA(kept[0].c_str());
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Non consegnata: salvata");

    const size_t polls = tavro.Calls("IsGVGImageGrabbed").size();
    EXPECT_TRUE(tavro.WaitForCalls("IsGVGImageGrabbed", polls + 2)) << "the timer polls on";
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Non consegnata: salvata");
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    Expose();
    ASSERT_TRUE(Counted(2));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 2).pixels);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
    EXPECT_TRUE(NewUndelivered().empty());
}

TEST_F(Faults, AHungPhotoServerDelaysButDoesNotStopTheImagingApplication)
{
    StandIn photo("standins/fotoserver.exe", QuotedFolder() + " --hang", "MORV_FOTO_SERVER");
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Contains(PhotoRecord(), "hanging"));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    Expose();
    ASSERT_TRUE(Counted(2));
    EXPECT_TRUE(Imaging(2).valid);
    EXPECT_TRUE(NewUndelivered().empty());
}

TEST_F(Faults, AHungImagingApplicationAloneLeavesTheImageOnDisk)
{
    StandIn imaging("standins/quenstal.exe", QuotedFolder() + " --hang", "TQuenstalWnd");
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    const auto kept = NewUndelivered();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(ReadSavedBitmap(kept[0]).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    DeleteFileA(kept[0].c_str());
}

TEST_F(Faults, APhotoServerThatEmptiesTheClipboardDoesNotSpoilTheCopy)
{
    StandIn photo("standins/fotoserver.exe", QuotedFolder() + " --empty-clipboard", "MORV_FOTO_SERVER");
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Contains(PhotoRecord(), "emptied"));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
}

TEST_F(Faults, ABusyClipboardIsSkippedButTheCommandsAreStillSent)
{
    StandIn photo("standins/fotoserver.exe", QuotedFolder(), "MORV_FOTO_SERVER");
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    tavro.StartAndWait();
    ASSERT_TRUE(OpenClipboard(nullptr));
    Expose();
    CloseClipboard();
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Contains(PhotoRecord(), "command 24315"));
    EXPECT_TRUE(Contains(PhotoRecord(), "noimage"));
    EXPECT_TRUE(Imaging(1).valid);
    EXPECT_TRUE(NewUndelivered().empty());
}

TEST_F(Faults, ATiffWriterThatNeverFinishesIsWaitedForOnlyAWhile)
{
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    tavro.Sim("TiffBusyCalls", -1);
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
}

TEST_F(Faults, ALibraryThatNamesNoSideFileStillDelivers)
{
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    tavro.Sim("TiffPath", "none");
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    EXPECT_EQ(tavro.Calls("GetGVGDIBitmap").at(0).results.at(1), "-");
    EXPECT_TRUE(Imaging(1).valid);
}

class AbsurdDimension : public Faults, public testing::WithParamInterface<const char *> {};

// No size: nothing to say. A size no block can hold: the operator is told to check vixwin.ini.
TEST_P(AbsurdDimension, FetchesNothingAndStaysArmed)
{
    WriteTextFile(ProfilePath("vixwin.ini"), std::string("[Dimension]\r\nIMAGECOLUMNS=") + GetParam() + "\r\n");
    tavro.StartAndWait();
    tavro.Sim("Exposures", 1);
    PostMessageA(tavro.Main(), WM_USER, 0, 0);
    if (std::string(GetParam()) != "0") {
        HWND box = tavro.WaitForMessageBox("Acquisizione");
        ASSERT_TRUE(box);
        EXPECT_NE(MessageBoxText(box).find("IMAGECOLUMNS"), std::string::npos) << MessageBoxText(box);
        DismissMessageBox(box);
    }
    ASSERT_TRUE(tavro.WaitForCalls("GVGActivate", 2));
    EXPECT_TRUE(tavro.Calls("GetGVGDIBitmap").empty());
    EXPECT_EQ(ItemText(tavro.Dialog(), 104), "0");
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
    EXPECT_FALSE(tavro.MessageBoxOpen("Acquisizione"));
}

INSTANTIATE_TEST_SUITE_P(Columns, AbsurdDimension, testing::Values("0", "-5", "2000000000"));

// Wine refuses copy-data messages beyond about 2 MB; the clipboard carries any size.
TEST_F(Faults, ALargeModernSensorImageArrivesWhole)
{
    StandIn server("standins/fotoserver.exe", QuotedFolder(), "MORV_FOTO_SERVER");
    WriteTextFile(ProfilePath("vixwin.ini"), "[Dimension]\r\nIMAGECOLUMNS=1500\r\nIMAGEROWS=2000\r\n");
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    const SavedBitmap photo = Photo(1);
    EXPECT_TRUE(photo.picture.pixels == SimulatedPicture(1500, 2000, 1).pixels);
    EXPECT_TRUE(NewUndelivered().empty());
}
