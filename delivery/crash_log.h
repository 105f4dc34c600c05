// A crash leaves its trace: the exposure log's last line says where the program faulted, so
// that a crash in the vendor's library is told from a quit.
#ifndef TAVRO_CRASH_LOG_H
#define TAVRO_CRASH_LOG_H

// From now on an unhandled exception writes one line to the exposure log, then takes its
// course as before: the process ends, and Windows' error reporting sees the crash.
void LogCrashes();

#endif
