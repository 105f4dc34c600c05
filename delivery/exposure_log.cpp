#include "delivery/exposure_log.h"

#include <windows.h>

#include <cstdarg>

#include "delivery/data_folder.h"

namespace {

const char LOG_NAME[] = "esposizioni";
// Some thirty thousand exposures a file; with the older files kept, at most 16 MB in all.
const DWORD LOG_LIMIT = 4 << 20;
const int OLDER_LOGS = 3;
const int LINE_SIZE = 1200; // the date, and wvsprintf's at most 1024 characters

// The log's path, or of the older file n (esposizioni-n.log) when n is not 0.
bool LogPath(int n, char *path)
{
    if (!MakeDataFolder(nullptr, path))
        return false;
    wsprintfA(path + lstrlenA(path), n ? "\\%s-%d.log" : "\\%s.log", LOG_NAME, n);
    return true;
}

// Kept open for a last line written when nothing else may run; opened again when the log
// rolls over, or it would follow the file moved aside.
HANDLE g_lastLineFile = INVALID_HANDLE_VALUE;

HANDLE OpenForAppending(const char *path)
{
    return CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void AppendToLog(HANDLE file, const char *line, int length)
{
    SetFilePointer(file, 0, nullptr, FILE_END); // where FILE_APPEND_DATA alone does not append
    DWORD written;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}

// By size, not by date: a clock set back cannot make a file grow for ever or be overwritten.
// The current file is moved aside first: while another program holds it open, nothing older
// is touched and the lines go on into it.
void RollOver()
{
    char current[MAX_PATH + 32], aside[MAX_PATH + 32], older[MAX_PATH + 32], newer[MAX_PATH + 32];
    if (!LogPath(0, current) || !LogPath(OLDER_LOGS, older))
        return;
    wsprintfA(aside, "%s.old", current);
    DeleteFileA(aside);
    if (!MoveFileA(current, aside))
        return;
    DeleteFileA(older);
    for (int n = OLDER_LOGS - 1; n >= 1; --n) {
        LogPath(n, newer);
        MoveFileA(newer, older);
        lstrcpynA(older, newer, sizeof older);
    }
    MoveFileA(aside, older);
}

bool IsFull(HANDLE file)
{
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    return low != INVALID_FILE_SIZE && (high || low >= LOG_LIMIT);
}

void ReopenLastLineFile(const char *path)
{
    if (g_lastLineFile == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(g_lastLineFile);
    g_lastLineFile = OpenForAppending(path);
}

} // namespace

int StampLine(char *line)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return wsprintfA(line, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                     now.wMinute, now.wSecond);
}

void LogLine(const char *format, ...)
{
    char line[LINE_SIZE];
    int length = StampLine(line);
    va_list arguments;
    va_start(arguments, format);
    length += wvsprintfA(line + length, format, arguments);
    va_end(arguments);
    length += wsprintfA(line + length, "\r\n");

    char path[MAX_PATH + 32];
    if (!LogPath(0, path))
        return;
    HANDLE file = OpenForAppending(path);
    if (file != INVALID_HANDLE_VALUE && IsFull(file)) {
        CloseHandle(file);
        RollOver();
        file = OpenForAppending(path);
        ReopenLastLineFile(path);
    }
    if (file == INVALID_HANDLE_VALUE)
        return;
    AppendToLog(file, line, length);
    CloseHandle(file);
}

void KeepLogOpenForLastLine()
{
    char path[MAX_PATH + 32];
    if (g_lastLineFile == INVALID_HANDLE_VALUE && LogPath(0, path))
        g_lastLineFile = OpenForAppending(path);
}

void WriteLastLine(const char *line, int length)
{
    if (g_lastLineFile != INVALID_HANDLE_VALUE)
        AppendToLog(g_lastLineFile, line, length);
}
