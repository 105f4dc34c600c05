#include "verifica/report.h"

#include <windows.h>

#include "delivery/data_folder.h"
#include "verifica/checks.h"
#include "version.h"

namespace {

std::string Now()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    return text;
}

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return name;
}

std::string UserName()
{
    char name[257] = "";
    DWORD size = sizeof name;
    GetUserNameA(name, &size);
    return name;
}

} // namespace

std::string ReportText(const CheckLines &lines)
{
    std::string text = "Verifica dell'installazione di Tavro " TAVRO_VERSION_TEXT "\r\n"
                       "Data: " + Now() + "\r\nComputer: " + ComputerName() + "\r\nUtente: " + UserName() +
                       "\r\nCartella: " + ProgramFolder() + "\r\n\r\n";
    for (const CheckLine &line : lines)
        text += FormatLine(line) + "\r\n";
    text += "\r\nErrori: " + std::to_string(CountOf(lines, Outcome::Error)) +
            ", avvisi: " + std::to_string(CountOf(lines, Outcome::Warning)) + "\r\n";
    return text;
}

std::string SaveReport(const std::string &text)
{
    char folder[MAX_PATH];
    if (!MakeDataFolder(nullptr, folder))
        return "";
    const std::string path = std::string(folder) + "\\verifica.txt";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    DWORD written = 0;
    const bool wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                       written == text.size();
    CloseHandle(file);
    return wrote ? path : "";
}
