#include "harrowmeter/config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "harrowmeter/input_types.h"
#include "platform/cp1252.h"

namespace qg::harrowmeter {
namespace {

template <std::size_t M>
void DecodeField(const std::uint16_t* words, std::array<char, M>& out) {
  constexpr std::size_t N = M - 1;
  for (std::size_t k = 0; k < N; ++k) {
    const std::uint16_t w = words[k / 2];
    out[k] = static_cast<char>(k % 2 == 0 ? HighByte(w) : LowByte(w));
  }
  out[N] = '\0';
}

}  // namespace

void DecodeConfigBlock(const ConfigBlock& w, HarrowmeterConfig& cfg) {
  for (int i = 0; i < kChannels; ++i) {
    const std::uint16_t s = w[reg::ChannelSetup(i)];
    cfg.InputType[i] = static_cast<std::int8_t>(s & 0x1F);
    cfg.UnitF[i] = (s >> 5) & 1;
    cfg.Differential[i] = (s >> 6) & 1;
    cfg.Enabled[i] = (s >> 7) & 1;
    cfg.Alarm1Type[i] = (s >> 8) & 3;
    cfg.Alarm1Relays[i] = (s >> 10) & 3;
    cfg.Alarm2Type[i] = (s >> 12) & 3;
    cfg.Alarm2Relays[i] = (s >> 14) & 3;
    if (cfg.InputType[i] >= 18) {
      cfg.ScaleLo[i] = static_cast<std::int16_t>(w[reg::ScaleLow(i)]);
      cfg.ScaleHi[i] = static_cast<std::int16_t>(w[reg::ScaleHigh(i)]);
    } else {
      const SensorRange r = RangeOf(cfg.InputType[i], cfg.UnitF[i] != 0);
      cfg.ScaleLo[i] = r.low;
      cfg.ScaleHi[i] = r.high;
    }
    cfg.SetPoint1[i] = static_cast<std::int16_t>(w[reg::SetPoint1(i)]);
    cfg.SetPoint2[i] = static_cast<std::int16_t>(w[reg::SetPoint2(i)]);
    cfg.Multiplier[i] = static_cast<std::int16_t>(w[reg::Multiplier(i)]);
  }
  cfg.IntervalTenths = static_cast<std::int8_t>(HighByte(w[reg::kIntervalTenthsSec]));
  cfg.IntervalSeconds = static_cast<std::int8_t>(LowByte(w[reg::kIntervalTenthsSec]));
  cfg.IntervalMinutes = static_cast<std::int8_t>(HighByte(w[reg::kIntervalMinHour]));
  cfg.IntervalHours = static_cast<std::int8_t>(LowByte(w[reg::kIntervalMinHour]));

  const std::uint16_t mode = w[reg::kLoggingMode];
  cfg.Wrap = mode & 1;
  cfg.StopMode = (mode >> 1) & 3;
  cfg.StartMode = (mode >> 3) & 3;
  cfg.Relay1Mode = (mode >> 5) & 1;
  cfg.Relay2Mode = (mode >> 6) & 1;

  cfg.ProgrammedCount = static_cast<std::int32_t>(
      JoinCount32(w[reg::kProgrammedCountHigh], w[reg::kProgrammedCountLow]));
  cfg.Capacity = static_cast<std::int32_t>(JoinCount32(w[reg::kCapacityHigh], w[reg::kCapacityLow]));

  cfg.StartTime = DecodePackedTime(w[reg::kStartSecMin], w[reg::kStartHourDay], w[reg::kStartMonthYear]);
  cfg.StopTime = DecodePackedTime(w[reg::kStopSecMin], w[reg::kStopHourDay], w[reg::kStopMonthYear]);

  cfg.AlarmStatus = w[reg::kAlarmStatus];
  cfg.Status = w[reg::kInstrumentStatus];
  for (int i = 0; i < kChannels; ++i) {
    const std::uint16_t cs = w[reg::kChannelStatus + i / 2];
    cfg.ChannelStatusBytes[i] = static_cast<std::int8_t>(i % 2 == 0 ? HighByte(cs) : LowByte(cs));
    const std::uint16_t fw = w[reg::kFilter + i / 2];
    cfg.FilterValue[i] = static_cast<std::int8_t>(i % 2 == 0 ? HighByte(fw) : LowByte(fw));
    cfg.DecimalPoint[i] = (w[reg::kDecimalPoints] >> (2 * i)) & 3;
  }

  cfg.SerialNumber = DecodeSerialNumber(w[reg::kSerialNumberHigh], w[reg::kSerialNumberLow]);
  cfg.Firmware = static_cast<std::int16_t>(w[reg::kFirmwareVersion]);
  cfg.MainsHz = static_cast<std::int16_t>(w[reg::kMainsFrequency]);

  DecodeField(&w[reg::kTitle], cfg.TitleText);
  for (int i = 0; i < kChannels; ++i) {
    DecodeField(&w[reg::Tag(i)], cfg.TagText[i]);
    DecodeField(&w[reg::EngUnit(i)], cfg.EngUnitText[i]);
  }
}

std::uint32_t DecodeSerialNumber(std::uint16_t high, std::uint16_t low) {
  // Printing each register as four digits and reading the join back is high × 10^4 + low while
  // both stay below 10^4; a register above 9999 prints more digits and shifts the other one.
  char buf[24];
  std::snprintf(buf, sizeof buf, "%04u%04u", static_cast<unsigned>(high), static_cast<unsigned>(low));
  std::uint64_t v = 0;
  for (const char* p = buf; *p; ++p) v = v * 10 + static_cast<unsigned>(*p - '0');
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFFu));
}

