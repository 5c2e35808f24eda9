#pragma once
// The configuration record decoded from registers 0..200, and the encoders for writing it back.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "harrowmeter/registers.h"
#include "platform/datetime.h"

namespace qg::harrowmeter {

using ConfigBlock = std::array<std::uint16_t, kBlockSize>;

// Texts are held as the registers hold them: Windows-1252 bytes, zero-terminated.
template <std::size_t N>
using TextField = std::array<char, N + 1>;

// Seconds, minutes, hours, day, month, year offset.
using PackedTime = std::array<std::int8_t, 6>;

struct HarrowmeterConfig {
  std::array<std::uint8_t, kChannels> Enabled{};
  std::array<std::int8_t, kChannels> InputType{};
  std::array<std::uint8_t, kChannels> UnitF{};
  std::array<std::int16_t, kChannels> ScaleLo{};
  std::array<std::int16_t, kChannels> ScaleHi{};
  std::array<std::uint8_t, kChannels> Differential{};
  std::array<std::int16_t, kChannels> SetPoint1{};
  std::array<std::int16_t, kChannels> SetPoint2{};
  std::array<std::uint8_t, kChannels> Alarm1Type{};    // bit 0 low, bit 1 high
  std::array<std::uint8_t, kChannels> Alarm2Type{};
  std::array<std::uint8_t, kChannels> Alarm1Relays{};  // bit 0 relay 1, bit 1 relay 2
  std::array<std::uint8_t, kChannels> Alarm2Relays{};
  std::uint8_t Relay1Mode = 0;
  std::uint8_t Relay2Mode = 0;
  std::array<std::int16_t, kChannels> Multiplier{};
  std::int8_t IntervalTenths = 0;
  std::int8_t IntervalSeconds = 0;
  std::int8_t IntervalMinutes = 0;
  std::int8_t IntervalHours = 0;
  std::uint8_t StartMode = 0;
  std::uint8_t StopMode = 0;
  std::uint8_t Wrap = 0;
  std::int32_t ProgrammedCount = 0;
  std::int32_t Capacity = 0;
  PackedTime StartTime{};
  PackedTime StopTime{};
  std::uint16_t AlarmStatus = 0;
  std::uint16_t Status = 0;
  std::array<std::int8_t, kChannels> ChannelStatusBytes{};
  std::uint32_t SerialNumber = 0;
  std::int16_t Firmware = 0;
  std::int16_t MainsHz = 0;
  TextField<kTitleChars> TitleText{};
  std::array<TextField<kTagChars>, kChannels> TagText{};
  std::array<TextField<kUnitChars>, kChannels> EngUnitText{};
  std::array<std::int8_t, kChannels> FilterValue{};
  std::array<std::uint8_t, kChannels> DecimalPoint{};
};

// Fills the record from a complete block.
void DecodeConfigBlock(const ConfigBlock& words, HarrowmeterConfig& cfg);

// Byte pairs: the field named first is the high byte.
constexpr std::uint16_t PackBytes(unsigned high, unsigned low) {
  return static_cast<std::uint16_t>(((high & 0xFFu) << 8) | (low & 0xFFu));
}
constexpr std::uint8_t HighByte(std::uint16_t w) { return static_cast<std::uint8_t>(w >> 8); }
constexpr std::uint8_t LowByte(std::uint16_t w) { return static_cast<std::uint8_t>(w & 0xFF); }

std::uint16_t EncodeChannelSetup(const HarrowmeterConfig& cfg, int ch);
std::uint16_t EncodeLoggingMode(const HarrowmeterConfig& cfg);
std::uint16_t EncodeDecimalPoints(const HarrowmeterConfig& cfg);

// The registers of a text field of `registers` registers (two characters each) from
// Windows-1252 bytes; bytes past the text are zero.
std::vector<std::uint16_t> EncodeText(std::string_view cp1252, std::size_t registers);
// Up to 2 × `registers` bytes of Windows-1252, ending at the first zero byte.
std::string DecodeText(const std::uint16_t* words, std::size_t registers);

// A field's text in UTF-8 and back (cut to the field's width).
template <std::size_t N>
std::string FieldToUtf8(const TextField<N>& field);
template <std::size_t N>
void FieldFromUtf8(TextField<N>& field, std::string_view utf8);

// Date and time registers: seconds/minutes, hours/day, month/year offset.
std::array<std::uint16_t, 3> EncodePackedTime(const PackedTime& t);
PackedTime DecodePackedTime(std::uint16_t secMin, std::uint16_t hourDay, std::uint16_t monthYear);
// From a date-time (whole seconds; a year outside 1998..2253 is clamped to that range).
PackedTime PackedTimeOf(platform::DateTime dt);
// The date-time of packed registers as the collection reads them: month 0 taken as 1, day 0 as
// 1; nothing when the fields are still not a valid date and time.
std::optional<platform::DateTime> DateTimeOfPacked(const PackedTime& t);

// 32-bit counts split over a low and a high register.
struct SplitCount {
  std::uint16_t low;
  std::uint16_t high;
};
constexpr SplitCount SplitCount32(std::uint32_t v) {
  return {static_cast<std::uint16_t>(v & 0xFFFF), static_cast<std::uint16_t>(v >> 16)};
}
constexpr std::uint32_t JoinCount32(std::uint16_t high, std::uint16_t low) {
  return (static_cast<std::uint32_t>(high) << 16) | low;
}

// Serial number from registers 197 and 198 (each printed as four decimal digits and joined).
std::uint32_t DecodeSerialNumber(std::uint16_t high, std::uint16_t low);

}  // namespace qg::harrowmeter
