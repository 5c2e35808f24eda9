#include "history/export.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "history/history.h"
#include "platform/cp1252.h"

namespace qg::history {
namespace {

constexpr const char* kCrLf = "\r\n";

std::string Cp(std::string_view utf8) { return platform::Utf8ToCp1252(utf8); }

int ReferenceChannel(const devices::CDevice& data) {
  int ref = 0;
  for (int k = 1; k < kChannels; ++k)
    if (data.Counts[k] > data.Counts[ref]) ref = k;
  return ref;
}

// Lines are gathered and written in large pieces; each piece is one whole write.
class Output {
 public:
  Output(CHistory& h) : h_(h) { buf_.reserve(kSize + 4096); }
  void Add(std::string_view s) {
    buf_.append(s);
    if (buf_.size() >= kSize) Flush();
  }
  bool Flush() {
    if (ok_ && !buf_.empty() && !h_.Append(buf_.data(), buf_.size(), errnum_)) ok_ = false;
    buf_.clear();
    return ok_;
  }
  bool Ok() const { return ok_; }
  int Errnum() const { return errnum_; }

 private:
  static constexpr std::size_t kSize = 1 << 16;
  CHistory& h_;
  std::string buf_;
  bool ok_ = true;
  int errnum_ = 0;
};

}  // namespace

std::string TagHeaderLine(const devices::CDevice& data, bool sixteenChannels,
                          const HistoryTexts& texts) {
  const auto cut = texts.columnHeader.find('C');
  std::string line = texts.columnHeader.substr(0, cut);
  const int shown = sixteenChannels ? 16 : 8;
  for (int k = 0; k < shown; ++k) {
    line += data.Tags[k];
    const auto width = Cp(data.Tags[k]).size();
    if (width < 9) line.append(9 - width, ' ');
  }
  return line;
}

std::string DashLine(bool sixteenChannels, const HistoryTexts& texts) {
  return sixteenChannels ? texts.dashLine16 : std::string(kDashLine8);
}

std::string BaseIntervalLine(platform::DateTime interval, const HistoryTexts& texts) {
  const auto t = SafeDecode(interval);
  const std::string label = Cp(texts.baseInterval), h = Cp(texts.hours), m = Cp(texts.minutes),
                    s = Cp(texts.seconds);
  const int tenths = t.millisecond / 100;
  char buf[64];
  std::string line = label + ": ";
  if (t.hour == 0 && t.minute == 0 && t.second == 0) {
    std::snprintf(buf, sizeof buf, "0.%01d", tenths);
    line += buf + s;
  } else if (t.hour == 0 && t.minute == 0) {
    std::snprintf(buf, sizeof buf, "%d.%01d", t.second, tenths);
    line += buf + s;
  } else if (t.hour == 0) {
    std::snprintf(buf, sizeof buf, "%d", t.minute);
    line += buf + m;
    std::snprintf(buf, sizeof buf, "%02d.%01d", t.second, tenths);
    line += buf + s;
  } else {
    std::snprintf(buf, sizeof buf, "%d", t.hour);
    line += buf + h;
    std::snprintf(buf, sizeof buf, "%02d", t.minute);
    line += buf + m;
    std::snprintf(buf, sizeof buf, "%02d.%01d", t.second, tenths);
    line += buf + s;
  }
  return platform::Cp1252ToUtf8(line);
}

void FormatRawValue(std::int32_t raw, int decimals, char* out) {
  if (decimals > 3) {
    // Three decimals of a value with more: rounding needs the general formatter.
    char tmp[64];
    std::snprintf(tmp, sizeof tmp, "%8.3f ", raw / std::pow(10.0, decimals));
    std::memcpy(out, tmp, 9);  // a 16-bit value scaled down always fits 8 characters
    return;
  }
  // raw / 10^d with d decimals is raw's own digits with a point put in.
  char digits[16];
  int n = 0;
  std::uint32_t a = raw < 0 ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(raw))
                            : static_cast<std::uint32_t>(raw);
  do {
    digits[n++] = static_cast<char>('0' + a % 10);
    a /= 10;
  } while (a);
  while (n <= decimals) digits[n++] = '0';  // at least one digit before the point
  char text[24];
  int len = 0;
  if (raw < 0) text[len++] = '-';
  for (int i = n - 1; i >= 0; --i) {
    text[len++] = digits[i];
    if (i == decimals && decimals > 0) text[len++] = '.';
  }
  int pad = 8 - len;
  int o = 0;
  for (; pad > 0; --pad) out[o++] = ' ';
  std::memcpy(out + o, text, static_cast<std::size_t>(len));
  out[o + len] = ' ';
}

