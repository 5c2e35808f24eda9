#include "history/history_file.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "platform/cp1252.h"

namespace qg::history {
namespace {

void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
std::uint16_t GetU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void PutI16(std::uint8_t* p, std::int16_t v) { PutU16(p, static_cast<std::uint16_t>(v)); }
std::int16_t GetI16(const std::uint8_t* p) { return static_cast<std::int16_t>(GetU16(p)); }

void PutF64(std::uint8_t* p, double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}
double GetF64(const std::uint8_t* p) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return std::bit_cast<double>(bits);
}

// At most width - 1 bytes of Windows-1252, the rest of the field zero.
void PutText(std::uint8_t* p, std::size_t width, const std::string& utf8) {
  const auto bytes = platform::Utf8ToCp1252Field(utf8, width - 1);
  std::memset(p, 0, width);
  std::memcpy(p, bytes.data(), bytes.size());
}
// Up to the first NUL or the end of the field, whichever comes first.
std::string GetText(const std::uint8_t* p, std::size_t width) {
  std::size_t n = 0;
  while (n < width && p[n] != 0) ++n;
  return platform::Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(p), n));
}

}  // namespace

HeaderBytes EncodeHeader(const HistoryHeader& h) {
  HeaderBytes b{};
  PutText(&b[0], 20, h.DeviceType);
  PutText(&b[20], 20, h.Title);
  PutU16(&b[40], h.FirmwareVersion);
  PutText(&b[42], 20, h.SerialNumber);
  PutU16(&b[62], h.Hours);
  PutU16(&b[64], h.Minutes);
  PutU16(&b[66], h.Seconds);
  PutU16(&b[68], h.Milliseconds);
  return b;
}

HistoryHeader DecodeHeader(const std::uint8_t* b) {
  HistoryHeader h;
  h.DeviceType = GetText(&b[0], 20);
  h.Title = GetText(&b[20], 20);
  h.FirmwareVersion = GetU16(&b[40]);
  h.SerialNumber = GetText(&b[42], 20);
  h.Hours = GetU16(&b[62]);
  h.Minutes = GetU16(&b[64]);
  h.Seconds = GetU16(&b[66]);
  h.Milliseconds = GetU16(&b[68]);
  return h;
}

BlockBytes EncodeChannelBlock(const HistoryChannelBlock& c) {
  BlockBytes b{};
  b[0] = c.Present;
  PutText(&b[1], 20, c.DeviceType);
  PutText(&b[21], 20, c.DeviceName);
  PutText(&b[41], 20, c.ParamName);
  PutText(&b[61], 10, c.Tag);
  PutText(&b[71], 11, c.Unit);
  PutU16(&b[82], c.Reserved16[0]);
  PutU16(&b[84], c.Reserved16[1]);
  b[86] = c.Reserved8[0];
  b[87] = c.Reserved8[1];
  b[88] = c.DecimalPoint;
  b[89] = 0;
  PutU16(&b[90], c.InputType);
  PutI16(&b[92], c.LowLimit);
  PutI16(&b[94], c.HighLimit);
  PutI16(&b[96], c.Multiplier);
  return b;
}

HistoryChannelBlock DecodeChannelBlock(const std::uint8_t* b) {
  HistoryChannelBlock c;
  c.Present = b[0];
  c.DeviceType = GetText(&b[1], 20);
  c.DeviceName = GetText(&b[21], 20);
  c.ParamName = GetText(&b[41], 20);
  c.Tag = GetText(&b[61], 10);
  c.Unit = GetText(&b[71], 11);
  c.Reserved16 = {GetU16(&b[82]), GetU16(&b[84])};
  c.Reserved8 = {b[86], b[87]};
  c.DecimalPoint = b[88];
  c.InputType = GetU16(&b[90]);
  c.LowLimit = GetI16(&b[92]);
  c.HighLimit = GetI16(&b[94]);
  c.Multiplier = GetI16(&b[96]);
  return c;
}

RecordBytes EncodeRecord(const HistoryRecord& r) {
  RecordBytes b{};
  PutF64(&b[0], r.Time);
  for (int k = 0; k < kChannels; ++k) PutI16(&b[8 + 4 * k], r.Raw[k]);
  return b;
}

HistoryRecord DecodeRecord(const std::uint8_t* b) {
  HistoryRecord r;
  r.Time = GetF64(b);
  for (int k = 0; k < kChannels; ++k) r.Raw[k] = GetI16(&b[8 + 4 * k]);
  return r;
}

double RecordTime(const std::uint8_t* record) { return GetF64(record); }
std::int16_t RecordRaw(const std::uint8_t* record, int channel) {
  return GetI16(record + 8 + 4 * channel);
}

bool HeaderIntervalValid(const HistoryHeader& h) {
  return h.Hours <= 23 && h.Minutes <= 59 && h.Seconds <= 59 && h.Milliseconds <= 999;
}

std::uint64_t RecordCount(std::uint64_t fileSize) {
  return fileSize < kDataOffset ? 0 : (fileSize - kDataOffset) / kRecordSize;
}

bool DateTimeInRange(platform::DateTime dt) {
  // From 1 January 0001 to the end of 31 December 9999 (day 2958465), short of the last half
  // millisecond, which the decoder would round into the year 10000.
  return std::isfinite(dt) && dt >= -693593.0 && dt < 2958466.0 - 0.5 / 86400000.0;
}

platform::DateTimeFields SafeDecode(platform::DateTime dt) {
  return DateTimeInRange(dt) ? platform::DecodeDateTime(dt) : platform::DateTimeFields{};
}

std::string SafeDateTimeText(platform::DateTime dt) {
  return platform::FormatDateTime(DateTimeInRange(dt) ? dt : 0.0);
}

}  // namespace qg::history
