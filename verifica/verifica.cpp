// tavro-verifica.exe: checks Tavro's installation as the operator would run Tavro, writes the
// report as verifica.txt and shows it. With /S it only writes it, for scripts. The exit code
// is the number of errors; a report that could not be saved counts as one more.
#include <windows.h>

#include "verifica/checks.h"
#include "verifica/report.h"
#include "verifica/report_window.h"

namespace {

bool Silent(const char *commandLine)
{
    for (const char *c = commandLine; *c; ++c)
        if ((c[0] == '/' || c[0] == '-') && (c[1] == 'S' || c[1] == 's') && (!c[2] || c[2] == ' '))
            return true;
    return false;
}

void Append(CheckLines *lines, const CheckLines &more) { lines->insert(lines->end(), more.begin(), more.end()); }

CheckLines RunChecks()
{
    // The library is given a window, as in Tavro; one that only receives messages will do.
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const WindowsVersion windows = QueryWindowsVersion();
    std::string library;
    bool loadable = false;
    CheckLines lines = CheckLibrary(&library, &loadable);
    const size_t hardwareAt = lines.size();
    Append(&lines, CheckSettings(windows));
    Append(&lines, CheckReceivers(windows));
    Append(&lines, CheckDataFolders());
    Append(&lines, CheckWindows(windows));
    // Loading the library runs the vendor's code, which may stop or hang this process: a
    // report saved first tells which step it was.
    CheckLines provisional = lines;
    provisional.insert(provisional.begin() + hardwareAt, HardwareInterruptedLine());
    SaveReport(ReportText(provisional));
    const CheckLines hardware = CheckHardware(library, loadable, owner);
    lines.insert(lines.begin() + hardwareAt, hardware.begin(), hardware.end());
    DestroyWindow(owner);
    return lines;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    // No "No disk" or missing-entry-point box from the vendor's library: /S must never wait
    // for a click.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const CheckLines lines = RunChecks();
    int errors = CountOf(lines, Outcome::Error);
    std::string report = ReportText(lines);
    const std::string saved = SaveReport(report);
    if (saved.empty())
        ++errors;
    if (!Silent(commandLine)) {
        report += saved.empty() ? "\r\nRapporto non salvato: la cartella dei dati di Tavro non si puo' scrivere.\r\n"
                                : "\r\nRapporto salvato in " + saved + "\r\n";
        ShowReportWindow(instance, report, errors);
    }
    return errors;
}