bool ShowsSixteenChannels(const devices::CDevice& data) {
  for (int k = 8; k < kChannels; ++k)
    if (data.Counts[k] > 0) return true;
  return false;
}

std::string ExportFileNameFor(const std::string& caption) {
  const std::string ext = ".hst";
  if (caption.size() >= ext.size() && caption.compare(caption.size() - 4, 4, ext) == 0)
    return caption.substr(0, caption.size() - 4) + ".txt";
  return caption + ".txt";
}

bool ExportGraph(const std::string& fileName, const devices::CDevice& data,
                 std::string_view tagHeaderLine, std::string_view dashLine,
                 const HistoryTexts& texts, std::string* error) {
  HistoryList list;
  CHistory* h = OpenHistory(list, HistIdOfDataSet(fileName, data), HistoryCreate, error);
  if (!h) return false;
  Output out(*h);
  char buf[256];
  std::error_code ec;
  auto full = std::filesystem::absolute(fileName, ec);
  const std::string path = ec ? fileName : full.lexically_normal().string();

  // Texts are joined, never used as formats: a tag or title with a percent sign stays as it is.
  out.Add(Cp(texts.title) + ": " + Cp(data.Title) + kCrLf);
  out.Add(Cp(texts.fileName) + ":    " + Cp(path) + kCrLf);
  out.Add(Cp(texts.firstAcquisition) + ": " + Cp(SafeDateTimeText(data.FirstAcquisition)) + kCrLf);
  out.Add(Cp(texts.lastAcquisition) + ":   " + Cp(SafeDateTimeText(data.LastAcquisition)) + kCrLf);
  std::uint32_t largest = 0;
  for (int k = 0; k < kChannels; ++k) largest = std::max(largest, data.Counts[k]);
  std::snprintf(buf, sizeof buf, ":       %u", static_cast<unsigned>(largest));
  out.Add(Cp(texts.baseIntervalCount) + buf + kCrLf);
  out.Add(Cp(BaseIntervalLine(data.BaseInterval, texts)) + kCrLf);
  out.Add(Cp(texts.serialNumber) + ":    " + Cp(data.SerialNumber) + kCrLf);
  std::snprintf(buf, sizeof buf, ": V%1d.%02d\r\n\r\n", data.FirmwareVersion / 100,
                data.FirmwareVersion % 100);
  out.Add(Cp(texts.firmwareVersion) + buf);
  out.Add(Cp(tagHeaderLine) + kCrLf);
  out.Add(Cp(dashLine) + kCrLf);

  const int ref = ReferenceChannel(data);
  const std::size_t n = data.Counts[ref];
  const bool refHasTimes =
      static_cast<std::size_t>(ref) < data.Times.size() && data.Times[ref].size() >= n;
  const std::vector<float>* values[kChannels];
  double scale[kChannels];
  for (int k = 0; k < kChannels; ++k) {
    values[k] = static_cast<std::size_t>(k) < data.Values.size() && !data.Values[k].empty()
                    ? &data.Values[k]
                    : nullptr;
    scale[k] = std::pow(10.0, data.DecimalPoint[k]);
  }
  std::string line;
  for (std::size_t i = 0; i < n && out.Ok(); ++i) {
    const auto t = SafeDecode(refHasTimes ? data.Times[ref][i] : 0.0);
    int len = std::snprintf(buf, sizeof buf, "%04zu %02d/%02d/%04d %02d:%02d:%02d.%01d ", i, t.day,
                            t.month, t.year, t.hour, t.minute, t.second, t.millisecond / 100);
    char* p = buf + len;
    for (int k = 0; k < kChannels; ++k, p += 9) {
      const bool has = values[k] && i < values[k]->size();
      const float v = has ? (*values[k])[i] : 0.0f;
      const double scaled = static_cast<double>(v) * scale[k];
      if (!has || v == devices::kNoValue || !std::isfinite(scaled)) {
        std::memset(p, ' ', 9);
        continue;
      }
      const double r = std::clamp(std::round(scaled), -32768.0, 32767.0);
      FormatRawValue(static_cast<std::int32_t>(r), data.DecimalPoint[k], p);
    }
    *p++ = '\r';
    *p++ = '\n';
    out.Add(std::string_view(buf, static_cast<std::size_t>(p - buf)));
  }
  const bool ok = out.Flush();
  if (!ok && error)
    *error = "Cannot write file \"" + fileName + "\". " + std::strerror(out.Errnum());
  CloseHistory(list, h);
  return ok;
}

}  // namespace qg::history
