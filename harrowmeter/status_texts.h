#pragma once
// Texts of the instrument status bits and the channel status bits.
#include <cstdint>
#include <string>
#include <vector>

namespace qg::harrowmeter {

inline constexpr int kInstrumentStatusFirstSlot = 155;  // bit k shows slot 155 + k
inline constexpr int kChannelStatusFirstSlot = 164;     // bit k (0..4) shows slot 164 + k

enum InstrumentStatusBit : std::uint16_t {
  kStatusClockMissing = 1u << 0,
  kStatusMemoryMissing = 1u << 1,
  kStatusMemoryFull = 1u << 2,
  kStatusAcquired = 1u << 3,
  kStatusProgrammeDone = 1u << 4,
  kStatusAutoZeroError = 1u << 5,
  kStatusAutoSpanError = 1u << 6,
  kStatusColdJunctionError = 1u << 7,
};

enum ChannelStatusBit : std::uint8_t {
  kChannelConversionLow = 1u << 0,
  kChannelNegativeAfterCalibration = 1u << 1,
  kChannelConversionHigh = 1u << 2,
  kChannelLinearisationExceeded = 1u << 3,
  kChannelPt100CableHigh = 1u << 4,
};

// The built-in text of instrument status bit k: bits 0..8 as the instrument defines them; the
// undefined bits 9..15 read "Reserva" (the message table's slots 164..170 there belong to other
// texts).
std::string InstrumentStatusText(int bit);
// The built-in text of channel status bit k (0..4); empty for the unused bits 5..7.
std::string ChannelStatusText(int bit);

// The texts of every set bit, lowest bit first.
std::vector<std::string> InstrumentStatusTexts(std::uint16_t status);
std::vector<std::string> ChannelStatusTexts(std::uint8_t status);

// "Lo", "Hi" or "" for channel index ch of the alarm status register.
std::string AlarmStateText(std::uint16_t alarmStatus, int ch);

}  // namespace qg::harrowmeter
