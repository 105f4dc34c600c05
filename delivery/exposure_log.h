// The exposure log: one dated line per event of the acquisition, so that the practice's IT
// can tell afterwards what happened to each image. esposizioni.log in the data folder.
#ifndef TAVRO_EXPOSURE_LOG_H
#define TAVRO_EXPOSURE_LOG_H

// Appends one line, formatted as wsprintf does, after the local date and time. Never waits:
// a line that cannot be written at once is dropped, and nothing else depends on it.
void LogLine(const char *format, ...);

// A last line for a writer that may neither allocate nor take a lock (a crash): the date and
// time that begin every line (20 characters), and the line written to the log kept open for it.
void KeepLogOpenForLastLine();
int StampLine(char *line);
void WriteLastLine(const char *line, int length);

#endif
