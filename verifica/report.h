// The report: a heading with the date and the computer's name, one line per check, the
// totals. Saved as verifica.txt beside the exposure log, to be mailed to the vendor.
#ifndef TAVRO_VERIFICA_REPORT_H
#define TAVRO_VERIFICA_REPORT_H

#include <string>

#include "verifica/verdict.h"

std::string ReportText(const CheckLines &lines);
// Writes the report; its path, or empty when it could not be written.
std::string SaveReport(const std::string &text);

#endif
