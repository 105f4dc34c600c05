#include "tests/e2e/harness.h"

#include "standins/journal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

std::string Backslashes(std::string path)
{
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string TestFolderName()
{
    const auto *info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char &c : name)
        if (c == '/')
            c = '_';
    return name;
}

struct BoxSearch {
    DWORD processId;
    const std::string *caption;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter)
{
    auto *search = reinterpret_cast<BoxSearch *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[16];
    GetClassNameA(window, className, sizeof className);
    if (processId == search->processId && std::string(className) == "#32770" &&
        WindowText(window) == *search->caption && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindProcessWindow(DWORD processId, const char *className, const char *title)
{
    for (HWND window = FindWindowExA(nullptr, nullptr, className, title); window;
         window = FindWindowExA(nullptr, window, className, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

// Viewers started by an earlier program run outlive it; each test starts without them.
void CloseViewers()
{
    WaitUntil([] {
        HWND viewer = FindWindowA("lanko", nullptr);
        if (viewer)
            PostMessageA(viewer, WM_CLOSE, 0, 0);
        return viewer == nullptr;
    });
}

} // namespace

std::string BuildPath(const std::string &relative)
{
    return Backslashes(std::string(TAVRO_BINARY_DIR) + "/" + relative);
}

std::string ReadTextFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteTextFile(const std::string &path, const std::string &text)
{
    // Written aside and renamed, so a reader never sees half a file.
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
    }
    MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string ProfilePath(const char *name)
{
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\" + name;
}

std::string IniValue(const char *file, const char *section, const char *key)
{
    std::istringstream lines(ReadTextFile(ProfilePath(file)));
    const std::string header = std::string("[") + section + "]";
    const std::string prefix = std::string(key) + "=";
    bool inSection = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[')
            inSection = _stricmp(line.c_str(), header.c_str()) == 0;
        else if (inSection && _strnicmp(line.c_str(), prefix.c_str(), prefix.size()) == 0)
            return line.substr(prefix.size());
    }
    return "<absent>";
}

bool WaitUntil(const std::function<bool()> &condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(5);
    }
    return true;
}

std::string WindowText(HWND window)
{
    char text[512] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                        5000, nullptr);
    return text;
}

RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool SameRect(HWND a, HWND b)
{
    const RECT ra = WindowRect(a), rb = WindowRect(b);
    return EqualRect(&ra, &rb) != FALSE;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool ItemVisible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

std::vector<Call> ReadJournal(const std::string &path)
{
    std::vector<Call> calls;
    std::istringstream lines(ReadTextFile(path));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        Call call;
        if (!(words >> call.time >> call.name))
            continue;
        bool afterEquals = false;
        for (std::string word; words >> word;) {
            if (word == "=")
                afterEquals = true;
            else
                (afterEquals ? call.results : call.args).push_back(word);
        }
        calls.push_back(call);
    }
    return calls;
}

Tavro::Tavro(const char *library)
{
    CloseViewers();
    folder_ = "C:\\tavro-e2e\\" + TestFolderName();
    CreateDirectoryA("C:\\tavro-e2e", nullptr);
    CreateDirectoryA(folder_.c_str(), nullptr);
    EmptyFolder(folder_);
    CopyFileA(BuildPath("shell/tavro.exe").c_str(), (folder_ + "\\tavro.exe").c_str(), FALSE);
    if (library)
        CopyFileA(BuildPath(library).c_str(), (folder_ + "\\vix32.dll").c_str(), FALSE);
    DeleteFileA(ProfilePath("tavro.ini").c_str());
    DeleteFileA(ProfilePath("vixwin.ini").c_str());
    SetEnvironmentVariableA("VIXSIM_DIR", folder_.c_str());
    SetEnvironmentVariableA("LANKO_DIR", folder_.c_str());
    WriteSimSettings();
}

Tavro::~Tavro()
{
    if (Running())
        Terminate();
    if (processInfo_.hProcess) {
        CloseHandle(processInfo_.hProcess);
        CloseHandle(processInfo_.hThread);
    }
    CloseViewers();
}

bool Tavro::Terminate()
{
    return TerminateProcess(processInfo_.hProcess, 1) && WaitForExit();
}

void Tavro::Sim(const std::string &key, long long value) { Sim(key, std::to_string(value)); }

void Tavro::Sim(const std::string &key, const std::string &value)
{
    for (auto &setting : sim_)
        if (setting.first == key) {
            setting.second = value;
            WriteSimSettings();
            return;
        }
    sim_.emplace_back(key, value);
    WriteSimSettings();
}

void Tavro::WriteSimSettings() const
{
    std::string text;
    for (const auto &setting : sim_)
        text += setting.first + "=" + setting.second + "\r\n";
    WriteTextFile(folder_ + "\\vixsim.ini", text);
}

void Tavro::AddViewer() const
{
    CopyFileA(BuildPath("standins/lanko.exe").c_str(), (folder_ + "\\lanko.exe").c_str(), FALSE);
}

void Tavro::Start(int showCommand)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    std::string commandLine = "\"" + folder_ + "\\tavro.exe\"";
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder_.c_str(), &startup, &processInfo_))
        << "error " << GetLastError() << ", " << commandLine
        << (GetFileAttributesA((folder_ + "\\tavro.exe").c_str()) == INVALID_FILE_ATTRIBUTES ? " is missing" : "");
}

