// Journal lines written by the stand-ins: "<milliseconds> <text>". The time is the
// performance counter, one monotonic clock for all Wine processes, so journals of
// different processes can be ordered. Each line is appended and the file closed again,
// so another process may read the journal at any moment.
#ifndef TAVRO_STANDINS_JOURNAL_H
#define TAVRO_STANDINS_JOURNAL_H

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

inline std::string JoinPath(const std::string &folder, const char *name)
{
    if (folder.empty()) return name;
    const char last = folder.back();
    return folder + (last == '\\' || last == '/' ? "" : "\\") + name;
}

inline std::string FullPath(const char *path)
{
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : std::string(path);
}

inline std::string ModuleFolder(HMODULE module)
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    std::string folder(path, n < sizeof path ? n : 0);
    const size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

// Deletes the files of a folder, leaving its subfolders: a fresh start for a run.
inline void EmptyFolder(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA(JoinPath(folder, found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
}

inline void Journal(const std::string &path, const char *format, ...)
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const unsigned long long f = frequency.QuadPart, c = counter.QuadPart;
    const unsigned long long us = c / f * 1000000ULL + c % f * 1000000ULL / f;

    char line[1024];
    int n = std::snprintf(line, sizeof line, "%llu.%03llu ", us / 1000, us % 1000);
    va_list args;
    va_start(args, format);
    const int text = std::vsnprintf(line + n, sizeof line - n - 1, format, args);
    va_end(args);
    n = text < 0 ? n : std::min<int>(n + text, sizeof line - 2);
    line[n++] = '\n';

    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    SetFilePointer(file, 0, nullptr, FILE_END);
    WriteFile(file, line, n, &written, nullptr);
    CloseHandle(file);
}

#endif