std::uint16_t EncodeChannelSetup(const HarrowmeterConfig& c, int ch) {
  return static_cast<std::uint16_t>((c.InputType[ch] & 0x1F) | (c.UnitF[ch] & 1) << 5 |
                                    (c.Differential[ch] & 1) << 6 | (c.Enabled[ch] & 1) << 7 |
                                    (c.Alarm1Type[ch] & 3) << 8 | (c.Alarm1Relays[ch] & 3) << 10 |
                                    (c.Alarm2Type[ch] & 3) << 12 | (c.Alarm2Relays[ch] & 3) << 14);
}

std::uint16_t EncodeLoggingMode(const HarrowmeterConfig& c) {
  return static_cast<std::uint16_t>((c.Relay2Mode & 1) << 6 | (c.Relay1Mode & 1) << 5 |
                                    (c.StartMode & 3) << 3 | (c.StopMode & 3) << 1 | (c.Wrap & 1));
}

std::uint16_t EncodeDecimalPoints(const HarrowmeterConfig& c) {
  unsigned w = 0;
  for (int ch = kChannels - 1; ch >= 0; --ch) {
    w <<= 2;
    if (IsLinearType(c.InputType[ch])) w += c.DecimalPoint[ch] & 3u;
  }
  return static_cast<std::uint16_t>(w);
}

std::vector<std::uint16_t> EncodeText(std::string_view text, std::size_t registers) {
  std::vector<std::uint16_t> out(registers, 0);
  const std::size_t n = std::min(text.size(), registers * 2);
  for (std::size_t k = 0; k < n; ++k) {
    if (text[k] == '\0') break;
    const unsigned b = static_cast<unsigned char>(text[k]);
    out[k / 2] = static_cast<std::uint16_t>(out[k / 2] | (k % 2 == 0 ? b << 8 : b));
  }
  return out;
}

std::string DecodeText(const std::uint16_t* words, std::size_t registers) {
  std::string s;
  for (std::size_t k = 0; k < registers * 2; ++k) {
    const std::uint16_t w = words[k / 2];
    const char c = static_cast<char>(k % 2 == 0 ? HighByte(w) : LowByte(w));
    if (c == '\0') break;
    s.push_back(c);
  }
  return s;
}

template <std::size_t N>
std::string FieldToUtf8(const TextField<N>& field) {
  return platform::Cp1252ToUtf8(std::string_view(field.data(), strnlen(field.data(), N)));
}

template <std::size_t N>
void FieldFromUtf8(TextField<N>& field, std::string_view utf8) {
  const std::string bytes = platform::Utf8ToCp1252Field(utf8, N);
  field.fill('\0');
  std::memcpy(field.data(), bytes.data(), std::min(bytes.size(), N));
}

template std::string FieldToUtf8<kTitleChars>(const TextField<kTitleChars>&);
template std::string FieldToUtf8<kTagChars>(const TextField<kTagChars>&);
template void FieldFromUtf8<kTitleChars>(TextField<kTitleChars>&, std::string_view);
template void FieldFromUtf8<kTagChars>(TextField<kTagChars>&, std::string_view);

std::array<std::uint16_t, 3> EncodePackedTime(const PackedTime& t) {
  return {PackBytes(static_cast<std::uint8_t>(t[0]), static_cast<std::uint8_t>(t[1])),
          PackBytes(static_cast<std::uint8_t>(t[2]), static_cast<std::uint8_t>(t[3])),
          PackBytes(static_cast<std::uint8_t>(t[4]), static_cast<std::uint8_t>(t[5]))};
}

PackedTime DecodePackedTime(std::uint16_t secMin, std::uint16_t hourDay, std::uint16_t monthYear) {
  return {static_cast<std::int8_t>(HighByte(secMin)),    static_cast<std::int8_t>(LowByte(secMin)),
          static_cast<std::int8_t>(HighByte(hourDay)),   static_cast<std::int8_t>(LowByte(hourDay)),
          static_cast<std::int8_t>(HighByte(monthYear)), static_cast<std::int8_t>(LowByte(monthYear))};
}

PackedTime PackedTimeOf(platform::DateTime dt) {
  const platform::DateTimeFields f = platform::DecodeDateTime(platform::TruncateToSeconds(dt));
  const int offset = std::clamp(f.year - kYearBase, 0, 255);
  return {static_cast<std::int8_t>(f.second), static_cast<std::int8_t>(f.minute),
          static_cast<std::int8_t>(f.hour),   static_cast<std::int8_t>(f.day),
          static_cast<std::int8_t>(f.month),  static_cast<std::int8_t>(static_cast<std::uint8_t>(offset))};
}

std::optional<platform::DateTime> DateTimeOfPacked(const PackedTime& t) {
  const auto u = [](std::int8_t b) { return static_cast<int>(static_cast<std::uint8_t>(b)); };
  const int month = u(t[4]) == 0 ? 1 : u(t[4]);
  const int day = u(t[3]) == 0 ? 1 : u(t[3]);
  return platform::EncodeDateTime(kYearBase + u(t[5]), month, day, u(t[2]), u(t[1]), u(t[0]));
}

}  // namespace qg::harrowmeter
