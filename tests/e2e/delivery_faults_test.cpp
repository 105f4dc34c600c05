// Receivers and libraries that misbehave, and Windows ending the session or starting Tavro
// twice: the image still arrives somewhere or is kept, and the log says what happened. The
// program neither crashes nor hangs.
#include <gtest/gtest.h>

#include <set>

#include "tests/data_folders.h"
#include "tests/e2e/exposures.h"

using namespace e2e;

namespace {

const int COLUMNS = 456;
const int ROWS = 684;

std::set<std::string> UndeliveredFiles(bool temporary = false)
{
    std::set<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((UndeliveredFolder(temporary) + "\\*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do
        files.insert(UndeliveredFolder(temporary) + "\\" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

// What the log gained since the length it had.
std::string LoggedSince(size_t length, bool temporary = false)
{
    const std::string log = ReadTextFile(ExposureLogPath(temporary));
    return log.size() > length ? log.substr(length) : std::string();
}

class Faults : public ExposureTest {
protected:
    void SetUp() override
    {
        before = UndeliveredFiles();
        logged = ReadTextFile(ExposureLogPath()).size();
    }
    std::vector<std::string> NewUndelivered() const
    {
        std::vector<std::string> added;
        for (const std::string &file : UndeliveredFiles())
            if (!before.count(file))
                added.push_back(file);
        return added;
    }
    std::set<std::string> before;
    size_t logged = 0;
};

} // namespace

TEST_F(Faults, WithoutReceiversTheImageIsKeptOnDiskAndTheOperatorToldUntilTheNextExposure)
{
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    const auto kept = NewUndelivered();
    ASSERT_EQ(kept.size(), 1u);
    // The block as the receivers would have had it: restored header, acquisition palette, pixels.
    const SavedBitmap bitmap = ReadSavedBitmap(kept[0]);
    ASSERT_TRUE(bitmap.valid);
    const BITMAPINFOHEADER header = {40, COLUMNS, ROWS, 1, 8, BI_RGB, COLUMNS * ROWS, 0, 0, 256, 0};
    EXPECT_EQ(memcmp(&bitmap.header, &header, sizeof header), 0);
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(bitmap.palette.at(i).rgbRed == i && bitmap.palette.at(i).rgbBlue == i &&
                    bitmap.palette.at(i).rgbReserved == 1) << i;
    EXPECT_TRUE(bitmap.picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    EXPECT_EQ(ReadTextFile(kept[0]).size(), sizeof(BITMAPFILEHEADER) + 1064 + COLUMNS * ROWS);
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

// An image that is not on the clipboard is not announced: the photo server would take what is.
TEST_F(Faults, ABusyClipboardTellsThePhotoServerNothingAndTheImageIsSaved)
{
    StandIn photo("standins/fotoserver.exe", QuotedFolder(), "MORV_FOTO_SERVER");
    tavro.StartAndWait();
    ASSERT_TRUE(OpenClipboard(nullptr));
    Expose();
    CloseClipboard();
    ASSERT_TRUE(Counted(1));
    EXPECT_FALSE(Contains(PhotoRecord(), "command"));
    EXPECT_EQ(NewUndelivered().size(), 1u);
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

TEST_F(Faults, TheLogNamesWhatBecameOfEachExposure)
{
    {
        StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
        tavro.StartAndWait();
        Expose();
        ASSERT_TRUE(Counted(1));
    }
    ASSERT_TRUE(WaitUntil([] { return !FindWindowA("TQuenstalWnd", nullptr); }));
    Expose();
    ASSERT_TRUE(Counted(2));
    tavro.Sim("DibStatus", 0x2A);
    Expose();
    PostMessageA(tavro.Dialog(), WM_COMMAND, 101, 0); // "&Esci"
    ASSERT_TRUE(tavro.WaitForExit());
    const auto kept = NewUndelivered();
    ASSERT_EQ(kept.size(), 1u);
    DeleteFileA(kept[0].c_str());

    const std::string log = LoggedSince(logged);
    for (const std::string &line : {
             "Avvio: libreria " + tavro.Folder() + "\\vix32.dll, versione 4.2.0.17",
             std::string("Apertura dell'hardware: Gendex CCD38, stato 0"),
             std::string("Esposizione 1: 456 x 684, rotazione 0 gradi; MORV_FOTO_SERVER: non in esecuzione; "
                         "TQuenstalWnd: presa"),
             std::string("Esposizione 2: 456 x 684, rotazione 0 gradi; MORV_FOTO_SERVER: non in esecuzione; "
                         "TQuenstalWnd: non in esecuzione"),
             "Esposizione 2 non consegnata: salvata in " + kept[0],
             std::string("Lettura dell'immagine non riuscita: stato 42 (CANNOT WRITE TIFF FILE)"),
             std::string("Uscita"),
         })
        EXPECT_TRUE(Contains(log, line)) << line << "\n" << log;
    // Each line begins with its local date and time.
    ASSERT_GE(log.size(), 20u);
    EXPECT_EQ(log[4], '-');
    EXPECT_EQ(log.substr(10, 1) + log.substr(13, 1) + log.substr(16, 1), " ::");
}

// An image the receiver took but answered for too late is kept on disk too: never lost.
TEST_F(Faults, AReceiverThatAnswersAfterTheTimeOutLosesNoImage)
{
    StandIn imaging("standins/quenstal.exe", QuotedFolder() + " --late", "TQuenstalWnd");
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    const auto kept = NewUndelivered();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(ReadSavedBitmap(kept[0]).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    DeleteFileA(kept[0].c_str());
    EXPECT_TRUE(Contains(LoggedSince(logged), "TQuenstalWnd: nessuna risposta entro 4 s"));
    const size_t polls = tavro.Calls("IsGVGImageGrabbed").size();
    EXPECT_TRUE(tavro.WaitForCalls("IsGVGImageGrabbed", polls + 2)) << "the timer polls on";
}

enum LogBlock { FOLDER_IN_ITS_PLACE, READ_ONLY, LOCKED };

// Puts the log aside and blocks its path; gives both back when it ends.
class BlockedLog {
public:
    explicit BlockedLog(LogBlock block) : path_(ExposureLogPath()), aside_(path_ + ".aside")
    {
        MoveFileExA(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING);
        if (block == FOLDER_IN_ITS_PLACE) {
            CreateDirectoryA(path_.c_str(), nullptr);
            return;
        }
        WriteTextFile(path_, "kept\r\n");
        if (block == READ_ONLY)
            SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY);
        else
            lock_ = CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ~BlockedLog()
    {
        if (lock_ != INVALID_HANDLE_VALUE)
            CloseHandle(lock_);
        SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryA(path_.c_str());
        DeleteFileA(path_.c_str());
        MoveFileA(aside_.c_str(), path_.c_str());
    }
    bool Locked() const { return lock_ != INVALID_HANDLE_VALUE; }

private:
    std::string path_, aside_;
    HANDLE lock_ = INVALID_HANDLE_VALUE;
};

class UnwritableLog : public Faults, public testing::WithParamInterface<LogBlock> {};

TEST_P(UnwritableLog, ChangesNothingElse)
{
    BlockedLog blocked(GetParam());
    ASSERT_TRUE(GetParam() != LOCKED || blocked.Locked());
    tavro.StartAndWait();
    Expose();
    ASSERT_TRUE(Counted(1));
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Non consegnata: salvata");
    const auto kept = NewUndelivered();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(ReadSavedBitmap(kept[0]).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    DeleteFileA(kept[0].c_str());
    StandIn imaging("standins/quenstal.exe", QuotedFolder(), "TQuenstalWnd");
    Expose();
    ASSERT_TRUE(Counted(2));
    EXPECT_TRUE(Imaging(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 2).pixels);
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Attesa raggi...");
}

std::string BlockName(const testing::TestParamInfo<LogBlock> &info)
{
    const char *const names[] = {"FolderInItsPlace", "ReadOnly", "Locked"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Blocks, UnwritableLog, testing::Values(FOLDER_IN_ITS_PLACE, READ_ONLY, LOCKED), BlockName);

// A file where the data folder should be: images and log go to the temporary folder.
TEST_F(Faults, ADataFolderThatCannotBeMadeFallsBackToTheTemporaryFolder)
{
    const std::string folder = DataFolder(), aside = folder + "-aside";
    const bool moved = MoveFileA(folder.c_str(), aside.c_str()) != 0;
    WriteTextFile(folder, "not a folder");
    const auto beforeInTemp = UndeliveredFiles(true);
    const size_t loggedInTemp = ReadTextFile(ExposureLogPath(true)).size();

    tavro.StartAndWait();
    Expose();
    const bool counted = Counted(1);
    std::vector<std::string> kept;
    for (const std::string &file : UndeliveredFiles(true))
        if (!beforeInTemp.count(file))
            kept.push_back(file);
    const std::string log = LoggedSince(loggedInTemp, true);
    DeleteFileA(folder.c_str());
    if (moved)
        MoveFileA(aside.c_str(), folder.c_str());

    ASSERT_TRUE(counted);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(ReadSavedBitmap(kept[0]).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    DeleteFileA(kept[0].c_str());
    EXPECT_TRUE(Contains(log, "Esposizione 1 non consegnata: salvata in " + kept[0])) << log;
    EXPECT_EQ(ItemText(tavro.Dialog(), 103), "Non consegnata: salvata");
}

namespace {

std::string LastLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text.substr(text.find_last_of('\n') + 1); // npos + 1: the whole text
}

} // namespace

// Windows ends the session while a receiver keeps the hand-over waiting, and then ends the
// process as soon as WM_ENDSESSION returns. Wine does not end it: the test does.
TEST_F(Faults, TheSessionsEndDuringAHandOverKeepsTheImageOnDisk)
{
    StandIn imaging("standins/quenstal.exe", QuotedFolder() + " --hang", "TQuenstalWnd");
    tavro.StartAndWait();
    tavro.Sim("Exposures", 1);
    PostMessageA(tavro.Main(), WM_USER, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return Contains(ImagingRecord(), "hanging"); }));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(tavro.Main(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 3000, &answer));
    EXPECT_EQ(answer, 1u);
    ASSERT_TRUE(SendMessageTimeoutA(tavro.Main(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 3000, &answer));
    ASSERT_TRUE(tavro.Terminate());

    const auto kept = NewUndelivered();
    ASSERT_EQ(kept.size(), 1u);
    const SavedBitmap bitmap = ReadSavedBitmap(kept[0]);
    EXPECT_TRUE(bitmap.picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
    EXPECT_EQ(ReadTextFile(kept[0]).size(), sizeof(BITMAPFILEHEADER) + 1064 + COLUMNS * ROWS);
    DeleteFileA(kept[0].c_str());
    const std::string log = LoggedSince(logged);
    EXPECT_TRUE(Contains(log, "Esposizione 1 non consegnata alla fine della sessione di Windows: salvata in " +
                                  kept[0])) << log;
    EXPECT_TRUE(Contains(LastLine(log), "Uscita")) << log;
}

// Started again, by a double click too many: the running program comes to the front, and
// the second leaves the sensor, the settings and the receivers alone.
TEST_F(Faults, ASecondStartBringsTheRunningTavroForwardAndEnds)
{
    StandIn photo("standins/fotoserver.exe", QuotedFolder(), "MORV_FOTO_SERVER");
    tavro.StartAndWait();
    const std::string settings = ReadTextFile(ProfilePath("tavro.ini"));
    PostMessageA(tavro.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(tavro.Main()) != 0; }));

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION second = {};
    std::string commandLine = "\"" + tavro.Folder() + "\\tavro.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, tavro.Folder().c_str(),
                               &startup, &second));
    const bool ended = WaitForSingleObject(second.hProcess, WAIT_MS) == WAIT_OBJECT_0;
    DWORD code = 1;
    GetExitCodeProcess(second.hProcess, &code);
    if (!ended)
        TerminateProcess(second.hProcess, 1);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    ASSERT_TRUE(ended);
    EXPECT_EQ(code, 0u);

    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(tavro.Main()) && IsWindowVisible(tavro.Dialog()); }));
    EXPECT_EQ(tavro.Calls("InstallHandler").size(), 1u);
    EXPECT_FALSE(Contains(PhotoRecord(), "deleteresource"));
    EXPECT_EQ(ReadTextFile(ProfilePath("tavro.ini")), settings);
    Expose();
    ASSERT_TRUE(Counted(1));
    EXPECT_TRUE(Photo(1).picture.pixels == SimulatedPicture(COLUMNS, ROWS, 1).pixels);
}

// The vendor's library faults inside a call: the log's last line says where, for IT.
TEST_F(Faults, ACrashInTheLibraryIsTheLogsLastLine)
{
    tavro.StartAndWait();
    tavro.Sim("FaultInFetch", 1);
    tavro.Sim("Exposures", 1);
    PostMessageA(tavro.Main(), WM_USER, 0, 0);
    ASSERT_TRUE(tavro.WaitForExit(30000));
    const std::string line = LastLine(LoggedSince(logged));
    EXPECT_TRUE(Contains(line, "Arresto imprevisto: eccezione 0xC0000005 in vix32.dll+0x")) << line;
    EXPECT_TRUE(line.size() > 20 && line[4] == '-') << line; // dated as every line
}
