#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>

#include "cli/commands.h"
#include "cli/options.h"
#include "history/export.h"
#include "history/history.h"
#include "platform/datetime.h"

namespace qg::cli {
namespace {

namespace h = qg::history;

int Usage(std::ostream& to, const std::string& usage, const std::string& problem) {
  if (!problem.empty()) to << "quillgraph-cli: " << problem << "\n";
  to << "usage: " << usage;
  return 2;
}

// Parses FILE [OUT] and the command's own options; 0 to go on, else the exit status.
int ParseFileArgs(const Args& args, const std::set<std::string>& valued, const std::string& usage,
                  std::size_t maxWords, Options& opts, std::ostream& out, std::ostream& err,
                  bool& done) {
  done = true;
  std::string problem;
  if (!opts.Parse(args, valued, {"help"}, problem)) return Usage(err, usage, problem);
  if (opts.Has("help")) {
    Usage(out, usage, "");
    return 0;
  }
  if (opts.Words().empty()) return Usage(err, usage, "a history file is required");
  if (opts.Words().size() > maxWords)
    return Usage(err, usage, "unexpected argument " + opts.Words()[maxWords]);
  done = false;
  return 0;
}

// The loaded data set, or nothing after the message is shown.
std::unique_ptr<devices::CDevice> Load(const std::string& file, std::ostream& err) {
  auto r = h::LoadGraph(file);
  if (!r.data || r.data->ErrorCode != 0) {
    err << r.message << "\n";
    return nullptr;
  }
  return std::move(r.data);
}

// Writing the output over the history being read would destroy it.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

std::string Interval(const h::HistoryHeader& hd) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%03u", hd.Hours, hd.Minutes, hd.Seconds,
                hd.Milliseconds);
  return buf;
}

std::string Iso8601(platform::DateTime t) {
  const auto f = h::SafeDecode(t);
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", f.year, f.month, f.day,
                        f.hour, f.minute, f.second);
  if (f.millisecond) std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), ".%03d",
                                   f.millisecond);
  return buf;
}

