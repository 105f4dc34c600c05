// The real tavro-verifica.exe /S beside tavro.exe, each check in its good and its faulty
// state: the line that verifica.txt must hold, and the exit code that counts the errors.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <functional>
#include <memory>

#include "standins/journal.h"
#include "tests/data_folders.h"
#include "tests/e2e/exposures.h"
#include "verifica/verifica_resource.h"

using namespace e2e;

namespace {

std::string LocalAppData()
{
    char base[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base);
    return base;
}

int Count(const std::string &text, const std::string &part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// A path moved aside for one test, and given back at its end.
class Aside {
public:
    explicit Aside(std::string path) : path_(std::move(path)), moved_(MoveFileA(path_.c_str(), (path_ + "-aside").c_str()))
    {
    }
    ~Aside()
    {
        const DWORD attributes = GetFileAttributesA(path_.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            EmptyFolder(path_);
            RemoveDirectoryA(path_.c_str());
        } else {
            DeleteFileA(path_.c_str());
        }
        if (moved_)
            MoveFileA((path_ + "-aside").c_str(), path_.c_str());
    }

private:
    std::string path_;
    bool moved_;
};

// A started check, ended by force when a test stops before it ended by itself.
class Started {
public:
    explicit Started(const PROCESS_INFORMATION &process) : process_(process) {}
    ~Started()
    {
        if (!process_.hProcess)
            return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 255);
            WaitForSingleObject(process_.hProcess, WAIT_MS);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    Started(const Started &) = delete;
    Started &operator=(const Started &) = delete;
    HANDLE Handle() const { return process_.hProcess; }

private:
    PROCESS_INFORMATION process_;
};

class Verifica : public testing::Test {
protected:
    // Runs the check silently from Tavro's folder; its exit code, with the report in report_.
    DWORD Run(const char *arguments = " /S")
    {
        for (bool temporary : {false, true})
            DeleteFileA((DataFolder(temporary) + "\\verifica.txt").c_str());
        DWORD code = 0;
        {
            const Started process(Start(arguments));
            EXPECT_EQ(WaitForSingleObject(process.Handle(), WAIT_MS), WAIT_OBJECT_0);
            GetExitCodeProcess(process.Handle(), &code);
        }
        report_ = ReadTextFile(DataFolder() + "\\verifica.txt");
        if (report_.empty())
            report_ = ReadTextFile(DataFolder(true) + "\\verifica.txt");
        EXPECT_EQ(static_cast<int>(code), Count(report_, "\r\nERRORE ")) << report_;
        return code;
    }

    PROCESS_INFORMATION Start(const char *arguments)
    {
        const std::string program = tavro_->Folder() + "\\tavro-verifica.exe";
        CopyFileA(BuildPath("verifica/tavro-verifica.exe").c_str(), program.c_str(), FALSE);
        std::string commandLine = "\"" + program + "\"" + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   tavro_->Folder().c_str(), &startup, &process));
        return process;
    }

    void UseLibrary(const char *library) { tavro_.reset(new Tavro(library)); }

    std::unique_ptr<Tavro> tavro_{new Tavro()};
    std::vector<std::unique_ptr<Aside>> asides_;
    std::string report_;
};

// The simulated library made to import a DLL that is nowhere: Windows finds it and cannot load it.
void MissingDependency(Verifica &, const std::string &folder)
{
    std::string dll = ReadTextFile(folder + "\\vix32.dll");
    const size_t name = dll.find("USER32.dll");
    ASSERT_NE(name, std::string::npos);
    dll.replace(name, 10, "USERXX.dll");
    WriteTextFile(folder + "\\vix32.dll", dll);
}

// The simulated library with the Machine field of its PE header saying the other width.
void OtherWidth(Verifica &, const std::string &folder)
{
    std::string dll = ReadTextFile(folder + "\\vix32.dll");
    const size_t machine = *reinterpret_cast<const unsigned *>(&dll[0x3C]) + 4;
    const unsigned short other = sizeof(void *) == 8 ? 0x14C : 0x8664;
    dll[machine] = static_cast<char>(other & 0xFF);
    dll[machine + 1] = static_cast<char>(other >> 8);
    WriteTextFile(folder + "\\vix32.dll", dll);
}

std::string VirtualStoreCopy(const char *name)
{
    const std::string windowsCopy = ProfilePath(name);
    const std::string folder = LocalAppData() + "\\VirtualStore";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\windows").c_str(), nullptr);
    return folder + windowsCopy.substr(windowsCopy.find('\\'));
}

struct Fault {
    const char *name;
    const char *library; // beside tavro.exe; none: no library
    std::function<void(Verifica &, const std::string &folder)> make;
    std::string line;    // the beginning of a line of the report
};

const char *const SIMULATED = "standins/vix32.dll";
const std::string OUR_WIDTH = sizeof(void *) == 8 ? "64 bit" : "32 bit";
const std::string OTHER_WIDTH = sizeof(void *) == 8 ? "32 bit" : "64 bit";

void Nothing(Verifica &, const std::string &) {}

}  // namespace

