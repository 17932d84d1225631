#pragma once

#include <ostream>
#include <string>

#include "cli/report/run_report.h"

// A run as one self-contained HTML page: its own style inline, no script, no
// font, image or link to anywhere else, so it opens from a file share with no
// network. Header (image, times, host, options, waves), the devices (failures
// first), a timeline of every device coloured by phase; readable printed and
// on a narrow screen.
void WriteHtmlReport(const RunReport& report, std::ostream& out);

// text as well-formed UTF-8 (each byte of a broken sequence becomes U+FFFD,
// control characters too; tab, CR and LF become spaces) with & < > " '
// escaped, for element text and attribute values alike.
std::string HtmlEscape(const std::string& text);

// "0.8 s", "42.5 s", "3 min 05 s", "2 h 04 min".
std::string DurationText(double seconds);
