#pragma once
// The byte layout of a history file: a 70-byte header, 16 channel blocks of 98 bytes, then
// 72-byte records to the end of the file. Little endian, fixed-width Windows-1252 texts.
// Every field is encoded and decoded on its own; no struct image ever touches the disk.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/datetime.h"

namespace qg::history {

inline constexpr int kChannels = 16;
inline constexpr std::size_t kHeaderSize = 70;
inline constexpr std::size_t kChannelBlockSize = 98;
inline constexpr std::size_t kRecordSize = 72;
inline constexpr std::size_t kDataOffset = kHeaderSize + kChannels * kChannelBlockSize;  // 1638
inline constexpr std::int16_t kNoValueRaw = -9999;

// Texts are UTF-8 here; they are converted to and from Windows-1252 at the file boundary.
struct HistoryHeader {
  std::string DeviceType;  // 20
  std::string Title;       // 20
  std::uint16_t FirmwareVersion = 0;
  std::string SerialNumber;  // 20
  std::uint16_t Hours = 0, Minutes = 0, Seconds = 0, Milliseconds = 0;
};

struct HistoryChannelBlock {
  std::uint8_t Present = 0;
  std::string DeviceType;  // 20
  std::string DeviceName;  // 20
  std::string ParamName;   // 20
  std::string Tag;         // 10
  std::string Unit;        // 11
  std::array<std::uint16_t, 2> Reserved16{};
  std::array<std::uint8_t, 2> Reserved8{};
  std::uint8_t DecimalPoint = 0;
  std::uint16_t InputType = 0;
  std::int16_t LowLimit = 0;
  std::int16_t HighLimit = 0;
  std::int16_t Multiplier = 0;
};

struct HistoryRecord {
  platform::DateTime Time = 0;
  std::array<std::int16_t, kChannels> Raw{};
};

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;
using BlockBytes = std::array<std::uint8_t, kChannelBlockSize>;
using RecordBytes = std::array<std::uint8_t, kRecordSize>;

HeaderBytes EncodeHeader(const HistoryHeader& h);
HistoryHeader DecodeHeader(const std::uint8_t* bytes);  // kHeaderSize bytes
BlockBytes EncodeChannelBlock(const HistoryChannelBlock& b);
HistoryChannelBlock DecodeChannelBlock(const std::uint8_t* bytes);  // kChannelBlockSize bytes
RecordBytes EncodeRecord(const HistoryRecord& r);
HistoryRecord DecodeRecord(const std::uint8_t* bytes);  // kRecordSize bytes

// Hot-path pieces of a record, for loops over millions of records.
double RecordTime(const std::uint8_t* record);
std::int16_t RecordRaw(const std::uint8_t* record, int channel);

// The base interval of the header as a time of day; nothing when the four fields do not form one.
bool HeaderIntervalValid(const HistoryHeader& h);

// Whole records after the channel blocks in a file of `fileSize` bytes (a cut tail is ignored).
std::uint64_t RecordCount(std::uint64_t fileSize);

// Date fields that are safe to print for any double: a time stamp read from a file may be any
// bit pattern, and a value beyond the years 1 to 9999 (or not finite) gives 30/12/1899 00:00.
platform::DateTimeFields SafeDecode(platform::DateTime dt);
bool DateTimeInRange(platform::DateTime dt);
// The toolkit's date-time text, of 30/12/1899 00:00:00 for a value out of range.
std::string SafeDateTimeText(platform::DateTime dt);

}  // namespace qg::history