class VerificaFaults : public Verifica, public testing::WithParamInterface<Fault> {
public:
    void Make() { GetParam().make(*this, tavro_->Folder()); }
    void Keep(Aside *aside) { asides_.emplace_back(aside); }
    Tavro &Program() { return *tavro_; }
};

namespace {

void DifferingCopies(Verifica &, const std::string &)
{
    WriteTextFile(ProfilePath("vixwin.ini"), "[GXDriver]\r\nIRQ=5\r\nMemBase=0XD7\r\n");
    WriteTextFile(VirtualStoreCopy("vixwin.ini"), "[GXDriver]\r\nIRQ=7\r\nMemBase=0XD7\r\n");
}

void EqualCopies(Verifica &, const std::string &)
{
    WriteTextFile(ProfilePath("vixwin.ini"), "[GXDriver]\r\nIRQ=5\r\n");
    WriteTextFile(VirtualStoreCopy("vixwin.ini"), "[GXDriver]\r\nIRQ=5\r\n");
}

void NoImagesWaiting(Verifica &test, const std::string &)
{
    auto &faults = static_cast<VerificaFaults &>(test);
    for (bool temporary : {false, true})
        faults.Keep(new Aside(UndeliveredFolder(temporary)));
}

void OneImageWaiting(Verifica &test, const std::string &folder)
{
    NoImagesWaiting(test, folder);
    CreateDirectoryA(DataFolder().c_str(), nullptr);
    CreateDirectoryA(UndeliveredFolder().c_str(), nullptr);
    const std::string image = UndeliveredFolder() + "\\tavro-20200102-120000-000-0001.bmp";
    WriteTextFile(image, "BM");
    HANDLE file = CreateFileA(image.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    // Noon of the local time zone, which the report shows.
    SYSTEMTIME noon = {2020, 1, 4, 2, 12, 0, 0, 0};
    FILETIME local, time;
    SystemTimeToFileTime(&noon, &local);
    LocalFileTimeToFileTime(&local, &time);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// A file where the data folder should be, as a policy or a broken profile leaves it.
void DataFolderBlocked(Verifica &test, const std::string &)
{
    static_cast<VerificaFaults &>(test).Keep(new Aside(DataFolder()));
    WriteTextFile(DataFolder(), "not a folder");
}

void HardwareError(Verifica &test, const std::string &)
{
    static_cast<VerificaFaults &>(test).Program().Sim("InstallStatus", 0x30);
}

const Fault FAULTS[] = {
    {"NoLibrary", nullptr, Nothing, "ERRORE      Libreria: vix32.dll non trovata"},
    {"LibraryMissingADependency", SIMULATED, MissingDependency,
     "ERRORE      Libreria: Windows non carica C:\\tavro-e2e\\"},
    {"LibraryLackingAnEntry", "standins/vix32-nograb/vix32.dll", Nothing,
     "ERRORE      Libreria: mancano le funzioni GetGVGDIBitmap:"},
    {"LibraryOfTheOtherWidth", SIMULATED, OtherWidth, "ERRORE      Libreria: e' una DLL a " + OTHER_WIDTH},
    // Wine virtualizes no process, so the copy is not Tavro's; the copy in effect is decided
    // by the unit-tested logic.
    {"DifferingSettingsCopies", SIMULATED, DifferingCopies,
     "OK          vixwin.ini: Windows da' a questo utente C:\\windows\\vixwin.ini; la copia "},
    {"SettingsCopy", SIMULATED, EqualCopies, "OK          vixwin.ini: Windows da' a questo utente C:\\windows\\vixwin.ini; la copia "},
    {"HardwareError", SIMULATED, HardwareError,
     "ERRORE      Hardware: la libreria non apre il sensore, stato 48 \"FG NOT RESPONDING\": il frame grabber"},
    {"DataFolderBlocked", SIMULATED, DataFolderBlocked, "ERRORE      Immagini non consegnate: "},
    {"ImagesWaiting", SIMULATED, OneImageWaiting,
     "ATTENZIONE  Immagini non consegnate: 1 in attesa, la piu' vecchia del 2020-01-02 12:00"},
    {"NoImagesWaiting", SIMULATED, NoImagesWaiting, "OK          Immagini non consegnate: nessuna in attesa"},
};

void PrintTo(const Fault &fault, std::ostream *out) { *out << fault.name; }

std::string FaultName(const testing::TestParamInfo<Fault> &info) { return info.param.name; }

} // namespace

TEST_P(VerificaFaults, TheReportHoldsTheLine)
{
    UseLibrary(GetParam().library);
    Make();
    Run();
    DeleteFileA(VirtualStoreCopy("vixwin.ini").c_str());
    EXPECT_TRUE(Contains(report_, "\r\n" + GetParam().line)) << report_;
}

INSTANTIATE_TEST_SUITE_P(Table, VerificaFaults, testing::ValuesIn(FAULTS), FaultName);

TEST_F(Verifica, ReceiversRunningAreNamedWithTheirRights)
{
    StandIn photo("standins/fotoserver.exe", "\"" + tavro_->Folder() + "\"", "MORV_FOTO_SERVER");
    Run();
    EXPECT_TRUE(Contains(report_, "\r\nOK          Ricevente MORV_FOTO_SERVER: in esecuzione\r\n")) << report_;
    // Wine gives every process, the shell's too, the high level.
    EXPECT_TRUE(Contains(report_, "\r\nOK          Ricevente MORV_FOTO_SERVER, diritti: livello alto (amministratore), "
                                  "non piu' alto di Tavro\r\n"))
        << report_;
    EXPECT_TRUE(Contains(report_, "\r\nATTENZIONE  Ricevente TQuenstalWnd: non in esecuzione")) << report_;
}

// Two programs must never hold the sensor: the check leaves it to the running Tavro.
TEST_F(Verifica, WithTavroRunningTheLibraryIsLeftAlone)
{
    tavro_->StartAndWait();
    Run();
    EXPECT_TRUE(Contains(report_, "\r\nATTENZIONE  Hardware: Tavro e' in esecuzione")) << report_;
    EXPECT_EQ(tavro_->Calls("InstallHandler").size(), 1u);
}

// The folders are looked at as they are: one that is missing stays so, and is named as such.
TEST_F(Verifica, LookingAtAMissingFolderMakesNone)
{
    Aside undelivered(UndeliveredFolder()), fallback(UndeliveredFolder(true));
    Run();
    EXPECT_TRUE(Contains(report_, "\r\nOK          Immagini non consegnate: " + UndeliveredFolder() + ", non ancora creata"))
        << report_;
    EXPECT_EQ(GetFileAttributesA(UndeliveredFolder().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(UndeliveredFolder(true).c_str()), INVALID_FILE_ATTRIBUTES);
}

// The simulated library as the demonstration installs it: a line of each check that finds
// nothing else to say, and the sensor opened and closed again.
TEST_F(Verifica, TheSimulatedInstallationHasALineOfEachCheck)
{
    Run();
    const std::string lines[] = {"OK          Libreria: trovata C:\\tavro-e2e\\",
                                 "OK          Libreria: presenti tutte le 11 funzioni",
                                 "ERRORE      Libreria: e' la libreria SIMULATA",
                                 "OK          Libreria: DLL a " + OUR_WIDTH,
                                 "OK          Hardware: aperto e chiuso, Gendex CCD38 (tipo 54)",
                                 "ATTENZIONE  Ricevente TQuenstalWnd: non in esecuzione",
                                 "OK          Registro delle esposizioni: "};
    for (const std::string &line : lines)
        EXPECT_TRUE(Contains(report_, "\r\n" + line)) << line << "\n" << report_;
    const std::vector<Call> journal = tavro_->Journal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].name, "InstallHandler");
    EXPECT_EQ(journal[1].name, "RemoveHandler");
}

namespace {

std::string EditText(HWND edit)
{
    std::string text(65536, '\0');
    DWORD_PTR length = 0;
    SendMessageTimeoutA(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, 5000,
                        &length);
    text.resize(length);
    return text;
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (const char *bytes = data ? static_cast<const char *>(GlobalLock(data)) : nullptr) {
        text = bytes;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

POINT CentreOf(HWND control)
{
    const RECT rect = WindowRect(control);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

} // namespace

// As the practice's IT meets it: the report in a window, scrolled with the keyboard, copied
// with the button, closed with the other.
TEST_F(Verifica, TheReportWindowShowsScrollsAndCopiesTheReport)
{
    if (UnixPath("C:\\").empty())
        GTEST_SKIP() << "needs Wine's Unix side for xdotool";
    const Started process(Start(""));
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        window = FindWindowA(VERIFICA_WINDOW_CLASS, nullptr);
        return window && IsWindowVisible(window);
    }));
    HWND edit = GetDlgItem(window, IDC_REPORT);
    ASSERT_TRUE(WaitUntil([&] { return !EditText(edit).empty(); }));
    const std::string shown = EditText(edit);
    const std::string saved = ReadTextFile(DataFolder() + "\\verifica.txt");
    EXPECT_EQ(shown.substr(0, saved.size()), saved);
    EXPECT_TRUE(Contains(shown, "Rapporto salvato in " + DataFolder() + "\\verifica.txt"));
    EXPECT_TRUE(Contains(WindowText(window), "Verifica installazione - Tavro: 1 errore")) << WindowText(window);

    // Made small, as on a small screen: the report no longer fits and scrolls.
    SetWindowPos(window, nullptr, 0, 0, 500, 200, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(tavro_->ClickScreen(CentreOf(edit)));
    ASSERT_TRUE(tavro_->Input("key ctrl+End"));
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0) > 0; }));

    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    ASSERT_TRUE(tavro_->ClickScreen(CentreOf(GetDlgItem(window, IDC_COPY))));
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == shown; }));

    ASSERT_TRUE(tavro_->ClickScreen(CentreOf(GetDlgItem(window, IDC_CLOSE))));
    ASSERT_EQ(WaitForSingleObject(process.Handle(), WAIT_MS), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.Handle(), &code);
    EXPECT_EQ(code, 1u); // the simulated library
}
