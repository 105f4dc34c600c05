// The exposure log: one dated line per event of the acquisition, so that the practice's IT
// can tell afterwards what happened to each image. esposizioni.log in the data folder.
#ifndef TAVRO_EXPOSURE_LOG_H
#define TAVRO_EXPOSURE_LOG_H

#include <windows.h>

// Appends one line, formatted as wsprintf does, after the local date and time. Never waits:
// a line that cannot be written at once is dropped, and nothing else depends on it.
void LogLine(const char *format, ...);

// The parts of a line for a writer that may neither allocate nor take a lock (the crash
// line): the log's path (MAX_PATH + 32 bytes), the date and time that begin a line (20
// characters), and the file opened and appended to as LogLine does.
bool ExposureLogPath(char *path);
int StampLine(char *line);
HANDLE OpenForAppending(const char *path);
void AppendToLog(HANDLE file, const char *line, int length);

#endif
