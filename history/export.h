#pragma once
// The text export of a file graph's data set: header lines, the tag header, a dash line and a
// line per sample, Windows-1252 with CR LF.
#include <string>
#include <string_view>

#include "devices/device.h"
#include "history/texts.h"

namespace qg::history {

// The column header cut before its first capital C, then each shown channel's tag padded with
// blanks to 9 characters. UTF-8, like every text of the program.
std::string TagHeaderLine(const devices::CDevice& data, bool sixteenChannels,
                          const HistoryTexts& texts = {});
std::string DashLine(bool sixteenChannels, const HistoryTexts& texts = {});

// The base interval line without its CR LF, e.g. "Intervalo Base entre Aquisições: 1min30.0seg".
std::string BaseIntervalLine(platform::DateTime interval, const HistoryTexts& texts = {});

// "%8.<d>f " of raw / 10^d for d = 0..3 (3 decimals for a larger d), into `out` (9 bytes).
void FormatRawValue(std::int32_t raw, int decimals, char* out);

// Whether a window of this data set would show sixteen channel panels: any of 9-16 has samples.
bool ShowsSixteenChannels(const devices::CDevice& data);

// The proposed export name: a name ending in ".hst" gets ".txt" in its place, any other name
// gets ".txt" appended. Only a final ".hst" is replaced: cutting the last four characters of a
// name that has ".hst" elsewhere ("/dados/a.hst/forno") would make a name nobody chose.
std::string ExportFileNameFor(const std::string& caption);

// Writes the export file (replacing one that exists). False, with the system error in `error`,
// when the file cannot be created or a write fails.
bool ExportGraph(const std::string& fileName, const devices::CDevice& data,
                 std::string_view tagHeaderLine, std::string_view dashLine,
                 const HistoryTexts& texts = {}, std::string* error = nullptr);

}  // namespace qg::history