void Tavro::StartAndWait()
{
    Start();
    ASSERT_TRUE(WaitUntil([this] { return FindWindows(); })) << "the control dialog did not appear";
    // The hardware is opened right after the windows appear.
    ASSERT_TRUE(WaitForCalls("InstallHandler"));
    ASSERT_TRUE(WaitUntil([this] { return !ItemText(dialog_, 103).empty(); }));
}

bool Tavro::FindWindows()
{
    dialog_ = FindProcessWindow(ProcessId(), "#32770", "Acquisizione da sensore");
    main_ = FindProcessWindow(ProcessId(), "Tavro", "Tavro");
    return dialog_ && main_ && IsWindowVisible(dialog_) && IsWindowVisible(main_);
}

bool Tavro::WaitForExit(DWORD timeoutMs)
{
    return WaitForSingleObject(processInfo_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

bool Tavro::Running() const
{
    return processInfo_.hProcess && WaitForSingleObject(processInfo_.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<Call> Tavro::Journal() const { return ReadJournal(folder_ + "\\journal.txt"); }

std::vector<Call> Tavro::Calls(const std::string &name) const
{
    std::vector<Call> calls;
    for (const Call &call : Journal())
        if (call.name == name)
            calls.push_back(call);
    return calls;
}

bool Tavro::WaitForCalls(const std::string &name, size_t count, DWORD timeoutMs) const
{
    return WaitUntil([&] { return Calls(name).size() >= count; }, timeoutMs);
}

HWND Tavro::WaitForMessageBox(const std::string &caption, DWORD timeoutMs) const
{
    BoxSearch search = {ProcessId(), &caption, nullptr};
    WaitUntil([&] {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

bool Tavro::MessageBoxOpen(const std::string &caption) const
{
    BoxSearch search = {ProcessId(), &caption, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
}

void Tavro::Click(POINT point) const
{
    const LPARAM position = MAKELPARAM(point.x, point.y);
    PostMessageA(dialog_, WM_LBUTTONDOWN, MK_LBUTTON, position);
    PostMessageA(dialog_, WM_LBUTTONUP, 0, position);
}

POINT Tavro::ControlCentre(int id) const
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog_, id), &rect);
    POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(dialog_, &centre);
    return centre;
}

bool Tavro::Input(const std::string &xdotoolCommands) const
{
    return RunUnix(folder_, "xdotool " + xdotoolCommands, WAIT_MS);
}

bool Tavro::ClickScreen(POINT screen) const
{
    return Input("mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y) + " click 1");
}

bool Tavro::FocusDialog() const
{
    const POINT top = ScreenCentre(500), bottom = ScreenCentre(502);
    return ClickScreen(POINT{top.x, (top.y + bottom.y) / 2});
}

POINT Tavro::ScreenCentre(int id) const
{
    POINT centre = ControlCentre(id);
    ClientToScreen(dialog_, &centre);
    return centre;
}

POINT Tavro::MenuBarFile() const
{
    POINT client = {0, 0};
    ClientToScreen(dialog_, &client);
    return POINT{client.x + 12, client.y - GetSystemMetrics(SM_CYMENU) / 2};
}

HWND Tavro::WaitForOpenMenu(DWORD timeoutMs) const
{
    HWND menu = nullptr;
    WaitUntil([&] {
        menu = FindProcessWindow(ProcessId(), "#32768", nullptr);
        return menu && IsWindowVisible(menu);
    }, timeoutMs);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

std::vector<Tavro::MenuItem> Tavro::OpenMenuItems() const
{
    // The simulated library, inside the program, reads the open menu on a poll.
    const size_t before = Calls("OpenMenu").size();
    PostMessageA(main_, WM_USER, 0, 0);
    std::vector<MenuItem> items;
    if (!WaitForCalls("OpenMenu", before + 1))
        return items;
    const std::vector<std::string> words = Calls("OpenMenu").back().results;
    for (const std::string &word : words) {
        MenuItem item = {};
        if (std::sscanf(word.c_str(), "%ld,%ld,%ld,%ld,%u,%d", &item.rect.left, &item.rect.top, &item.rect.right,
                        &item.rect.bottom, &item.command, &item.greyed) == 6)
            items.push_back(item);
    }
    return items;
}

POINT Tavro::OpenMenuItem(int n) const
{
    const std::vector<MenuItem> items = OpenMenuItems();
    if (n < 0 || static_cast<size_t>(n) >= items.size())
        return POINT{-1, -1};
    const RECT &r = items[n].rect;
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool Tavro::OpenMenuOffers(UINT command) const
{
    for (const MenuItem &item : OpenMenuItems())
        if (item.command == command)
            return !item.greyed;
    return false;
}

std::string MessageBoxText(HWND box) { return ItemText(box, 65535); }

void DismissMessageBox(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }

StandIn::StandIn(const std::string &program, const std::string &arguments, const char *windowClass)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + BuildPath(program) + "\" " + arguments;
    EXPECT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &processInfo_));
    EXPECT_TRUE(WaitUntil([&] {
        window_ = FindProcessWindow(processInfo_.dwProcessId, windowClass, nullptr);
        return window_ != nullptr;
    })) << program << " did not open its window";
}

StandIn::~StandIn()
{
    if (!processInfo_.hProcess)
        return;
    if (WaitForSingleObject(processInfo_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(processInfo_.hProcess, 1);
        WaitForSingleObject(processInfo_.hProcess, WAIT_MS);
    }
    CloseHandle(processInfo_.hProcess);
    CloseHandle(processInfo_.hThread);
}

bool StandIn::WaitForExit(DWORD timeoutMs) const
{
    return WaitForSingleObject(processInfo_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

} // namespace e2e
