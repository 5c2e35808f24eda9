#include "collect/image.h"

#include <cstdio>

#include "harrowmeter/config.h"
#include "platform/cp1252.h"

namespace qg::collect {

namespace hm = qg::harrowmeter;
namespace reg = qg::harrowmeter::reg;

int Programme::EnabledCount() const {
  int n = 0;
  for (bool e : enabled) n += e ? 1 : 0;
  return n;
}

namespace {

platform::DateTime PackedDate(const hm::ConfigBlock& w, std::uint16_t first) {
  const auto t = hm::DecodePackedTime(w[first], w[first + 1], w[first + 2]);
  // A date the instrument never wrote sensibly gives the zero date rather than a guess.
  return platform::TruncateToSeconds(hm::DateTimeOfPacked(t).value_or(0.0));
}

std::string Text(const hm::ConfigBlock& w, std::uint16_t first, std::size_t registers) {
  return platform::Cp1252ToUtf8(hm::DecodeText(&w[first], registers));
}

}  // namespace

Programme DecodeImage(const hm::ConfigBlock& w, devices::CDevice& data) {
  Programme p;
  data.FirmwareVersion = w[reg::kFirmwareVersion];
  char serial[32];
  std::snprintf(serial, sizeof serial, "%04d%04d", static_cast<int>(w[reg::kSerialNumberHigh]),
                static_cast<int>(w[reg::kSerialNumberLow]));
  data.SerialNumber = serial;
  int enabled = 0;
  for (int i = 0; i < hm::kChannels; ++i) {
    const std::uint16_t setup = w[reg::ChannelSetup(i)];
    const int type = setup & 0x1F;
    p.enabled[i] = (setup & 0x80) != 0;
    enabled += p.enabled[i] ? 1 : 0;
    p.inputType[i] = type;
    data.InputType[i] = static_cast<std::uint16_t>(type);
    data.LowLimit[i] = static_cast<std::int16_t>(w[reg::ScaleLow(i)]);
    data.HighLimit[i] = static_cast<std::int16_t>(w[reg::ScaleHigh(i)]);
    int dp;
    if (type < 18)
      dp = (type == 8 || type == 17) ? 1 : 0;
    else
      dp = (w[reg::kDecimalPoints] >> (2 * i)) & 3;
    p.decimalPoint[i] = dp;
    data.DecimalPoint[i] = static_cast<std::uint8_t>(dp);
    data.Tags[i] = Text(w, reg::Tag(i), hm::kTagChars / 2);
    data.Units[i] = Text(w, reg::EngUnit(i), hm::kUnitChars / 2);
    const std::uint16_t m = w[reg::Multiplier(i)];
    data.Multiplier[i] = static_cast<std::int16_t>(m);
    p.multiplier[i] = m == 0 ? 1u : m;
    data.TempUnitF[i] = 0;
  }
  data.ChannelCount = static_cast<std::uint8_t>(enabled);
  data.Title = Text(w, reg::kTitle, hm::kTitleChars / 2);

  const std::uint16_t a = w[reg::kIntervalTenthsSec], b = w[reg::kIntervalMinHour];
  const double ms = hm::LowByte(b) * 3600000.0 + hm::HighByte(b) * 60000.0 +
                    hm::LowByte(a) * 1000.0 + hm::HighByte(a) * 100.0;
  p.baseInterval = ms / 86400000.0;
  data.BaseInterval = p.baseInterval;

  p.eventMode = ((w[reg::kLoggingMode] >> 3) & 3) == hm::kStartByInput;
  if (!p.eventMode) {
    p.firstAcquisition = PackedDate(w, reg::kFirstAcquisition);
    p.lastAcquisition = PackedDate(w, reg::kLastAcquisition);
  }
  data.FirstAcquisition = p.firstAcquisition;
  data.LastAcquisition = p.lastAcquisition;
  p.stored = hm::JoinCount32(w[reg::kStoredCountHigh], w[reg::kStoredCountLow]);
  p.capacity = hm::JoinCount32(w[reg::kCapacityHigh], w[reg::kCapacityLow]);
  return p;
}

float WordValue(std::uint16_t word, int inputType, int decimalPoint) {
  const double r = static_cast<std::int16_t>(word);
  if (inputType == 8 || inputType == 17) return static_cast<float>(r * 0.1);
  if (inputType == 18 || inputType == 19) {
    static constexpr double kPow[4] = {1.0, 10.0, 100.0, 1000.0};
    return static_cast<float>(r / kPow[decimalPoint & 3]);
  }
  return static_cast<float>(r);
}

}  // namespace qg::collect