// A text of the file as it may reach a terminal: control bytes (escape sequences, carriage
// returns) from a damaged or hostile file become question marks.
std::string Shown(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

// Padded to `width` characters (not bytes: the texts are UTF-8).
std::string Pad(const std::string& raw, std::size_t width) {
  const std::string text = Shown(raw);
  std::size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  return chars < width ? text + std::string(width - chars, ' ') : text;
}

// RFC 4180: a cell with a comma, quote or line break is quoted, its quotes doubled.
std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string q = "\"";
  for (char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

}  // namespace

int CmdInfo(const Args& args, std::ostream& out, std::ostream& err) {
  const std::string usage = "quillgraph-cli info FILE.hst\n";
  Options opts;
  bool done = false;
  if (int rc = ParseFileArgs(args, {}, usage, 1, opts, out, err, done); done) return rc;
  std::string message;
  const auto info = h::ReadHistoryInfo(opts.Words()[0], message);
  if (!info) {
    err << message << "\n";
    return 1;
  }
  const auto& hd = info->header;
  char fw[32];
  std::snprintf(fw, sizeof fw, "%1d.%02d", hd.FirmwareVersion / 100, hd.FirmwareVersion % 100);
  out << "device type:   " << Shown(hd.DeviceType) << "\n"
      << "title:         " << Shown(hd.Title) << "\n"
      << "firmware:      " << fw << "\n"
      << "serial number: " << Shown(hd.SerialNumber) << "\n"
      << "base interval: " << Interval(hd) << "\n"
      << "channels:\n"
      << "  ch present device type          device               parameter            "
         "tag        unit        dp input   low  high  mult\n";
  for (int k = 0; k < h::kChannels; ++k) {
    const auto& b = info->blocks[k];
    char line[512];
    std::snprintf(line, sizeof line, "  %2d %7u ", k + 1, b.Present);
    out << line << Pad(b.DeviceType, 20) << " " << Pad(b.DeviceName, 20) << " "
        << Pad(b.ParamName, 20) << " " << Pad(b.Tag, 10) << " " << Pad(b.Unit, 11);
    std::snprintf(line, sizeof line, " %2u %5u %5d %5d %5d\n", b.DecimalPoint, b.InputType,
                  b.LowLimit, b.HighLimit, b.Multiplier);
    out << line;
  }
  out << "records:       " << info->records << "\n";
  if (const auto tail = info->fileSize - h::kDataOffset - info->records * h::kRecordSize)
    out << "cut record:    " << tail << " bytes after the last whole record (ignored)\n";
  if (info->records > 0)
    out << "first:         " << h::SafeDateTimeText(info->firstTime) << "\n"
        << "last:          " << h::SafeDateTimeText(info->lastTime) << "\n";
  return 0;
}

int CmdExport(const Args& args, std::ostream& out, std::ostream& err) {
  const std::string usage = "quillgraph-cli export FILE.hst [OUT.txt] [--channels 8|16]\n";
  Options opts;
  bool done = false;
  if (int rc = ParseFileArgs(args, {"channels"}, usage, 2, opts, out, err, done); done) return rc;
  std::optional<long long> channels;
  std::string problem;
  if (!opts.Int("channels", 8, 16, channels, problem)) return Usage(err, usage, problem);
  if (channels && *channels != 8 && *channels != 16)
    return Usage(err, usage, "--channels takes 8 or 16");
  const std::string file = opts.Words()[0];
  const std::string target = opts.Words().size() > 1 ? opts.Words()[1] : h::ExportFileNameFor(file);
  if (SameFile(file, target)) {
    err << "quillgraph-cli: the export would overwrite " << file << "\n";
    return 1;
  }
  const auto data = Load(file, err);
  if (!data) return 1;
  const bool sixteen = channels ? *channels == 16 : h::ShowsSixteenChannels(*data);
  std::string error;
  if (!h::ExportGraph(target, *data, h::TagHeaderLine(*data, sixteen), h::DashLine(sixteen), {},
                      &error)) {
    err << error << "\n";
    return 1;
  }
  out << target << "\n";
  return 0;
}

int CmdCsv(const Args& args, std::ostream& out, std::ostream& err) {
  const std::string usage = "quillgraph-cli csv FILE.hst [OUT.csv]\n";
  Options opts;
  bool done = false;
  if (int rc = ParseFileArgs(args, {}, usage, 2, opts, out, err, done); done) return rc;
  const std::string file = opts.Words()[0];
  std::string target = opts.Words().size() > 1 ? opts.Words()[1] : file;
  if (opts.Words().size() == 1) {
    if (target.size() >= 4 && target.compare(target.size() - 4, 4, ".hst") == 0)
      target.resize(target.size() - 4);
    target += ".csv";
  }
  if (SameFile(file, target)) {
    err << "quillgraph-cli: the table would overwrite " << file << "\n";
    return 1;
  }
  const auto data = Load(file, err);
  if (!data) return 1;

  std::vector<int> used;
  int ref = 0;
  for (int k = 0; k < h::kChannels; ++k) {
    if (data->Counts[k] > 0) used.push_back(k);
    if (data->Counts[k] > data->Counts[ref]) ref = k;
  }
  std::ofstream csv(target, std::ios::binary | std::ios::trunc);
  if (!csv) {
    err << "quillgraph-cli: cannot create " << target << "\n";
    return 1;
  }
  csv << "time";
  for (int k : used) {
    std::string head = data->Tags[k].empty() ? "Canal " + std::to_string(k + 1) : data->Tags[k];
    if (!data->Units[k].empty()) head += " (" + data->Units[k] + ")";
    csv << "," << CsvCell(head);
  }
  csv << "\r\n";
  const std::size_t n = data->Counts[ref];
  for (std::size_t i = 0; i < n; ++i) {
    csv << Iso8601(data->Times[ref][i]);
    for (int k : used) {
      csv << ",";
      const float v = data->Values[k][i];
      if (v == devices::kNoValue) continue;
      const int d = data->DecimalPoint[k];
      const double r = std::round(static_cast<double>(v) * std::pow(10.0, d));
      char cell[16];
      h::FormatRawValue(static_cast<std::int32_t>(std::clamp(r, -32768.0, 32767.0)), d, cell);
      std::string_view s(cell, 9);
      s.remove_prefix(s.find_first_not_of(' '));
      s.remove_suffix(1);
      csv << s;
    }
    csv << "\r\n";
  }
  csv.close();
  if (!csv) {
    err << "quillgraph-cli: cannot write " << target << "\n";
    return 1;
  }
  out << target << "\n";
  return 0;
}

}  // namespace qg::cli
